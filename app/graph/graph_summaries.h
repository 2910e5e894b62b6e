// What a graph keeps of its store between paints, and the pixels a paint takes from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/graph/curve_picture.h"
#include "app/graph/marker_picture.h"
#include "app/graph/marker_shape.h"
#include "app/graph/sample_extremes.h"
#include "app/store/sample_store.h"

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

// The marker pixels of the visible samples, column by column from 0 to width - 1,
// to `out.column_bits(x, words, count, first_row)` (bit b standing for row
// first_row + b). The time scale must pass view.columns_monotonic().
template <class Out>
void draw_summarised_markers(marker_picture& markers, const sample_store& store, const view_mapping& view,
                             int width, int height, Out& out) {
    const column_bits& centres = markers.centres(store, view, width, height);
    std::vector<std::uint64_t> column(centres.words());
    for (int x = 0; x < width; ++x) {
        marker_column(centres, x, column.data());
        out.column_bits(x, column.data(), column.size(), centres.first_row());
    }
}

// The pixels of the average curve drawn by `ends`, column by column as above.
template <class Out>
void draw_summarised_curve(curve_picture& curve, const sample_store& store, const average_steps& steps,
                           const line_ends& ends, int width, int height, Out& out) {
    const column_bits& pixels = curve.pixels(store, steps, ends, width, height);
    for (int x = 0; x < width; ++x) out.column_bits(x, pixels.column(x), pixels.words(), 0);
}
