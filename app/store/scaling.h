// Axis scaling and averaging: visible window, running statistics, y-axis range, grid step, buckets.
#pragma once

#include <cstdint>
#include <vector>

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

// Grid step for a plot of `plot_height` whole pixels: 1, 2 or 5 times a power of
// ten, about one interval per 100 pixels. Returns y_low itself when the range or
// the height is not positive; the result may then be zero or negative, so use
// grid_label_values to walk the labels.
double nice_step(int plot_height, double y_low, double y_range);

// The grid label values from the bottom up: ceil(y_low / step) * step, then
// adding step while the value stays <= y_high; the first value is always given.
// When step is not a positive finite number, or the values are not finite, the
// one label is y_low. The sequence ends when adding step no longer changes the
// value, and after at most max_grid_labels values.
constexpr std::size_t max_grid_labels = 1000;
std::vector<double> grid_label_values(double y_low, double y_high, double step);

// Truncation toward zero into the 32-bit range, for values that may be huge or
// not a number (NaN gives 0): pixel coordinates and label tenths.
std::int32_t truncate_to_int32(double value);
