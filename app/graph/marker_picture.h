// The marker centres of the visible samples, counted per pixel and followed from paint to paint.
#pragma once

#include <cstddef>

#include "app/graph/column_bits.h"
#include "app/graph/column_counts.h"
#include "app/graph/column_starts.h"
#include "app/graph/picture_key.h"
#include "app/graph/view_mapping.h"
#include "app/store/sample_store.h"

// How many visible samples have their marker centre at each pixel, for the
// columns -1 to the bitmap's width and rows -1 to its height (the centres whose
// marker can reach the bitmap). Between two paints the plot moves by a fraction
// of a column: the samples that change column, arrive or leave are moved, added
// or taken out, and the rest stay counted, so that a paint costs what changed,
// not what the window shows. A rescale, a resize or a new span counts them all
// again, in one pass. Where the samples are so few for the columns they fill
// that most of them change column between two paints (an hour at 10 Hz across
// 1920 columns), moving them costs more than setting the centres afresh, as
// bits without counts, which it then does at every paint until they are many
// enough again.
class marker_picture {
public:
    // The samples from index `first` on changed (merged, inserted or removed).
    void changed_from(std::size_t first) {
        if (first < changed_) changed_ = first;
    }

    // The marker centres of the samples from first_visible to the end, as bits of
    // the columns -1 to `width`, rows -1 to `height`. The time scale must pass
    // view.columns_monotonic().
    const column_bits& centres(const sample_store& store, const view_mapping& view, int width, int height);
    // The marker pixels of those centres: columns 0 to width - 1, rows from -1.
    const column_bits& pixels(const sample_store& store, const view_mapping& view, int width, int height);

    std::size_t memory_bytes() const {
        return counts_.memory_bytes() + marked_.memory_bytes() + pixels_.memory_bytes();
    }

private:
    bool take_changes(const sample_store& store);
    bool move_columns(const sample_store& store, const view_mapping& view, std::size_t budget);
    void count_all(const sample_store& store, const view_mapping& view, int width, int height);
    std::size_t mark_all(const sample_store& store, const view_mapping& view, int width, int height);
    void count_columns(const sample_store& store, const view_mapping& view, std::size_t begin, int from,
                       int to);
    void recount_lost(const sample_store& store, const view_mapping& view);

    column_counts counts_;
    column_bits marked_;      // the centres set afresh, without counts
    column_bits pixels_;      // kept between paints for its memory
    column_starts starts_;    // of the columns counted, over all samples
    column_starts previous_;  // those of the paint before, where set afresh
    picture_key key_;         // what the counts were made under
    view_mapping view_;       // the mapping of the last paint, with its right edge
    std::size_t changed_ = 0; // first sample changed since the last paint
    std::size_t begin_ = 0;   // first_visible at the last paint
    std::size_t size_ = 0;    // samples at the last paint
    bool counted_ = false;    // the counts follow the samples
    bool fresh_ = false;      // the centres are set afresh at every paint
};
