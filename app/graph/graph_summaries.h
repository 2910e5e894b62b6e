// The summaries of one graph, kept beside its store, and the pixels a paint takes from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/graph/curve_summary.h"
#include "app/graph/marker_shape.h"
#include "app/graph/marker_summary.h"
#include "app/store/sample_store.h"

// Both summaries of a graph. They follow one store, whose change marks they
// take: whatever owns the store owns these beside it.
struct graph_summaries {
    marker_summary markers;
    curve_summary curve;

    // Takes what changed in the store since the last call; with the store's lock held.
    void follow(sample_store& store) {
        markers.changed_from(store.sample_changes.take());
        curve.changed_from(store.buckets.changes().take());
    }
    std::size_t memory_bytes() const { return markers.memory_bytes() + curve.memory_bytes(); }
};

// The marker pixels of the visible samples, column by column from 0 to width - 1,
// to `out.column_bits(x, words, count, first_row)` (bit b standing for row
// first_row + b). The time scale must pass view.columns_monotonic().
template <class Out>
void draw_summarised_markers(marker_summary& markers, const sample_store& store, const view_mapping& view,
                             int width, int height, Out& out) {
    const column_bits& centres = markers.centres(store, view, width, height);
    std::vector<std::uint64_t> column(centres.words());
    for (int x = 0; x < width; ++x) {
        marker_column(centres, x, column.data());
        out.column_bits(x, column.data(), column.size(), centres.first_row());
    }
}

// The pixels of the average curve drawn by `ends`: columns to `out.column_bits`
// as above, the steps wider than a column to `out.row(y, from, to)`.
template <class Out>
void draw_summarised_curve(curve_summary& curve, const average_steps& steps, const line_ends& ends, int width,
                           int height, Out& out) {
    std::vector<curve_step> wide;
    const column_bits& pixels = curve.pixels(steps, ends, width, height, wide);
    for (int x = 0; x < width; ++x) out.column_bits(x, pixels.column(x), pixels.words(), 0);
    for (const curve_step& step : wide) draw_straight_line(ends, step.x1, step.y, step.x2, step.y, out);
}
