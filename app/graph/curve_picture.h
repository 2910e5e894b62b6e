// The pixels of the average curve, counted per pixel and followed from paint to paint.
#pragma once

#include <cstddef>
#include <vector>

#include "app/graph/column_bits.h"
#include "app/graph/column_counts.h"
#include "app/graph/column_starts.h"
#include "app/graph/curve_walk.h"
#include "app/graph/line_ends.h"
#include "app/graph/marker_shape.h"
#include "app/graph/picture_key.h"
#include "app/graph/picture_policy.h"

// How many of the curve's risers and steps set each pixel of the bitmap, as
// walk_curve's lines drawn by `ends` set them. A bucket's riser and step depend
// on its own mean time, the bucket before it and the mapping. Between two paints
// the buckets whose step starts or ends in another column, and those the walk
// now starts at, are removed with their old pixels and put back with their new
// ones; the columns of buckets that changed are counted again. Where many buckets
// change column between two paints (1 s buckets of an hour across 1920 columns),
// the curve is drawn as bits without counts at every paint instead, until that
// costs more again (picture_policy decides).
class curve_picture {
public:
    // The buckets from position `first` on changed (added, merged or removed).
    void changed_from(std::size_t first) {
        if (first < changed_from_) changed_from_ = first;
    }

    // The curve's pixels of this pass, rows 0 to height - 1 of the columns 0 to
    // width - 1. The time scale must pass columns_monotonic().
    // Its lines are `lines` thick: one pixel unless another thickness is given.
    const column_bits& pixels(const sample_store& store, const average_steps& steps, const line_ends& ends,
                              int width, int height, const thick_line& lines = thick_line(display_scale{}));
    // The columns whose pixels the last pixels() may have changed.
    const changed_columns& changes() const { return changes_; }
    const paint_paths& paths() const { return policy_.paths(); }

    std::size_t memory_bytes() const {
        return counts_.memory_bytes() + fresh_.memory_bytes() + thick_.memory_bytes();
    }

private:
    follow_result follow(const sample_store& store, const average_steps& steps, const line_ends& ends,
                         std::size_t budget);
    bool count_all(const average_steps& steps, const line_ends& ends, int width, int height);
    std::size_t draw_fresh(const average_steps& steps, const line_ends& ends, int width, int height);
    template <class Lines>
    bool walk_noting(const average_steps& steps, int width, Lines& lines);
    bool add_changes(const sample_store& store, const line_ends& ends);
    follow_result move_steps(const sample_store& store, const average_steps& steps, const line_ends& ends,
                             std::size_t budget);
    bool move_buckets(const average_steps& old, const average_steps& steps, const line_ends& ends);
    bool joint_before(const average_steps& steps, std::size_t i, curve_joint& joint);
    bool count_columns(const average_steps& steps, const line_ends& ends, int from, int to);
    void rebuild_starts_from(const average_steps& steps, int from);
    void thicken(const column_bits& thin, const thick_line& lines, int width, int height);

    picture_policy policy_;
    paint_path path_ = paint_path::counted; // of the last paint
    column_counts counts_;
    column_bits fresh_;              // the curve drawn without counts, on the fresh path
    column_bits thick_;              // the last paint's pixels of lines thicker than one pixel
    changed_columns changes_;        // of the pixels at the last paint
    column_starts step_starts_;      // of the columns where the steps start
    column_starts step_ends_;        // of the columns where they end
    column_starts previous_starts_;  // step starts of the paint before, on the fresh path
    picture_key key_;                // the last paint's mapping, size, averaging and line rule
    std::vector<std::size_t> moved_; // buckets a follow moves; a member, so that its memory is reused
    std::size_t changed_from_ = 0;   // first bucket changed since the last paint
    std::size_t first_bucket_ = 0;   // first bucket walked at the last paint
    std::size_t size_ = 0;           // buckets at the last paint
};
