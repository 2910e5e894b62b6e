// Sample intake: batches merged into the store, and the two clears of the graph.
#include "app/store/sample_intake.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/store/scaling.h"

namespace {

bool is_storable(const ping_sample& sample) {
    return std::isfinite(sample.time) && std::isfinite(sample.rtt);
}

bool earlier(const ping_sample& a, const ping_sample& b) {
    return a.time < b.time;
}

// Merges the ascending runs [first, middle) and [middle, last) in place, stably,
// buffering the shorter run and merging from its side.
void merge_runs(std::vector<ping_sample>& samples, std::size_t first, std::size_t middle, std::size_t last) {
    ping_sample* const data = samples.data();
    if (last - middle <= middle - first) {
        // The later run is shorter (the usual case: a small batch): merge from the back.
        const std::vector<ping_sample> later(data + middle, data + last);
        std::size_t out = last;
        std::size_t from_earlier = middle;
        std::size_t from_later = later.size();
        while (from_later > 0) {
            if (from_earlier > first && earlier(later[from_later - 1], data[from_earlier - 1])) {
                data[--out] = data[--from_earlier];
            } else {
                data[--out] = later[--from_later];
            }
        }
    } else {
        const std::vector<ping_sample> sooner(data + first, data + middle);
        std::size_t out = first;
        std::size_t from_sooner = 0;
        std::size_t from_later = middle;
        while (from_sooner < sooner.size()) {
            if (from_later < last && earlier(data[from_later], sooner[from_sooner])) {
                data[out++] = data[from_later++];
            } else {
                data[out++] = sooner[from_sooner++];
            }
        }
    }
}

// Puts the new run [old, end) into place: sorts it, then merges only the part of
// both runs that overlaps in time. Returns the first index whose sample changed.
std::size_t sort_into_place(std::vector<ping_sample>& samples, std::size_t old) {
    const auto begin = samples.begin();
    const auto middle = begin + static_cast<std::ptrdiff_t>(old);
    if (!std::is_sorted(middle, samples.end(), earlier)) std::stable_sort(middle, samples.end(), earlier);
    if (old == 0 || middle == samples.end() || !earlier(*middle, *(middle - 1))) return old;
    // Stored samples not later than the batch's oldest stay; new samples not earlier
    // than the newest stored one are already in place. Equal times keep stored first.
    const auto first = std::upper_bound(begin, middle, *middle, earlier);
    const auto last = std::lower_bound(middle, samples.end(), *(middle - 1), earlier);
    merge_runs(samples, static_cast<std::size_t>(first - begin), old, static_cast<std::size_t>(last - begin));
    return static_cast<std::size_t>(first - begin);
}

std::size_t grown_capacity(std::size_t capacity, std::size_t needed) {
    return std::max(needed, capacity + capacity / 2);
}

// Stores the batch after the first `old` samples; see append_samples.
void take_batch(sample_store& store, const unsigned char* bytes, std::size_t count, std::size_t old) {
    std::vector<ping_sample>& samples = store.samples;
    // The window statistics cover first_visible to the end. A new sample that the
    // merge places before the last sample already taken out of them (the one just
    // before first_visible) must stay out too, and first_visible moves past it. The
    // merge keeps stored samples first on equal times, so that is a sample strictly
    // earlier than that one. Any later sample joins the window; scale_y takes it out
    // again if it lies left of left_time.
    const bool has_boundary = store.first_visible > 0 && store.first_visible <= old;
    const double boundary = has_boundary ? samples[store.first_visible - 1].time : 0.0;
    std::size_t placed_before_window = 0;
    std::vector<avg_bucket_list::pending_add> deferred;

    for (std::size_t i = 0; i < count; ++i) {
        ping_sample sample;
        std::memcpy(&sample, bytes + i * sizeof(ping_sample), sizeof(ping_sample));
        if (!is_storable(sample)) continue;
        samples.push_back(sample);
        if (has_boundary && sample.time < boundary) {
            ++placed_before_window;
        } else {
            add_to_window(store, sample.rtt);
        }
        // Same effect as bucket_add, but a bucket that would have to be inserted in
        // the middle of the list waits, so that a batch reaching far back costs one
        // pass over the buckets rather than one per sample.
        std::int64_t key = 0;
        if (bucket_key(store, sample.time, key) && !store.buckets.add_cheap(key, sample.time, sample.rtt)) {
            deferred.push_back(avg_bucket_list::pending_add{key, sample.time, sample.rtt});
        }
    }
    store.buckets.add_all(deferred);
    store.sample_changes.changed_at(sort_into_place(samples, old));
    store.first_visible += static_cast<std::uint32_t>(placed_before_window);
}

} // namespace

std::size_t append_samples(sample_store& store, const void* records, std::size_t count) {
    if (count == 0 || records == nullptr) return 0;
    lock_guard guard(store.lock);
    std::vector<ping_sample>& samples = store.samples;
    const std::size_t old = samples.size();
    if (samples.capacity() < old + count) samples.reserve(grown_capacity(samples.capacity(), old + count));
    const double sum = store.win_sum, sum_sq = store.win_sum_sq, low = store.win_min, high = store.win_max;
    const std::uint32_t window_count = store.win_count;
    try {
        take_batch(store, static_cast<const unsigned char*>(records), count, old);
    } catch (...) {
        // Out of memory part way: the stored samples are still untouched in front,
        // so drop the batch whole and leave a consistent store behind.
        samples.resize(old);
        store.sample_changes.changed_at(0);
        store.win_sum = sum;
        store.win_sum_sq = sum_sq;
        store.win_min = low;
        store.win_max = high;
        store.win_count = window_count;
        try {
            rebuild_buckets(store);
        } catch (...) {
            store.buckets.clear();
            store.bucket_origin = bucket_origin_unset;
        }
        throw;
    }
    return samples.size() - old;
}

void clear_all(sample_store& store, std::int32_t client_height) {
    lock_guard guard(store.lock);
    store.samples.clear();
    store.sample_changes.changed_at(0);
    recompute_window(store, client_height);
    rebuild_buckets(store);
}

void clear_outside(sample_store& store, std::int32_t client_height) {
    lock_guard guard(store.lock);
    std::vector<ping_sample>& samples = store.samples;
    const double left = store.left_time;
    const auto keep = std::find_if(samples.begin(), samples.end(),
                                   [left](const ping_sample& s) { return !(s.time < left); });
    samples.erase(samples.begin(), keep);
    store.sample_changes.changed_at(0);
    recompute_window(store, client_height);
    rebuild_buckets(store);
}
