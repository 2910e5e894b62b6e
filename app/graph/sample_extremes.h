// Block summaries of the samples' round-trip times: the extremes of the visible ones without a walk over all.
#pragma once

#include <cstddef>

#include "app/graph/summary_tree.h"
#include "app/store/sample_store.h"

// Per block of samples, the smallest and largest round-trip time, which no
// mapping to pixels changes: a paint finds win_min and win_max from the blocks
// and the few samples beside them.
class sample_extremes {
public:
    // The samples from index `first` on changed (merged, inserted or removed).
    void changed_from(std::size_t first) { tree_.changed_from(first); }

    // The smallest and largest round-trip time of the samples from first_visible
    // to the end, as a walk in time order with strict comparisons from `low` and
    // `high` finds them.
    void find(const sample_store& store, double& low, double& high);

    std::size_t memory_bytes() const { return tree_.memory_bytes(); }

private:
    struct meta {
        double low;
        double high;
    };
    static void join(meta& m, const meta& child);
    void update(const sample_store& store, std::size_t level, std::size_t j);

    summary_tree<meta, 64> tree_;
};
