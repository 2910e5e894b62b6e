// Sample store: the time-ordered ping samples, their window statistics, buckets and view state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/graph/graph_summary.h"
#include "app/store/bucket_list.h"
#include "app/store/wire_protocol.h"
#include "util/sys/critical_section.h"

#ifdef _WIN32
#include "app/render/graph_resources_win.h"
#endif

struct brisk_window;

// Start values that stand for "not known yet". The first sample of a window
// replaces win_none_min and win_none_max (round-trip times lie between them);
// y_high_rescale (below any y_low) makes the next scale_y rescale the axis.
constexpr double win_none_min = 60000.0;
constexpr double win_none_max = -1.0;
constexpr double y_low_unset = 1e9;
constexpr double y_high_rescale = -1.0;
constexpr double left_time_unset = 1e9;
constexpr double bucket_origin_unset = -1.0; // while there is no bucket

// Everything the graph knows, guarded by `lock`. The operations in this header
// take the lock themselves; those of app/scaling.h expect the caller to hold it.
//
// Invariants kept by every operation:
// - `samples` ascends by time and holds only finite times and round-trip times;
// - win_count, win_sum and win_sum_sq cover exactly samples[first_visible..end);
// - the buckets hold every sample whose bucket index is representable.
struct sample_store {
    explicit sample_store(brisk_window* owner_window = nullptr) : owner(owner_window) {}
    sample_store(const sample_store&) = delete;
    sample_store& operator=(const sample_store&) = delete;

    critical_section lock;
    std::vector<ping_sample> samples; // ascending by time

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

    brisk_window* owner; // the window that embeds the store; not owned

    // View state.
    std::uint32_t first_visible = 0; // first sample with time >= left_time
    double left_time = left_time_unset;
    double y_low = y_low_unset;
    double y_high = y_high_rescale;
    std::uint32_t span_secs = 60000;
    double idle_secs = 0.0;
    double y_range = 0.0;
    double y_scale = 0.0;
    double margin = 10.0; // pixels above and below the plot
    double plot_height = 0.0;
    double right_time = 0.0;
    double x_scale = 0.0;
    std::uint32_t point_color = 0xFF8FA2FE; // ARGB of the sample markers

    // Summaries of blocks of samples and of buckets that let a paint cost what the
    // window's pixels need rather than what the history holds. Whatever changes
    // the samples tells marker_blocks where; the buckets keep their own record.
    marker_summary marker_blocks;
    curve_summary curve_blocks;

#ifdef _WIN32
    graph_resources resources; // pens, label font, format and brush
#endif
};

// Stores `count` records of 16 bytes each, read bytewise from `records` (no
// alignment needed). Records whose time or round-trip time is not finite are not
// stored. Costs the batch's sort plus a merge over the stored samples that are
// newer than the batch's oldest sample. Returns how many records were stored.
std::size_t append_samples(sample_store& store, const void* records, std::size_t count);

// "Clear whole graph": removes every sample and resets the derived state.
// `client_height` is the owner window's client height in pixels.
void clear_all(sample_store& store, std::int32_t client_height);

// "Clear points outside graph": removes the samples left of left_time and rebuilds
// the derived state from the rest.
void clear_outside(sample_store& store, std::int32_t client_height);
