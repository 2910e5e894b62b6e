// Main window: the one brisk_window, its window class, creation and window procedure.
#pragma once

#include <windows.h>

#include <memory>

struct brisk_window;

extern const wchar_t main_window_class[]; // "brisk_mainwnd"
extern const wchar_t main_window_title[];
// The text of the start-up message box shown when Echoprobe did not start us.
extern const wchar_t not_started_by_echoprobe_text[];

// Name of a registered window message that the main window answers with the
// number of stored samples plus one (0 means the window does not know it). It
// reads nothing but the count, so any process may ask; the tests use it to see
// what the store took in.
extern const wchar_t sample_count_message_name[];

// Builds the window object with its store and drawing resources and loads the
// settings. Does not set main_window. GDI+ must be running.
std::unique_ptr<brisk_window> construct_main_window();

// Registers "brisk_mainwnd" and creates the window of main_window; true when a
// window handle was obtained (it is in main_window->hwnd).
bool create_main_window(HINSTANCE instance);

// The class's window procedure; works on main_window whichever handle it gets.
LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Everything the entry point does once the option was found: GDI+, the window
// object, the window, the message loop. Returns the exit code (0 after WM_QUIT).
int run_main_window(HINSTANCE instance, int show_command);
