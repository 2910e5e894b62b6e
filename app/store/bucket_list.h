// Averaging buckets of the moving-average curve, stored only where samples fall.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/store/change_mark.h"

// Sums of the samples that fell into one bucket. A new bucket is all zero.
struct avg_bucket {
    double sum_time = 0.0; // sum of the sample times added
    double sum_rtt = 0.0;  // sum of their round-trip times
    std::uint32_t count = 0;
};

// The buckets that hold at least one sample, ascending by bucket index. Bucket j
// covers the times from bucket_origin + j * bucket_width; indices absent from the
// list are empty buckets (count 0). Memory therefore grows with the samples, not
// with the time they span, however small the width or far apart the samples.
//
// Moving the origin back by d widths adds d to every index. That costs O(1): the
// list keeps indices relative to a running offset. All indices stay within
// +-2 * index_limit, so they convert to double exactly.
class avg_bucket_list {
public:
    // Largest |index| (and largest total origin shift) the list accepts: 2^52.
    static constexpr double index_limit = 4503599627370496.0;

    // A sample waiting to be added, keyed by its index relative to the offset.
    struct pending_add {
        std::int64_t key;
        double time;
        double rtt;
    };

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    // The i-th bucket that holds samples (0 <= i < size()), and its index j.
    std::int64_t index_at(std::size_t i) const { return entries_[i].key + offset_; }
    // Its key: the index less a running offset. Keys differ as the indices do.
    std::int64_t key_at(std::size_t i) const { return entries_[i].key; }
    const avg_bucket& bucket_at(std::size_t i) const { return entries_[i].bucket; }

    // The bucket of index j, or null when it holds no sample.
    const avg_bucket* find(std::int64_t j) const;

    // Removes every bucket and resets the offset.
    void clear();

    // Whether the origin may move back by d more widths without leaving the index range.
    bool can_shift(std::int64_t d) const {
        return d >= 0 && static_cast<double>(offset_) + static_cast<double>(d) <= index_limit;
    }
    // Called after the origin moved back by d widths: index j becomes j + d.
    void shift(std::int64_t d) { offset_ += d; }

    // The key under which index j is kept (stays valid across later shifts).
    std::int64_t key_of(std::int64_t j) const { return j - offset_; }

    // Adds a sample to the bucket with this key when that is cheap (the bucket exists,
    // or the key lies past the last bucket); returns false, changing nothing, when it
    // would need an insertion in the middle of the list.
    bool add_cheap(std::int64_t key, double time, double rtt);

    // Adds a sample, whatever its key.
    void add(std::int64_t key, double time, double rtt);

    // Adds samples whose keys all lie between existing buckets, all in one pass; the
    // sums of one bucket are accumulated in the order of the list. Reorders `adds`.
    void add_all(std::vector<pending_add>& adds);

    // Bytes held by the list (capacity, not size).
    std::size_t memory_bytes() const { return entries_.capacity() * sizeof(entry); }

    // The first position whose bucket was added, changed, moved or removed, for
    // pictures that follow the list. A shift changes no position.
    change_mark& changes() { return changes_; }

private:
    struct entry {
        std::int64_t key;
        avg_bucket bucket;
    };

    std::size_t lower_bound(std::int64_t key) const;
    static void add_to(avg_bucket& bucket, double time, double rtt) {
        bucket.sum_time += time;
        bucket.count += 1;
        bucket.sum_rtt += rtt;
    }

    std::vector<entry> entries_;
    std::int64_t offset_ = 0;
    change_mark changes_;
};
