// Entry point of echoview.exe: runs only when started by Echoprobe ("--echoprobe").
#include <windows.h>

#include <string>

#include "app/main_window_win.h"
#include "util/ui/command_line.h"
#include "util/ui/message_box_win.h"

namespace {

constexpr int exit_not_started_by_echoprobe = 9;

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
    app_title = main_window_title;
    const std::wstring args = command_line_args();
    if (!find_nocase(args.c_str(), L"--echoprobe")) {
        message_box(app_title, nullptr, not_started_by_echoprobe_text, MB_ICONINFORMATION, nullptr);
        return exit_not_started_by_echoprobe;
    }
    return run_main_window(instance, show_command);
}
