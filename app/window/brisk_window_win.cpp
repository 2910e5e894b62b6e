// The main window record: the one brisk_window and the process-wide pointer to it.
#include "app/window/brisk_window_win.h"

#include <boost/lambda/bind.hpp>

#include "app/render/render_win.h"
#include "app/store/sample_intake.h"

brisk_window* main_window = nullptr;

namespace {

constexpr unsigned repaint_period_ms = 500;

} // namespace

// The settings are loaded by construct_main_window, not here, so that a window
// object of a test never reads the user's key.
brisk_window::brisk_window() {
    client_width = default_window_width; // until the settings are loaded
    client_height = default_window_height;
    slow_timer.add(repaint_timer, boost::lambda::bind(&brisk_window::invalidate, this), repaint_period_ms, 0,
                   true);
}

// Members then go in reverse order: the menus, the repaint registration (if one
// is still held), the store last. The settings were saved when the window went
// (WM_DESTROY); an object that never had a window (a test's) has none to keep.
brisk_window::~brisk_window() {
    repaint_timer.remove(true);
    back_buffer.reset();
}

void brisk_window::invalidate() {
    if (const HWND window = hwnd.load()) PostMessageW(window, repaint_tick_message, 0, 0);
}

void brisk_window::on_repaint_tick() {
    const HWND window = hwnd.load();
    MSG later;
    while (PeekMessageW(&later, window, repaint_tick_message, repaint_tick_message, PM_REMOVE)) {}
    refresh(*this, window);
    // The graph moved under the pointer even where no pixel changed (and no paint follows).
    readout.painted(*this);
}

void brisk_window::clear_outside() {
    ::clear_outside(store, client_height);
}

void brisk_window::clear_all() {
    ::clear_all(store, client_height);
}
