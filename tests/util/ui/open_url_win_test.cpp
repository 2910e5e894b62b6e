#include "util/ui/open_url.h"

#include "tests/poll_until_win.h"
#include "tests/util/sys/probe_child_win.h"
#include "util/sys/os_info.h"
#include "util/sys/reg_key_win.h"
#include "util/sys/string_convert.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <optional>
#include <string>

namespace {

const wchar_t probe_test[] = L"open_url_probe.DISABLED_record_start";

// Run only in a probe child: records how it was started.
TEST(open_url_probe, DISABLED_record_start) {
    wchar_t directory[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH + 1, directory);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    const bool show_window_given = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
    const std::wstring report = std::wstring(L"command_line=") + GetCommandLineW() + L"\ndirectory=" +
                                directory + L"\nshow_window=" +
                                (show_window_given ? std::to_wstring(startup.wShowWindow) : L"none") + L"\n";
    ASSERT_TRUE(probe::write_report(report));
}

// Makes the process started by the code under test (with the command line that
// code chooses) a probe child that runs only the recording test above.
class probe_environment {
public:
    explicit probe_environment(const std::wstring& report)
        : output_(probe::output_variable, report), filter_(L"GTEST_FILTER", probe_test),
          disabled_(L"GTEST_ALSO_RUN_DISABLED_TESTS", L"1"), brief_(L"GTEST_BRIEF", L"1") {}

private:
    probe::scoped_environment output_;
    probe::scoped_environment filter_;
    probe::scoped_environment disabled_;
    probe::scoped_environment brief_;
};

// Polls for a complete report: its last line is the one written last.
std::map<std::string, std::string> wait_for_report(const std::wstring& path, DWORD timeout_ms = 60000) {
    std::map<std::string, std::string> fields;
    const auto complete = [&] {
        fields = probe::parse_report(probe::read_file(path).value_or(""));
        return fields.count("show_window") != 0;
    };
    return poll_until(complete, timeout_ms, 50) ? fields : std::map<std::string, std::string>{};
}

std::wstring unique_address(const wchar_t* base) {
    static unsigned serial = 0;
    return std::wstring(base) + L"?probe=" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++serial);
}

std::wstring quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

TEST(run_process, waits_and_passes_command_line_directory_and_show_state) {
    probe::temp_folder folder;
    const std::wstring report = folder.file(L"report.txt");
    wchar_t system_dir[MAX_PATH + 1] = {};
    GetSystemDirectoryW(system_dir, MAX_PATH + 1);
    {
        const probe_environment child(report);
        const std::wstring command = quoted(probe::this_executable()) + L" first \"second word\"";
        ASSERT_TRUE(run_process(command, system_dir, true, true));
    }
    // Waiting means the report is complete as soon as run_process returns.
    auto fields = probe::parse_report(probe::read_file(report).value_or(""));
    EXPECT_EQ(fields["command_line"], to_utf8(quoted(probe::this_executable()) + L" first \"second word\""));
    EXPECT_EQ(fields["directory"], to_utf8(system_dir));
    EXPECT_EQ(fields["show_window"], std::to_string(SW_HIDE));

    // Without waiting it returns at once; the child still runs, in this process's directory.
    DeleteFileW(report.c_str());
    wchar_t own_dir[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH + 1, own_dir);
    {
        const probe_environment child(report);
        ASSERT_TRUE(run_process(quoted(probe::this_executable()), L"", false, false));
    }
    fields = wait_for_report(report);
    EXPECT_EQ(fields["command_line"], to_utf8(quoted(probe::this_executable())));
    EXPECT_EQ(fields["directory"], to_utf8(own_dir));
    EXPECT_EQ(fields["show_window"], "none");
}

TEST(run_process, fails_for_a_missing_program) {
    EXPECT_FALSE(run_process(L"\"C:\\no such folder\\no-such-program.exe\" x", L"", true, false));
    EXPECT_FALSE(run_process(L"", L"", false, false));
}

// The user's and the machine's keys of this process are redirected to a
// throwaway key, so the browser choice is made up without touching the
// registry that other programs see.
class browser_registry : public ::testing::Test {
protected:
    static constexpr const wchar_t* root = L"Software\\Norvane\\echoview-tests\\open_url";
    static constexpr const wchar_t* browsers = L"Software\\Clients\\StartMenuInternet";

    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, root);
        const std::wstring base = root;
        ASSERT_TRUE(user_.create((base + L"\\user").c_str(), HKEY_CURRENT_USER, 0, KEY_ALL_ACCESS));
        ASSERT_TRUE(machine_.create((base + L"\\machine").c_str(), HKEY_CURRENT_USER, 0, KEY_ALL_ACCESS));
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, user_.handle()), ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_.handle()), ERROR_SUCCESS);
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        user_.close();
        machine_.close();
        RegDeleteTreeW(HKEY_CURRENT_USER, root);
    }

    // Stores a default value as the system does, its terminating NUL included.
    static void store_default(reg_key& parent, const std::wstring& subkey, const std::wstring& text) {
        reg_key key;
        ASSERT_TRUE(key.create(subkey.c_str(), parent.handle(), 0, KEY_ALL_ACCESS)) << key.last_error();
        ASSERT_TRUE(key.write(nullptr, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                              REG_SZ));
    }
    void choose_browser(const std::wstring& name) { store_default(user_, browsers, name); }
    void set_command(const std::wstring& name, const std::wstring& command) {
        store_default(machine_, std::wstring(browsers) + L"\\" + name + L"\\shell\\open\\command", command);
    }

    static os_info windows_xp() {
        os_info os;
        os.version = 501;
        os.ge_500_a = os.ge_500_b = os.ge_501 = true;
        return os;
    }

    reg_key user_;
    reg_key machine_;
};

