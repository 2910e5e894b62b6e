// The pixels of the average curve, counted per pixel and followed from paint to paint.
#pragma once

#include <cstddef>
#include <vector>

#include "app/graph/column_bits.h"
#include "app/graph/column_counts.h"
#include "app/graph/column_starts.h"
#include "app/graph/curve_walk.h"
#include "app/graph/line_ends.h"
#include "app/graph/picture_key.h"

// How many of the curve's risers and steps set each pixel of the columns 0 to
// the bitmap's width, as walk_curve's lines drawn by `ends` set them. A bucket
// sets the pixels of its riser and its step, which its own mean time, the
// bucket before it and the mapping decide. Between two paints the buckets whose
// step starts or ends in another column, and those the walk now starts at, are
// taken out with their old pixels and put back with their new ones; the
// buckets that changed are counted again with every column they reach. Where
// the buckets are so few for their columns that many of them change column
// between two paints (1 s buckets of an hour across 1920 columns), the curve is
// drawn afresh as bits at every paint, until they are many enough again.
class curve_picture {
public:
    // The buckets from position `first` on changed (added, merged or removed).
    void changed_from(std::size_t first) {
        if (first < changed_) changed_ = first;
    }

    // The curve's pixels of this pass, rows 0 to height - 1 of the columns 0 to
    // width - 1. The time scale must pass columns_monotonic().
    const column_bits& pixels(const sample_store& store, const average_steps& steps, const line_ends& ends,
                              int width, int height);

    std::size_t memory_bytes() const { return counts_.memory_bytes() + drawn_.memory_bytes(); }

private:
    // The lines the walk drew for the last bucket at the last paint: new samples
    // change its sums, and its old pixels are taken out with these.
    struct bucket_lines {
        std::size_t position = static_cast<std::size_t>(-1);
        bool riser = false;
        bool step = false;
        int riser_at[3] = {}; // x, y1, y2
        int step_at[3] = {};  // x1, x2, y
    };

    void count_all(const average_steps& steps, const line_ends& ends, int width, int height);
    std::size_t draw_all(const average_steps& steps, const line_ends& ends, int width, int height,
                         bool& ordered);
    bool take_appends(const sample_store& store, const line_ends& ends);
    void remember_last(const average_steps& steps);
    bool take_changes(const sample_store& store, const line_ends& ends);
    bool move_steps(const sample_store& store, const average_steps& steps, const line_ends& ends,
                    std::size_t budget);
    void add(const average_steps& steps, const line_ends& ends, std::size_t i, int sign, int from, int to);
    void add(const average_steps& steps, const line_ends& ends, std::size_t i, curve_joint joint, int sign,
             int from, int to);
    curve_joint joint_before(const average_steps& steps, std::size_t i);
    void count_columns(const average_steps& steps, const line_ends& ends, int from, int to);
    void rebuild_starts_from(const average_steps& steps, int from);

    column_counts counts_;
    column_bits drawn_;      // the curve drawn afresh, without counts
    column_starts starts_;   // of the columns where the steps start
    column_starts previous_; // those of the paint before, where drawn afresh
    column_starts ends_;     // of the columns where they end
    picture_key key_;
    view_mapping view_;              // the mapping of the last paint, with its right edge
    std::vector<std::size_t> moved_; // kept for its memory
    std::size_t changed_ = 0;        // first bucket changed since the last paint
    std::size_t first_ = 0;          // first bucket walked at the last paint
    std::size_t size_ = 0;           // buckets at the last paint
    bucket_lines last_;
    bool counted_ = false; // the counts follow the buckets
    bool fresh_ = false;   // the curve is drawn afresh at every paint
};
