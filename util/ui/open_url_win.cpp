#include "util/ui/open_url.h"

#include "util/sys/handle_owner_win.h"
#include "util/sys/os_info.h"
#include "util/sys/reg_key_win.h"

#include <windows.h>

#include <shellapi.h>

#include <vector>

namespace {

const wchar_t browsers_key[] = L"Software\\Clients\\StartMenuInternet";

std::wstring default_string(const wchar_t* subkey, HKEY root) {
    reg_key key;
    std::wstring text;
    if (!key.open(subkey, root, KEY_READ) || !key.read_string_trimmed(nullptr, text)) return {};
    return text;
}

bool open_with_shell(const std::wstring& url) {
    const HINSTANCE result = ShellExecuteW(GetDesktopWindow(), L"open", url.c_str(), L"", L"", SW_SHOWNORMAL);
    // Values up to 32 are error codes.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace

bool run_process(const std::wstring& command_line, const std::wstring& current_directory, bool wait,
                 bool hidden) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (hidden) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
    buffer.push_back(L'\0');
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        current_directory.empty() ? nullptr : current_directory.c_str(), &startup, &info))
        return false;
    const owned_handle thread(info.hThread);
    const owned_handle process(info.hProcess);
    if (wait) WaitForSingleObject(process.get(), INFINITE);
    return true;
}

std::wstring default_browser_command() {
    // The stored name keeps its terminating NUL in a plain read; inside the key
    // path below it would cut the path short at the browser's own key.
    const std::wstring name = default_string(browsers_key, HKEY_CURRENT_USER);
    // No machine-wide default stands in for the user's choice.
    if (name.empty()) return {};
    const std::wstring command_key = std::wstring(browsers_key) + L"\\" + name + L"\\shell\\open\\command";
    return default_string(command_key.c_str(), HKEY_LOCAL_MACHINE);
}

bool open_url(const std::wstring& url) {
    return open_url(url, process_os_info);
}

bool open_url(const std::wstring& url, const os_info& os) {
    if (opens_with_default_browser(os, url)) {
        std::wstring command = default_browser_command();
        if (!command.empty()) {
            quote_if_needed(command);
            // A failed start is the answer: the shell is what this path avoids.
            return run_process(command + L" " + url, std::wstring(), false, false);
        }
    }
    return open_with_shell(url);
}