TEST_F(browser_registry, default_browser_command_follows_the_users_choice) {
    EXPECT_EQ(default_browser_command(), L"");

    // A user without a choice gets no command, even when the machine has one
    // under the empty name.
    set_command(L"", L"C:\\machine-wide.exe");
    set_command(L"Norvane Browser", L"\"C:\\Program Files\\Norvane Browser\\browser.exe\"");
    EXPECT_EQ(default_browser_command(), L"");
    choose_browser(L"");
    EXPECT_EQ(default_browser_command(), L"");

    // The stored name ends in a NUL, which must not end up inside the key path.
    choose_browser(L"Norvane Browser");
    EXPECT_EQ(default_browser_command(), L"\"C:\\Program Files\\Norvane Browser\\browser.exe\"");

    // A chosen browser the machine does not know.
    choose_browser(L"Unknown Browser");
    EXPECT_EQ(default_browser_command(), L"");
}

TEST_F(browser_registry, windows_xp_starts_the_default_browser_with_the_address) {
    probe::temp_folder folder;
    const std::wstring report = folder.file(L"report.txt");
    choose_browser(L"Norvane Browser");
    set_command(L"Norvane Browser", probe::this_executable());
    const std::wstring address = unique_address(L"HTTP://example.test/ping");
    {
        const probe_environment child(report);
        ASSERT_TRUE(open_url(address, windows_xp()));
    }
    // The command was quoted; the address is passed as it is.
    auto fields = wait_for_report(report);
    EXPECT_EQ(fields["command_line"], to_utf8(quoted(probe::this_executable()) + L" " + address));
    EXPECT_EQ(fields["show_window"], "none");

    // A browser that cannot be started is the answer: the shell is not tried.
    set_command(L"Norvane Browser", L"C:\\no such folder\\browser.exe");
    EXPECT_FALSE(open_url(unique_address(L"https://example.test/support"), windows_xp()));
}

// The stand-in for the desktop's browser launcher (see tests/CMakeLists.txt)
// appends each address it is given to this file.
std::optional<std::wstring> browser_log() {
    char unix_path[1024] = {};
    const DWORD length = GetEnvironmentVariableA("ECHOVIEW_BROWSER_LOG", unix_path, sizeof(unix_path));
    if (length == 0 || length >= sizeof(unix_path)) return std::nullopt;
    using dos_name_fn = WCHAR*(CDECL*)(const char*);
    const auto dos_name = reinterpret_cast<dos_name_fn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (!dos_name) return std::nullopt;
    WCHAR* path = dos_name(unix_path);
    if (!path) return std::nullopt;
    std::wstring result = path;
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

bool browser_was_given(const std::wstring& log, const std::wstring& address, DWORD timeout_ms = 60000) {
    const std::string line = to_utf8(address) + "\n";
    return poll_until([&] { return probe::read_file(log).value_or("").find(line) != std::string::npos; },
                      timeout_ms, 50);
}

TEST(open_url, shell_hands_web_addresses_to_the_browser) {
    const auto log = browser_log();
    if (!log) GTEST_SKIP() << "needs Wine and the stand-in browser of the test set-up";
    // The running system (Windows 7 under Wine) always takes the shell path.
    ASSERT_FALSE(opens_with_default_browser(process_os_info, L"http://example.test/"));
    const std::wstring address = unique_address(L"http://example.test/support");
    ASSERT_TRUE(open_url(address));
    EXPECT_TRUE(browser_was_given(*log, address)) << to_utf8(address);
}

TEST_F(browser_registry, windows_xp_without_a_chosen_browser_uses_the_shell) {
    const auto log = browser_log();
    if (!log) GTEST_SKIP() << "needs Wine and the stand-in browser of the test set-up";
    const std::wstring address = unique_address(L"https://example.test/ping");
    ASSERT_TRUE(open_url(address, windows_xp()));
    EXPECT_TRUE(browser_was_given(*log, address)) << to_utf8(address);
}

} // namespace
