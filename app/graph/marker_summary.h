// Block summaries of the samples: the extremes and marker centres of each block, kept between paints.
#pragma once

#include <cstddef>

#include "app/graph/column_bits.h"
#include "app/graph/summary_tree.h"
#include "app/graph/view_mapping.h"
#include "app/store/sample_store.h"

// Per block of samples, the smallest and largest round-trip time (for win_min
// and win_max) and the rows of its marker centres; from these a paint finds what
// each pixel column shows without visiting the column's samples one by one.
class marker_summary {
public:
    // The samples from index `first` on changed (merged, inserted or removed).
    void changed_from(std::size_t first) { tree_.changed_from(first); }

    // The smallest and largest round-trip time of the samples from first_visible
    // to the end, as a walk in time order with strict comparisons from `low` and
    // `high` finds them. `view` holds this pass's vertical mapping, and `height`
    // is the bitmap's.
    void extremes(const sample_store& store, const view_mapping& view, int height, double& low, double& high);

    // The marker centres of the samples from first_visible to the end, for each
    // column from -1 to `width`, rows -1 to `height` (the centres whose marker can
    // reach a bitmap of that size). The time scale must pass
    // view.columns_monotonic().
    const column_bits& centres(const sample_store& store, const view_mapping& view, int width, int height);

    std::size_t memory_bytes() const { return tree_.memory_bytes(); }

private:
    struct meta {
        double low;
        double high;
        // The times of the first and last sample: a paint decides from the nodes
        // alone which blocks lie in one column, without reading the samples,
        // whose pages a paint would otherwise touch all over.
        double first_time;
        double last_time;
    };
    void prepare(const sample_store& store, const view_mapping& view, int height);
    void mend(const sample_store& store, const view_mapping& view, std::size_t level, std::size_t j);
    void mend_leaf(const sample_store& store, const view_mapping& view, std::size_t j);
    static void join(meta& m, const meta& child);

    summary_tree<meta> tree_;
    column_bits centres_; // kept between paints for its memory
};
