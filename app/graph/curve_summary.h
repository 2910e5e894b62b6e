// Block summaries of the averaging buckets: what each block draws of the average curve in one column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/graph/column_bits.h"
#include "app/graph/curve_walk.h"
#include "app/graph/summary_tree.h"

// A horizontal step of the average curve that covers more than one column.
struct curve_step {
    int x1;
    int x2;
    int y;
};

// Rows of one column as up to two runs; more make it `scattered`.
struct row_set {
    static constexpr int max_runs = 2;
    std::int32_t from[max_runs];
    std::int32_t to[max_runs];
    std::uint8_t runs = 0;
    bool scattered = false;

    // Adds rows `a` to `b` (a <= b), joining runs that overlap or touch.
    void add(std::int64_t a, std::int64_t b);
    void add(const row_set& other);
};

// Per block of buckets, the range of mean times (which tells whether every step
// of the block lies in one column) and, for such a column, the rows its steps and
// the risers between them set, with what the curve around the block needs to
// join it. The rows of a stretch of curve without a break join up into one run,
// so a block keeps them as a few runs, whatever the window's height.
class curve_summary {
public:
    // The buckets from position `first` on changed (added, merged or removed).
    void changed_from(std::size_t first) { tree_.changed_from(first); }

    // The pixels of the average curve, as walk_curve's lines drawn by `ends` set
    // them: every riser, and every step that starts and ends in one column, as
    // rows of the columns 0 to width - 1 (rows 0 to height - 1); the other steps in
    // `wide_steps`. The time scale must pass view.columns_monotonic().
    const column_bits& pixels(const average_steps& steps, const line_ends& ends, int width, int height,
                              std::vector<curve_step>& wide_steps);

    std::size_t memory_bytes() const { return tree_.memory_bytes(); }

private:
    struct meta {
        double first_time; // smallest mean time of the block's buckets
        double last_time;  // largest
        // With the keys of the first and last bucket, which tell gaps; kept here
        // for the reason marker_summary keeps the sample times.
        curve_piece piece;
        row_set rows; // rows set in the column, within the bitmap
    };
    void prepare(const average_steps& steps, const line_ends& ends, int height);
    void mend(const average_steps& steps, const line_ends& ends, std::size_t level, std::size_t j);
    void mend_leaf(const average_steps& steps, const line_ends& ends, std::size_t j);
    void join(const line_ends& ends, meta& m, const meta& child) const;

    summary_tree<meta> tree_;
    column_bits pixels_; // kept between paints for its memory
};
