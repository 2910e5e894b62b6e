// The graph as one window shows it: its samples and pictures, its back buffer and drawing resources.
#pragma once

#include <cstdint>

#include "app/graph/graph_pictures.h"
#include "app/render/gdiplus_win.h"
#include "app/render/graph_resources_win.h"
#include "app/render/kept_picture_win.h"
#include "app/render/screen_copy_win.h"
#include "app/store/display_scale.h"
#include "app/store/sample_clock.h"
#include "app/store/sample_store.h"
#include "app/store/view_settings.h"

// What the paint of one window works on. The window record builds on it;
// members are destroyed in reverse order, so the store, which the pictures
// follow, goes last.
struct graph_view {
    graph_view() = default;
    graph_view(const graph_view&) = delete;
    graph_view& operator=(const graph_view&) = delete;

    sample_store store;
    graph_pictures pictures; // of `store`, whose changes they follow
    std::int32_t client_width = 0;
    std::int32_t client_height = 0;
    // GetTickCount at the last accepted batch. Only meaningful once a batch has
    // arrived, but paint reads it from the first paint on, so it starts at 0.
    std::uint32_t last_data_tick = 0;
    // The local time of that batch's arrival, read once with it (0 until then), so that every
    // reading of the samples' times of day maps them through the same moment.
    std::int64_t last_data_local_ms = 0;
    gdip_bitmap back_buffer; // the graph is drawn here; none until the first paint
    kept_picture picture;    // what the back buffer shows, while it lasts
    screen_copy screen;      // the back buffer as the paint copies it to the window
    // The back buffer was brought up to date for the paint that follows, which then only copies it.
    bool rendered_for_paint = false;
    std::uint32_t background_color = 0xFFFFFFFF;
    graph_resources resources; // pens, label font, format and brush
    view_settings settings;    // span, averaging, only the average, and their change flags
    // What the last paint drew: whether it drew the graph, and the width of its plot,
    // through which the pointer's place maps back to times and values.
    bool graph_drawn = false;
    double plot_width = 0.0;

    // The display scale of the window's monitor, which every length of the picture follows.
    display_scale scale;

    // Draws from the next paint on at `new_scale`: the font and pens made anew, the margins
    // scaled, and a new back buffer with the value axis scaled again.
    void set_scale(display_scale new_scale);
};

// The mapping of the samples' time stamps to local time, the newest at `newest_time`: through
// the arrival's local time where it was read, else through the ticks since the arrival.
inline sample_clock arrival_clock(const graph_view& view, double newest_time) {
    if (view.last_data_local_ms == 0) return sample_clock_now(newest_time, view.last_data_tick);
    return sample_clock{newest_time, view.last_data_local_ms};
}
