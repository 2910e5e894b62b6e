#include "util/ui/command_line.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

const wchar_t args_file_variable[] = L"ECHOVIEW_TEST_ARGS_FILE";

std::wstring environment(const wchar_t* name) {
    wchar_t value[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

// The child started below is this test program again. It stores its own argument
// text, in UTF-16, where the parent can read it, and ends before any test runs:
// it is no test of its own, so it neither counts nor can pass unseen.
[[maybe_unused]] const bool started_as_child = [] {
    const std::wstring file = environment(args_file_variable);
    if (file.empty()) return false;
    {
        // The brackets tell an empty argument text from a child that never got here.
        const std::wstring args = L"[" + command_line_args() + L"]";
        std::ofstream out(file.c_str(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(args.data()),
                  static_cast<std::streamsize>(args.size() * sizeof(wchar_t)));
    }
    ExitProcess(0);
}();

std::wstring own_path() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

// Starts this test program again with `command_line` as the text the child
// sees from GetCommandLineW, and returns the child's command_line_args().
std::wstring arguments_seen_by_child(const std::wstring& command_line) {
    wchar_t temp_dir[MAX_PATH];
    wchar_t file[MAX_PATH];
    GetTempPathW(MAX_PATH, temp_dir);
    GetTempFileNameW(temp_dir, L"arg", 0, file);
    SetEnvironmentVariableW(args_file_variable, file);

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    std::wstring writable = command_line;
    const BOOL started = CreateProcessW(own_path().c_str(), &writable[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    SetEnvironmentVariableW(args_file_variable, nullptr);
    std::wstring seen = L"<child not started>";
    if (started) {
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        seen.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    }
    CloseHandle(nul);
    DeleteFileW(file);
    return seen;
}

TEST(command_line_args, real_process_with_quoted_path_with_blanks) {
    EXPECT_EQ(arguments_seen_by_child(L"\"C:\\Program Files\\Echo View\\echoview.exe\"   --EchoProbe -t"),
              L"[--EchoProbe -t]");
}

TEST(command_line_args, real_process_with_program_name_alone) {
    EXPECT_EQ(arguments_seen_by_child(L"echoview.exe"), L"[]");
}

} // namespace
