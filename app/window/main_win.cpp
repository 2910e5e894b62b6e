// Entry point of echoview.exe: runs only when started by Echoprobe ("--echoprobe").
#include <windows.h>

#include <string>

#include "app/window/main_window_win.h"
#include "util/ui/command_line.h"
#include "util/ui/message_box_win.h"

#ifdef ECHOVIEW_TEST_LOG
#include "util/trace/trace_setup_win.h"
#endif

namespace {

constexpr int exit_not_started_by_echoprobe = 9;

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
#ifdef ECHOVIEW_TEST_LOG
    // A test build keeps its trace lines in the file the environment names, so that a
    // test can read what the program sent to its channels.
    wchar_t log_file[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"ECHOVIEW_TEST_LOG", log_file, MAX_PATH);
    if (length > 0 && length < MAX_PATH) file_sink.set_file(log_file);
#endif
    app_title = main_window_title;
    const std::wstring args = command_line_args();
    if (!find_nocase(args.c_str(), L"--echoprobe")) {
        message_box(app_title, nullptr, not_started_by_echoprobe_text, MB_ICONINFORMATION, nullptr);
        return exit_not_started_by_echoprobe;
    }
    return run_main_window(instance, show_command);
}
