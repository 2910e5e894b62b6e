#include "util/ui/message_box_win.h"

#include "util/sys/handle_owner_win.h"
#include "util/sys/module_instance_win.h"

namespace {

constexpr DWORD module_path_chars = 260;

std::wstring module_path_or_default() {
    wchar_t buffer[module_path_chars];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, module_path_chars);
    if (length == 0) return L"Message";
    return std::wstring(buffer, length < module_path_chars ? length : module_path_chars);
}

} // namespace

int message_box(std::wstring& title, HWND owner, const wchar_t* text, UINT style, const wchar_t* icon) {
    if (title.empty()) title = module_path_or_default();
    MSGBOXPARAMSW params = {};
    params.cbSize = sizeof params;
    params.hwndOwner = owner != nullptr ? owner : GetDesktopWindow();
    params.hInstance = module_instance;
    params.lpszText = text;
    params.lpszCaption = title.c_str();
    params.dwStyle = style | MB_SETFOREGROUND;
    params.lpszIcon = icon;
    params.dwContextHelpId = 0;
    params.lpfnMsgBoxCallback = nullptr;
    params.dwLanguageId = 0;
    if (icon != nullptr) params.dwStyle = (params.dwStyle & ~static_cast<DWORD>(MB_ICONMASK)) | MB_USERICON;
    return MessageBoxIndirectW(&params);
}

std::wstring system_error_text(DWORD error) {
    // Freed however the text below is built, an exhausted allocation included.
    owned_local buffer;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(buffer.receive()), 0, nullptr);
    const auto* text = static_cast<const wchar_t*>(buffer.get());
    std::wstring result = length > 0 && text ? std::wstring(text, length) : std::wstring();
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' || result.back() == L' '))
        result.pop_back();
    if (result.empty()) result = L"Error " + std::to_wstring(error) + L".";
    return result;
}
