// Main window: the one brisk_window, its window class, creation and window procedure.
#pragma once

#include <windows.h>

#include <memory>

#include "app/store/wire_protocol.h" // main_window_class, sample_count_message_name

struct brisk_window;

extern const wchar_t main_window_title[];
// The text of the start-up message box shown when Echoprobe did not start us.
extern const wchar_t not_started_by_echoprobe_text[];

// Builds the window object with its store and drawing resources and loads the
// settings. Does not set main_window. GDI+ must be running.
std::unique_ptr<brisk_window> construct_main_window();

// Registers "brisk_mainwnd" and creates the window of main_window; true when a
// window handle was obtained (it is in main_window->hwnd). False when the class
// could not be registered or the window not be created, with the system's error
// left for GetLastError; the class is then not left registered.
bool create_main_window(HINSTANCE instance);

// The class's window procedure; works on main_window whichever handle it gets.
LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Exit codes of run_main_window besides the one WM_QUIT carries.
constexpr int exit_no_main_window = 2;      // the window could not be made (a message box said why)
constexpr int exit_message_loop_failed = 3; // receiving messages kept failing

// Receives and dispatches the thread's messages (those of `filter` only, when
// given) until WM_QUIT, whose wParam it returns, or until receiving has failed
// max_failed_receives times in a row: then exit_message_loop_failed.
int run_message_loop(HWND filter = nullptr);

// Everything the entry point does once the option was found: GDI+, the window
// object, the window, the message loop. Returns the exit code: 0 after WM_QUIT;
// exit_no_main_window, after a message box with the system's reason captioned
// app_title, when the window class or the window could not be made.
int run_main_window(HINSTANCE instance, int show_command);
