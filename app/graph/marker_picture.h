// The marker centres of the visible samples, counted per pixel and followed from paint to paint.
#pragma once

#include <cstddef>

#include "app/graph/column_bits.h"
#include "app/graph/column_counts.h"
#include "app/graph/column_starts.h"
#include "app/graph/marker_shape.h"
#include "app/graph/picture_key.h"
#include "app/graph/picture_policy.h"
#include "app/graph/view_mapping.h"
#include "app/store/sample_store.h"

// How many visible samples have their marker centre at each pixel whose marker
// can reach the bitmap. Between two live paints the plot moves by a fraction of
// a column: the samples that change column, arrive or leave are moved, added or
// removed, and the rest stay counted, so that a paint costs what changed, not
// what the window shows. A rescale, a resize or a new span counts them all again.
// Where most samples change column between two paints (an hour at 10 Hz across
// 1920 columns), the centres are set as bits without counts at every paint
// instead, until that costs more again (picture_policy decides).
class marker_picture {
public:
    // The samples from index `first` on changed (merged, inserted or removed).
    void changed_from(std::size_t first) {
        if (first < changed_from_) changed_from_ = first;
    }

    // The marker centres of the samples from first_visible to the end, as bits of
    // the columns -reach to width - 1 + reach (reach: the marker's, shape.reach()) and as many rows beyond
    // 0 and height - 1. The time scale must pass view.columns_monotonic().
    const column_bits& centres(const sample_store& store, const view_mapping& view, int width, int height);
    // The marker pixels of those centres: columns 0 to width - 1, rows as the centres'.
    // The marker is that of `shape`: of 96 DPI unless another is given.
    const column_bits& pixels(const sample_store& store, const view_mapping& view, int width, int height,
                              const marker_shape& shape = marker_shape(display_scale{}));
    // The columns whose pixels the last pixels() may have changed.
    const changed_columns& changes() const { return changes_; }
    const paint_paths& paths() const { return policy_.paths(); }

    std::size_t memory_bytes() const {
        return counts_.memory_bytes() + fresh_.memory_bytes() + pixels_.memory_bytes();
    }

private:
    follow_result follow(const sample_store& store, const view_mapping& view, std::size_t budget);
    bool add_changes(const sample_store& store);
    bool move_columns(const sample_store& store, const view_mapping& view, std::size_t budget);
    void count_all(const sample_store& store, const view_mapping& view, int width, int height);
    std::size_t draw_fresh(const sample_store& store, const view_mapping& view, int width, int height);
    void count_columns(const sample_store& store, const view_mapping& view, std::size_t begin, int from,
                       int to);

    marker_shape shape_{display_scale{}}; // of the last paint
    int reach_ = shape_.reach();          // the centres' columns and rows beyond the bitmap
    picture_policy policy_;
    paint_path path_ = paint_path::counted; // of the last paint
    column_counts counts_;
    column_bits fresh_;             // the centres set without counts, on the fresh path
    column_bits pixels_;            // the last paint's marker pixels; a paint redraws the changed columns
    changed_columns changes_;       // of pixels_ at the last paint
    column_starts starts_;          // of the columns of the centres, over all samples
    column_starts previous_;        // those of the paint before, on the fresh path
    picture_key key_;               // the last paint's mapping and size
    std::size_t changed_from_ = 0;  // first sample changed since the last paint
    std::size_t first_visible_ = 0; // at the last paint
    std::size_t size_ = 0;          // samples at the last paint
};
