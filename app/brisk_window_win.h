// The main window record: the one brisk_window and the process-wide pointer to it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/gdiplus_win.h"
#include "app/placement.h"
#include "app/sample_store.h"

// The application's root object. Fields are in their fixed order; members whose
// types come with the window wiring are inserted at the marked places.
struct brisk_window {
    brisk_window() : store(this) {}
    virtual ~brisk_window() = default;
    brisk_window(const brisk_window&) = delete;
    brisk_window& operator=(const brisk_window&) = delete;

    sample_store store;
    // --- repaint_timer (timer_handle) goes here. ---
    std::int32_t x_pos = CW_USEDEFAULT;
    std::int32_t y_pos = CW_USEDEFAULT;
    std::int32_t x_size = default_window_width;
    std::int32_t y_size = default_window_height;
    std::int32_t client_width = default_window_width;   // set from x_size when the settings are loaded
    std::int32_t client_height = default_window_height; // set from y_size when the settings are loaded
    // GetTickCount at the last accepted batch. Only meaningful once a batch has
    // arrived, but paint reads it from the first paint on, so it starts at 0.
    std::uint32_t last_data_tick = 0;
    gdip_bitmap back_buffer; // the graph is drawn here; none until the first paint
    std::uint32_t background_color = 0xFFFFFFFF;
    HWND hwnd = nullptr;
    // --- icon (class icon handle) goes here. ---
    std::uint32_t x_time = 60; // visible span, seconds
    bool x_time_changed = false;
    double avg_time = 1.0; // averaging width, seconds; 0 = no average
    bool only_avg = false;
    bool avg_changed = true; // so that the first paint builds the buckets
    // --- context_menu, time_scale_menu, clear_menu, avg_scale_menu go here, in this order. ---
};

// Set by the entry point right after construction; read by the window procedure.
extern brisk_window* main_window;
