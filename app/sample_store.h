// Sample store: the time-ordered ping samples, their window statistics, buckets and view state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "app/bucket_list.h"
#include "util/thread/critical_section.h"

#ifdef _WIN32
#include "app/graph_resources_win.h"
#endif

struct brisk_window;

// One record as Echoprobe sends it and as the store keeps it: 16 bytes,
// little-endian, no padding.
struct ping_sample {
    double time; // seconds on the sender's clock
    double rtt;  // round-trip time in the sender's unit
};
static_assert(sizeof(ping_sample) == 16, "ping_sample must be exactly 16 bytes");
static_assert(std::is_trivially_copyable<ping_sample>::value, "ping_sample is copied bytewise");
static_assert(std::is_standard_layout<ping_sample>::value, "ping_sample is a wire record");

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
    double win_min = 60000.0; // 60000 stands for "none yet"
    double win_max = -1.0;    // -1 stands for "none yet"
    std::uint32_t win_count = 0;

    // Averaging.
    avg_bucket_list buckets;
    double bucket_width = 1000.0; // seconds
    double bucket_origin = -1.0;  // start of bucket 0; -1 while there is no bucket
    bool show_avg = true;
    bool only_avg = false;

    brisk_window* owner; // the window that embeds the store; not owned

    // View state.
    std::uint32_t first_visible = 0; // first sample with time >= left_time
    double left_time = 1e9;
    double y_low = 1e9;
    double y_high = -1.0; // -1 forces a rescale
    std::uint32_t span_secs = 60000;
    double idle_secs = 0.0;
    double y_range = 0.0;
    double y_scale = 0.0;
    double margin = 10.0; // pixels above and below the plot
    double plot_height = 0.0;
    double right_time = 0.0;
    double x_scale = 0.0;
    std::uint32_t point_color = 0xFF8FA2FE; // ARGB of the sample markers

#ifdef _WIN32
    graph_resources resources; // pens, label font, format and brush
#endif
};

// Stores `count` records of 16 bytes each, read bytewise from `records` (no
// alignment needed). Records whose time or round-trip time is not finite are not
// stored. Costs the batch's sort plus a merge over the stored samples that are
// newer than the batch's oldest sample.
void append_samples(sample_store& store, const void* records, std::size_t count);

// "Clear whole graph": removes every sample and resets the derived state.
// `client_height` is the owner window's client height in pixels.
void clear_all(sample_store& store, std::int32_t client_height);

// "Clear points outside graph": removes the samples left of left_time and rebuilds
// the derived state from the rest.
void clear_outside(sample_store& store, std::int32_t client_height);
