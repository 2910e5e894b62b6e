// The main window record: the one brisk_window and the process-wide pointer to it.
#pragma once

#include <windows.h>

#include <boost/lambda/bind.hpp>

#include <atomic>
#include <cstdint>

#include "app/render/graph_view_win.h"
#include "app/window/display_scale_win.h"
#include "app/window/menus_win.h"
#include "app/window/placement.h"
#include "app/window/readout_win.h"
#include "app/window/sample_saver_win.h"
#include "app/window/settings_win.h"
#include "util/thread/timer_win.h"

// The application's root object: the graph view of its one window (the store,
// pictures, back buffer, drawing resources and graph settings), with the
// window's placement, handle, icon, menus and repaint timer. Members are
// constructed in declaration order and destroyed in reverse, after which the
// graph view goes: the menus go before the repaint registration, and the store,
// which the others refer to, goes last.
struct brisk_window : graph_view {
    brisk_window();
    virtual ~brisk_window();
    brisk_window(const brisk_window&) = delete;
    brisk_window& operator=(const brisk_window&) = delete;

    // The 500 ms repaint on the "slow" timer; registered as the last step of
    // construction, cancelled (waiting) at WM_DESTROY and in the destructor.
    timer_handle repaint_timer;
    std::int32_t x_pos = CW_USEDEFAULT;
    std::int32_t y_pos = CW_USEDEFAULT;
    std::int32_t x_size = default_window_width;
    std::int32_t y_size = default_window_height;
    // The DPI of the monitor the place above was taken on: its pixels are that monitor's.
    std::uint32_t place_dpi = base_dpi;
    // Read by the repaint callback on the timer's thread, written on the
    // user-interface thread.
    std::atomic<HWND> hwnd{nullptr};
    // Where the settings are loaded from and saved to, under HKEY_CURRENT_USER: the
    // program's own key, another one only in tests.
    const wchar_t* settings_path = settings_key;
    // Set once this run's settings are written. They are written once: when the session
    // ends (the system then ends the process without WM_DESTROY), else when the window goes.
    bool settings_saved = false;
    // Above every window that is not itself topmost; kept with the settings.
    bool on_top = false;
    HICON icon = nullptr; // the class icon; kept, not otherwise used
    window_icons icons;   // the window's own icons, at the size of its DPI
    // The save of the samples to a file that may be running.
    sample_saver saver;
    // Constructed in this order and destroyed in the reverse one. Each menu is handed
    // what it works on: the context menu the owner window and its submenus, the scale
    // menus the view settings above, the Clear menu the two clears below.
    menus::_context_menu context_menu{hwnd, time_scale_menu, avg_scale_menu, clear_menu};
    menus::_time_scale_menu time_scale_menu{settings};
    menus::_clear_menu clear_menu{boost::lambda::bind(&brisk_window::clear_outside, this),
                                  boost::lambda::bind(&brisk_window::clear_all, this)};
    menus::_avg_scale_menu avg_scale_menu{settings};
    pointer_readout readout;    // the tooltip under the pointer
    wheel_notches wheel_turned; // the wheel's rotation short of a whole notch

    // The repaint callback: runs on the timer's thread and touches nothing but
    // hwnd. It posts repaint_tick_message, on which the user-interface thread
    // brings the back buffer up to date and invalidates only what changed.
    // Before the window exists there is nothing to repaint; a window gone
    // meanwhile takes no message.
    void invalidate();
    // The repaint tick, on the user-interface thread. Ticks that piled up behind
    // a busy user-interface thread are taken with it.
    void on_repaint_tick();

    // The Clear submenu's callbacks: the store's clears at the current client height.
    void clear_outside();
    void clear_all();
};

// Posted by the repaint callback to the window.
constexpr UINT repaint_tick_message = WM_APP + 0x100;

// Set by the entry point right after construction; read by the window procedure.
extern brisk_window* main_window;
