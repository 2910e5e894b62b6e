// Axis scaling and averaging: visible window, running statistics, y-axis range, buckets.
#pragma once

#include <cstdint>

#include "app/store/sample_store.h"

// All of these expect the caller to hold store.lock.

// Adds one sample to its averaging bucket; the first bucket sets the origin, and a
// sample more than one width before the origin moves the origin back by whole
// widths. A sample whose bucket index would exceed avg_bucket_list::index_limit,
// or any sample while bucket_width is not a positive finite number, joins no bucket.
void bucket_add(sample_store& store, double time, double rtt);

// The first part of bucket_add: sets or moves the origin as needed and gives the
// key under which the sample's bucket is kept; false when it joins no bucket.
bool bucket_key(sample_store& store, double time, std::int64_t& key);

// Takes a round-trip time into the window statistics (sums, count, min and max).
void add_to_window(sample_store& store, double rtt);

// Rebuilds all buckets from all samples with the current width.
void rebuild_buckets(sample_store& store);

// Sets right_time and left_time from the newest sample and idle_secs. Does
// nothing when there is no sample.
void set_time_window(sample_store& store);

// Finds first_visible again, recomputes the window statistics, forces a rescale
// and runs scale_y. With no samples the time edges keep their values.
void recompute_window(sample_store& store, std::int32_t client_height);

// Takes the samples that left the window out of the statistics, rescales the
// y axis when the data left its inner range, and sets y_range, plot_height
// (client_height - 2 * margin) and y_scale.
void scale_y(sample_store& store, std::int32_t client_height);
