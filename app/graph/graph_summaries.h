// What a graph keeps of its store between paints, and the pixels a paint takes from it.
#pragma once

#include "app/graph/curve_picture.h"
#include "app/graph/marker_picture.h"
#include "app/graph/sample_extremes.h"
#include "app/store/sample_store.h"
#include <cstddef>

// The summaries of a graph: the samples' extremes, and the pictures of the
// markers and the curve as counts a pixel. They follow one store, whose change
// marks they take: whatever owns the store owns these beside it.
struct graph_summaries {
    sample_extremes extremes;
    marker_picture markers;
    curve_picture curve;

    // Takes what changed in the store since the last call; with the store's lock held.
    void follow(sample_store& store) {
        const std::size_t samples = store.sample_changes.take();
        extremes.changed_from(samples);
        markers.changed_from(samples);
        curve.changed_from(store.buckets.changes().take());
    }
    std::size_t memory_bytes() const {
        return extremes.memory_bytes() + markers.memory_bytes() + curve.memory_bytes();
    }
};

// The marker pixels of the visible samples, to `out.draw_bits(bits)` as bits of
// the columns 0 to width - 1 (rows from bits.first_row()). The time scale must
// pass view.columns_monotonic().
template <class Out>
void draw_summarised_markers(marker_picture& markers, const sample_store& store, const view_mapping& view,
                             int width, int height, Out& out) {
    out.draw_bits(markers.pixels(store, view, width, height));
}

// The pixels of the average curve drawn by `ends`, to `out.draw_bits(bits)`.
template <class Out>
void draw_summarised_curve(curve_picture& curve, const sample_store& store, const average_steps& steps,
                           const line_ends& ends, int width, int height, Out& out) {
    out.draw_bits(curve.pixels(store, steps, ends, width, height));
}
