// Averaging buckets of the moving-average curve: found by key, added one by one or as a batch, cleared.
#include "app/store/bucket_list.h"

#include <algorithm>

std::size_t avg_bucket_list::lower_bound(std::int64_t key) const {
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                                     [](const entry& e, std::int64_t k) { return e.key < k; });
    return static_cast<std::size_t>(it - entries_.begin());
}

const avg_bucket* avg_bucket_list::find(std::int64_t j) const {
    const std::int64_t key = key_of(j);
    const std::size_t i = lower_bound(key);
    return i < entries_.size() && entries_[i].key == key ? &entries_[i].bucket : nullptr;
}

void avg_bucket_list::clear() {
    entries_.clear();
    offset_ = 0;
    changes_.changed_at(0);
}

bool avg_bucket_list::add_cheap(std::int64_t key, double time, double rtt) {
    if (entries_.empty() || entries_.back().key < key) {
        // Grow by half rather than doubling: the list is about as long as the samples.
        if (entries_.size() == entries_.capacity())
            entries_.reserve(entries_.size() + entries_.size() / 2 + 16);
        entries_.push_back(entry{key, avg_bucket{}});
        add_to(entries_.back().bucket, time, rtt);
        changes_.changed_at(entries_.size() - 1);
        return true;
    }
    if (entries_.back().key == key) {
        add_to(entries_.back().bucket, time, rtt);
        changes_.changed_at(entries_.size() - 1);
        return true;
    }
    const std::size_t i = lower_bound(key);
    if (entries_[i].key != key) return false;
    add_to(entries_[i].bucket, time, rtt);
    changes_.changed_at(i);
    return true;
}

void avg_bucket_list::add(std::int64_t key, double time, double rtt) {
    if (add_cheap(key, time, rtt)) return;
    const std::size_t i = lower_bound(key);
    const auto it =
        entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(i), entry{key, avg_bucket{}});
    add_to(it->bucket, time, rtt);
    changes_.changed_at(i);
}

void avg_bucket_list::add_all(std::vector<pending_add>& adds) {
    if (adds.empty()) return;
    // Stable, so each bucket receives its samples in the order they were given.
    std::stable_sort(adds.begin(), adds.end(),
                     [](const pending_add& a, const pending_add& b) { return a.key < b.key; });
    std::vector<entry> fresh;
    for (const pending_add& add : adds) {
        if (fresh.empty() || fresh.back().key != add.key) {
            const std::size_t i = lower_bound(add.key);
            if (i < entries_.size() && entries_[i].key == add.key) {
                add_to(entries_[i].bucket, add.time, add.rtt);
                changes_.changed_at(i);
                continue;
            }
            fresh.push_back(entry{add.key, avg_bucket{}});
        }
        add_to(fresh.back().bucket, add.time, add.rtt);
    }
    if (fresh.empty()) return;
    // The first new bucket lands where the first old one after it stood.
    changes_.changed_at(lower_bound(fresh.front().key));
    // Merge the new buckets in from the back: one pass over the list.
    std::size_t old_size = entries_.size();
    entries_.resize(old_size + fresh.size());
    std::size_t out = entries_.size();
    std::size_t from_fresh = fresh.size();
    while (from_fresh > 0) {
        if (old_size > 0 && entries_[old_size - 1].key > fresh[from_fresh - 1].key) {
            entries_[--out] = entries_[--old_size];
        } else {
            entries_[--out] = fresh[--from_fresh];
        }
    }
}
