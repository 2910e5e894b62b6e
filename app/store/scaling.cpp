// Axis scaling and averaging: visible window, running statistics, y-axis range and buckets.
#include "app/store/scaling.h"

#include <algorithm>
#include <cmath>

void add_to_window(sample_store& store, double x) {
    store.win_sum += x;
    store.win_sum_sq += x * x;
    if (x < store.win_min) store.win_min = x;
    if (x > store.win_max) store.win_max = x;
    store.win_count += 1;
}

namespace {

// Dropping a sample whose square exceeds the remaining sum of squares by this
// factor loses most of the remaining sums to cancellation; they are then summed
// again from the window.
constexpr double cancellation_ratio = 67108864.0; // 2^26

void resum_window(sample_store& store) {
    store.win_sum = 0.0;
    store.win_sum_sq = 0.0;
    for (std::size_t i = store.first_visible; i < store.samples.size(); ++i) {
        const double x = store.samples[i].rtt;
        store.win_sum += x;
        store.win_sum_sq += x * x;
    }
}

// Index of the first sample not earlier than `time`.
std::uint32_t first_not_before(const sample_store& store, double time) {
    const auto it = std::lower_bound(store.samples.begin(), store.samples.end(), time,
                                     [](const ping_sample& s, double t) { return s.time < t; });
    return static_cast<std::uint32_t>(it - store.samples.begin());
}

} // namespace

bool bucket_key(sample_store& store, double time, std::int64_t& key) {
    const double width = store.bucket_width;
    if (!(width > 0.0) || !std::isfinite(width) || !std::isfinite(time)) return false;
    // The origin is "not set" exactly while there is no bucket (a sample may well
    // have the time -1.0 that marks it).
    if (store.buckets.empty()) {
        store.buckets.clear();
        store.bucket_origin = time;
    }
    const double q = (time - store.bucket_origin) / width;
    const double limit = avg_bucket_list::index_limit;
    if (!(q > -limit && q < limit)) return false;
    std::int64_t k = static_cast<std::int64_t>(q); // toward zero: less than a width early joins bucket 0
    if (k < 0) {
        if (!store.buckets.can_shift(-k)) return false;
        store.bucket_origin -= static_cast<double>(-k) * width;
        store.buckets.shift(-k);
        k = 0;
    }
    key = store.buckets.key_of(k);
    return true;
}

void bucket_add(sample_store& store, double time, double rtt) {
    std::int64_t key = 0;
    if (bucket_key(store, time, key)) store.buckets.add(key, time, rtt);
}

void rebuild_buckets(sample_store& store) {
    store.buckets.clear();
    store.bucket_origin = bucket_origin_unset;
    for (const ping_sample& sample : store.samples) bucket_add(store, sample.time, sample.rtt);
}

void set_time_window(sample_store& store) {
    if (store.samples.empty()) return;
    store.right_time = store.samples.back().time + store.idle_secs;
    const double span = static_cast<double>(store.span_secs);
    store.left_time = span <= store.right_time ? store.right_time - span : 0.0;
}

void recompute_window(sample_store& store, std::int32_t client_height) {
    set_time_window(store);
    store.first_visible = first_not_before(store, store.left_time);
    store.win_count = 0;
    store.win_sum = 0.0;
    store.win_sum_sq = 0.0;
    store.win_min = win_none_min;
    store.win_max = win_none_max;
    for (std::size_t i = store.first_visible; i < store.samples.size(); ++i)
        add_to_window(store, store.samples[i].rtt);
    store.y_low = y_low_unset;
    store.y_high = y_high_rescale;
    scale_y(store, client_height);
}

namespace {

void drop_left_samples(sample_store& store) {
    if (store.win_count == 0) return;
    double largest_dropped_sq = 0.0;
    bool dropped = false;
    while (store.first_visible < store.samples.size() &&
           store.samples[store.first_visible].time < store.left_time) {
        const double x = store.samples[store.first_visible].rtt;
        store.win_count -= 1;
        store.win_sum -= x;
        store.win_sum_sq -= x * x;
        largest_dropped_sq = std::max(largest_dropped_sq, x * x);
        store.first_visible += 1;
        dropped = true;
    }
    if (!dropped) return;
    // Huge values leave infinities (inf - inf is NaN) or cancel away the rest of
    // the sums; sum the window again so the statistics keep agreeing with it.
    if (!std::isfinite(store.win_sum) || !std::isfinite(store.win_sum_sq) ||
        !(largest_dropped_sq <= cancellation_ratio * store.win_sum_sq)) {
        resum_window(store);
    }
}

// A finite replacement for an edge of the axis that overflowed.
double finite_or(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

} // namespace

void scale_y(sample_store& store, std::int32_t client_height) {
    drop_left_samples(store);

    const double n = static_cast<double>(store.win_count);
    const double mean = store.win_count >= 1 ? store.win_sum / n : 0.0;
    double sd = 0.0;
    if (store.win_count >= 2) {
        const double variance = (store.win_sum_sq - store.win_sum * store.win_sum / n) / n;
        // Rounding can make the variance slightly negative; huge values can make it
        // infinite or not a number.
        if (variance > 0.0 && std::isfinite(variance)) sd = std::sqrt(variance);
    }

    double hi = mean + 5.0 * sd;
    if (!(hi < store.win_max) || !std::isfinite(hi)) hi = store.win_max;
    const double m = 0.2 * (store.y_high - store.y_low);

    if (store.win_min < store.y_low || hi > store.y_high || store.y_low + m < store.win_min ||
        hi < store.y_high - m) {
        store.y_low = finite_or(store.win_min - sd * 0.125, store.win_min);
        store.y_high = finite_or(hi + sd * 0.5, hi);
    }

    store.y_range = store.y_high - store.y_low;
    store.plot_height = static_cast<double>(client_height) - 2.0 * store.margin;
    // A range too small for the plot scales like an empty one instead of to infinity.
    store.y_scale = store.y_range != 0.0 ? finite_or(store.plot_height / store.y_range, 0.0) : 0.0;
}
