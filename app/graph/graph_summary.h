// Block summaries of the samples and buckets, kept between paints, from which a paint finds
// what each pixel column shows without visiting the column's samples one by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/graph/summary_tree.h"

struct sample_store;
struct view_mapping;
struct line_ends;
class average_steps;

// The vertical mapping that the row bits of a summary were made under; any
// difference (a rescale, a resize, another bitmap) makes them all stale.
struct row_key {
    double y_low = 0.0;
    double y_high = 0.0;
    double y_scale = 0.0;
    double plot_height = 0.0;
    double margin = 0.0;
    int height = -1; // rows of the bitmap
    const line_ends* ends = nullptr;

    bool same(const row_key& other) const;
};

// The samples' summaries: per block, the smallest and largest round-trip time
// (for win_min and win_max) and the rows of its marker centres.
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

    summary_tree<meta> tree_;
    row_key key_;
    column_bits centres_; // kept between paints for its memory
};

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

// The buckets' summaries for the average curve: per block, the range of mean
// times (which tells whether every step of the block lies in one column) and,
// for such a column, the rows its steps and the risers between them set, the
// row of its first step and the curve's state after its last. The rows of a
// stretch of curve without a break join up into one run, so a block keeps them
// as a few runs, whatever the window's height.
class curve_summary {
public:
    // Summaries follow the bucket list by its record of changed positions.

    // The pixels of the average curve, as a walk over the buckets from the first
    // one right of left_time draws them with lines that follow `ends`: every
    // riser, and every step that starts and ends in one column, as rows of the
    // columns 0 to width - 1 (rows 0 to height - 1); the other steps in
    // `wide_steps`. The time scale must pass view.columns_monotonic().
    const column_bits& pixels(sample_store& store, const average_steps& steps, const line_ends& ends,
                              int width, int height, std::vector<curve_step>& wide_steps);

    std::size_t memory_bytes() const { return tree_.memory_bytes(); }

private:
    struct meta {
        double first_time; // smallest mean time of the block's buckets
        double last_time;  // largest
        // Keys of the first and last bucket, which tell gaps as the indices do;
        // kept here for the reason the sample times are kept above.
        std::int64_t first_key;
        std::int64_t last_key;
        int first_y;      // row of the first bucket's step, when drawn
        int last_y;       // the curve's row after the last bucket, -1 when broken
        row_set rows;     // rows set in the column, within the bitmap
        bool first_drawn; // the first bucket draws a step
    };
    void prepare(sample_store& store, const average_steps& steps, const line_ends& ends, int height);
    void mend(const average_steps& steps, const line_ends& ends, std::size_t level, std::size_t j);
    void mend_leaf(const average_steps& steps, const line_ends& ends, std::size_t j);

    summary_tree<meta> tree_;
    row_key key_;
    column_bits pixels_; // kept between paints for its memory
};
