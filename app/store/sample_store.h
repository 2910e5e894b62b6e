// Sample store: the time-ordered ping samples, their window statistics, buckets and view state.
#pragma once

#include <cstdint>
#include <vector>

#include "app/store/bucket_list.h"
#include "app/store/change_mark.h"
#include "app/store/wire_protocol.h"
#include "util/sys/critical_section.h"

// Start values that stand for "not known yet". The first sample of a window
// replaces win_none_min and win_none_max (round-trip times lie between them);
// y_high_rescale (below any y_low) makes the next scale_y rescale the axis.
constexpr double win_none_min = 60000.0;
constexpr double win_none_max = -1.0;
constexpr double y_low_unset = 1e9;
constexpr double y_high_rescale = -1.0;
constexpr double left_time_unset = 1e9;
constexpr double bucket_origin_unset = -1.0; // while there is no bucket

// Everything the graph knows of its samples, guarded by `lock`. The intake
// (app/store/sample_intake.h) takes the lock itself; the operations of
// app/store/scaling.h expect the caller to hold it.
//
// Invariants kept by every operation:
// - `samples` ascends by time and holds only finite times and round-trip times;
// - win_count, win_sum and win_sum_sq cover exactly samples[first_visible..end);
// - the buckets hold every sample whose bucket index is representable.
struct sample_store {
    sample_store() = default;
    sample_store(const sample_store&) = delete;
    sample_store& operator=(const sample_store&) = delete;

    critical_section lock;
    std::vector<ping_sample> samples; // ascending by time
    // Where `samples` changed, for the extremes and pictures that follow them; the buckets
    // keep a mark of their own.
    change_mark sample_changes;

    // Window statistics (the samples from first_visible to the end).
    double win_sum = 0.0;
    double win_sum_sq = 0.0;
    double win_min = win_none_min;
    double win_max = win_none_max;
    std::uint32_t win_count = 0;

    // Averaging.
    avg_bucket_list buckets;
    double bucket_width = 1000.0;               // seconds
    double bucket_origin = bucket_origin_unset; // start of bucket 0
    bool show_avg = true;
    bool only_avg = false;

    // View state.
    std::uint32_t first_visible = 0; // first sample with time >= left_time
    double left_time = left_time_unset;
    double y_low = y_low_unset;
    double y_high = y_high_rescale;
    std::uint32_t span_secs = 60000;
    double idle_secs = 0.0;
    double y_range = 0.0;
    double y_scale = 0.0;
    double margin = 10.0;    // pixels above and below the plot
    double plot_left = 10.0; // pixels left of the plot (x of left_time)
    double plot_height = 0.0;
    double right_time = 0.0;
    double x_scale = 0.0;
};
