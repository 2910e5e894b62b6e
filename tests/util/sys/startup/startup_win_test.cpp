// The start-up objects observed for real: this executable carries a build of the start-up unit
// that names each step on standard error, and runs itself again as a child to see its whole life.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../probe_child_win.h"
#include "echoview_version.h"
#include "util/sys/module_instance_win.h"
#include "util/sys/startup_win.h"
#include "util/thread/timer_win.h"
#include "util/trace/console_win.h"
#include "util/trace/trace_setup_win.h"

namespace {

const std::vector<std::string> build_order = {
    "description_table",
    "os_info",
    "slow timer",
    "fast timer",
    "debug_trace",
    "file_trace",
    "console sinks",
    "channels",
    "setup_traces",
    "trace shutdown hook",
    "lib_loader",
    "cpu_info",
    "module_instance",
    "hrtime",
    "hook_registry",
    "app_title",
    "common-controls entry",
    "layered-window entry",
    "mouse-tracking entry",
    "named entries",
    "url_suffix",
    "slow timer sync hook",
    "fast timer sync hook",
};

void note(const char* line) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
}

// The child: what the entry point may rely on, then a log file for the last flush at exit.
TEST(startup_child, DISABLED_run) {
    note("= main\n");
    EXPECT_EQ(L"?echoview-" ECHOVIEW_VERSION_WTEXT, url_suffix);
    EXPECT_EQ(GetModuleHandleW(nullptr), module_instance);
    // A console program: the debugger, file and standard error sinks; the file and standard
    // output sinks; the file sink. The console sink is in no channel.
    ASSERT_TRUE(console_info.console_program);
    EXPECT_EQ(3, debug_channel.sink_count());
    EXPECT_EQ(2, output_channel.sink_count());
    EXPECT_EQ(1, log_channel.sink_count());
    EXPECT_TRUE(debug_channel.add_sink(&console_sink));
    EXPECT_EQ(262144, file_sink.ring_size());
    EXPECT_TRUE(slow_timer.accepts_entries() && fast_timer.accepts_entries());

    // The program configures no log file; one set here shows what close_traces writes
    // after every start-up object is gone.
    file_sink.set_stamps(false, false);
    wchar_t log[MAX_PATH] = {};
    GetEnvironmentVariableW(probe::output_variable, log, MAX_PATH);
    file_sink.set_file(log);
    output_channel.send("last words\n");
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

TEST(startup, objects_are_built_before_the_entry_point_and_taken_down_in_reverse_after_it) {
    probe::temp_folder folder;
    const std::wstring log = folder.file(L"process.log");
    const std::wstring errors = folder.file(L"stderr.txt");
    probe::scoped_environment variable(probe::output_variable, log);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE error_file =
        CreateFileW(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE nothing = CreateFileW(L"NUL", GENERIC_WRITE, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, error_file);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdError = error_file;
    start.hStdOutput = nothing;
    start.hStdInput = nothing;
    std::wstring command = L"\"" + probe::this_executable() +
                           L"\" --gtest_filter=startup_child.DISABLED_run --gtest_also_run_disabled_tests";
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child));
    const DWORD waited = WaitForSingleObject(child.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    if (waited != WAIT_OBJECT_0) TerminateProcess(child.hProcess, 1);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    CloseHandle(error_file);
    CloseHandle(nothing);
    ASSERT_EQ(WAIT_OBJECT_0, waited) << "the child did not end within 60 s";
    EXPECT_EQ(0u, code) << "the child's checks failed";

    std::vector<std::string> expected;
    for (const auto& step : build_order) expected.push_back("+ " + step);
    expected.push_back("= main");
    for (auto step = build_order.rbegin(); step != build_order.rend(); ++step)
        expected.push_back("- " + *step);
    EXPECT_EQ(expected, lines_of(probe::read_file(errors).value_or("")));

    // Written by close_traces after all of the above: the separator line of setup_traces,
    // then the child's line.
    const std::string text = probe::read_file(log).value_or("<no log file>");
    EXPECT_NE(std::string::npos, text.find(std::string(64, '-'))) << text;
    const std::string last = "last words\r\n";
    EXPECT_TRUE(text.size() >= last.size() && text.compare(text.size() - last.size(), last.size(), last) == 0)
        << text;
}

} // namespace
