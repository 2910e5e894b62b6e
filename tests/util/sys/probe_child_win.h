// Probe children: a test executable started again to run one disabled test that reports what it saw.
#pragma once

#include "util/sys/string_convert.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

namespace probe {

// The file a probe writes its report to; set only in the environment of a probe child.
inline const wchar_t output_variable[] = L"ECHOVIEW_PROBE_OUT";

inline std::wstring this_executable() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// A new empty folder of its own under the temporary folder, removed with its files.
class temp_folder {
public:
    temp_folder() {
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);
        static unsigned serial = 0;
        path_ = std::wstring(base) + L"echoview-probe-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++serial);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~temp_folder() {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name != L"." && name != L"..") DeleteFileW((path_ + L"\\" + name).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(path_.c_str());
    }
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

inline std::optional<std::string> read_file(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Sets an environment variable for the lifetime of the object (children inherit it).
class scoped_environment {
public:
    scoped_environment(const wchar_t* name, const std::wstring& value) : name_(name) {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~scoped_environment() { SetEnvironmentVariableW(name_, nullptr); }
    scoped_environment(const scoped_environment&) = delete;
    scoped_environment& operator=(const scoped_environment&) = delete;

private:
    const wchar_t* name_;
};

// The gtest options that make a test executable run just `test`, which may be a disabled one.
inline std::wstring only_test_options(const wchar_t* test) {
    return std::wstring(L"--gtest_also_run_disabled_tests --gtest_brief=1 --gtest_filter=") + test;
}

// Runs `executable` so that it runs only the disabled test `test`, waits for it at
// most `timeout_ms` (ending it when it overruns) and returns the report it wrote,
// or nothing when it wrote none in time.
inline std::optional<std::string> run(const std::wstring& executable, const wchar_t* test,
                                      const temp_folder& folder, DWORD timeout_ms = 60000) {
    const std::wstring report = folder.file(L"report.txt");
    const std::wstring console = folder.file(L"console.txt");
    DeleteFileW(report.c_str());
    const scoped_environment output(output_variable, report);
    // The child's own test output goes to a file, kept out of this test's output
    // and shown when the probe fails.
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE console_file = CreateFileW(console.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = console_file;
    startup.hStdError = console_file;
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + executable + L"\" " + only_test_options(test);
    const BOOL started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    const DWORD start_error = GetLastError();
    if (console_file != INVALID_HANDLE_VALUE) CloseHandle(console_file);
    if (!started) {
        ADD_FAILURE() << "starting the probe failed with " << start_error;
        return std::nullopt;
    }
    CloseHandle(info.hThread);
    DWORD exit_code = 1;
    if (WaitForSingleObject(info.hProcess, timeout_ms) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 10000);
        ADD_FAILURE() << "the probe did not finish within " << timeout_ms << " ms";
    } else {
        GetExitCodeProcess(info.hProcess, &exit_code);
    }
    CloseHandle(info.hProcess);
    if (exit_code != 0) ADD_FAILURE() << "the probe failed:\n" << read_file(console).value_or("");
    return read_file(report);
}

// In a probe child: writes `report` to the file the parent named. False when this
// process is no probe child.
inline bool write_report(const std::wstring& report) {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableW(output_variable, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return false;
    std::ofstream out(path, std::ios::binary);
    out << to_utf8(report);
    return static_cast<bool>(out);
}

// "name=value" lines into a map.
inline std::map<std::string, std::string> parse_report(const std::string& text) {
    std::map<std::string, std::string> fields;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return fields;
}

// Wine's own export; absent on Windows.
inline bool under_wine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace probe
