// The graph settings a window shows and the menus change, and how a paint brings them into the store.
#pragma once

#include <cstdint>

#include "app/store/sample_store.h"

// The settings of a window's view, held by the window: the menus change them and
// raise the flags, the registry keeps them, and the paint that follows a change
// applies it to the store.
struct view_settings {
    std::uint32_t x_time = 60; // visible span, seconds
    bool x_time_changed = false;
    double avg_time = 1.0; // averaging width, seconds; 0 = no average
    bool only_avg = false;
    bool avg_changed = true; // so that the first paint builds the buckets
};

// The first steps of a paint: copies only_avg and the span into the store, takes
// `idle_ms` (since the last batch) as idle_secs, then applies a changed span
// (recompute_window) and a changed averaging (show_avg, bucket_width and
// rebuild_buckets), each under the store's lock, and clears their flags. With an
// averaging width of 0 or less the buckets are still rebuilt, with the old width,
// but not drawn.
void apply_view_settings(sample_store& store, view_settings& settings, std::uint32_t idle_ms,
                         std::int32_t client_height);

// With the lock held: sets the time window and scales the value axis for drawing.
// False, changing nothing, when no sample is visible: the paint then draws nothing.
bool update_view(sample_store& store, std::int32_t client_height);
