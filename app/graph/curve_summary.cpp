#include "app/graph/curve_summary.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Buckets a block of the curve holds: it keeps runs, not bits, so its size
// does not depend on the height.
constexpr std::size_t curve_leaf = 64;
constexpr double infinity = std::numeric_limits<double>::infinity();

// The columns of a block's buckets when the block is taken whole into one
// column: the steps all lie there, and the range of their mean times tells when
// the block can be taken so.
struct block_column {
    double first_time = infinity;
    double last_time = -infinity;

    bool operator()(double mean_time, int& x1, int& x2) {
        if (mean_time < first_time) first_time = mean_time;
        if (mean_time > last_time) last_time = mean_time;
        // No column for this one: the block is never taken whole.
        if (std::isnan(mean_time)) first_time = -(last_time = infinity);
        x1 = x2 = 0;
        return true;
    }
};

// The rows a block sets in its one column, within the bitmap's rows.
struct block_rows {
    row_set& rows;
    std::int64_t last_row;

    void column(int, std::int64_t from, std::int64_t to) {
        from = std::max<std::int64_t>(from, 0);
        to = std::min(to, last_row);
        if (from <= to) rows.add(from, to);
    }
    void wide_step(int, int, int) {} // none: the block's steps all start and end in its column
};

// The curve's pixels of a paint: rows in the columns, and the steps that leave theirs.
struct curve_pixels_out {
    column_bits& pixels;
    std::vector<curve_step>& wide_steps;

    void column(int x, std::int64_t from, std::int64_t to) { pixels.set_rows(x, from, to); }
    void wide_step(int x1, int x2, int y) { wide_steps.push_back(curve_step{x1, x2, y}); }
};

} // namespace

void row_set::add(std::int64_t a, std::int64_t b) {
    if (scattered) return;
    // Join every run that overlaps or touches a..b, then keep the runs in order.
    int kept = 0;
    for (int r = 0; r < runs; ++r) {
        if (from[r] <= b + 1 && to[r] >= a - 1) {
            a = std::min<std::int64_t>(a, from[r]);
            b = std::max<std::int64_t>(b, to[r]);
        } else {
            from[kept] = from[r];
            to[kept] = to[r];
            ++kept;
        }
    }
    if (kept == max_runs) {
        scattered = true;
        return;
    }
    int at = kept;
    while (at > 0 && from[at - 1] > b) {
        from[at] = from[at - 1];
        to[at] = to[at - 1];
        --at;
    }
    from[at] = static_cast<std::int32_t>(a);
    to[at] = static_cast<std::int32_t>(b);
    runs = static_cast<std::uint8_t>(kept + 1);
}

void row_set::add(const row_set& other) {
    if (other.scattered) scattered = true;
    for (int r = 0; r < other.runs && !scattered; ++r) add(other.from[r], other.to[r]);
}

void curve_summary::prepare(const average_steps& steps, const line_ends& ends, int height) {
    tree_.fit(row_key(steps.view(), height, &ends), curve_leaf, 0);
    tree_.resize(steps.bucket_count());
}

void curve_summary::mend_leaf(const average_steps& steps, const line_ends& ends, std::size_t j) {
    const std::size_t first = j * tree_.leaf();
    const std::size_t end = first + tree_.leaf();
    meta& m = tree_.meta(0, j);
    m.rows = row_set();
    block_rows out{m.rows, std::int64_t{tree_.key().height} - 1};
    curve_lines<block_rows> lines(ends, out);
    block_column columns;
    // The block starts with the curve broken: its first step is recorded for the
    // riser into it, which the curve before the block decides.
    curve_joint joint{steps.key_at(first) - 1, -1};
    walk_bucket(steps, first, joint, columns, lines);
    m.piece.first_key = steps.key_at(first);
    m.piece.first_drawn = joint.y != -1;
    m.piece.first_y = joint.y;
    for (std::size_t i = first + 1; i < end; ++i) walk_bucket(steps, i, joint, columns, lines);
    lines.flush();
    m.piece.last_key = joint.key;
    m.piece.last_y = joint.y;
    m.first_time = columns.first_time;
    m.last_time = columns.last_time;
}

void curve_summary::join(const line_ends& ends, meta& m, const meta& child) const {
    // The riser into the child's first step, as the walk draws it.
    block_rows out{m.rows, std::int64_t{tree_.key().height} - 1};
    curve_lines<block_rows> riser(ends, out);
    curve_joint joint{m.piece.last_key, m.piece.last_y};
    join_piece(joint, child.piece, 0, riser);
    riser.flush();
    m.rows.add(child.rows);
    m.piece.last_key = joint.key;
    m.piece.last_y = joint.y;
    m.first_time = std::min(m.first_time, child.first_time);
    m.last_time = std::max(m.last_time, child.last_time);
}

void curve_summary::mend(const average_steps& steps, const line_ends& ends, std::size_t level,
                         std::size_t j) {
    auto leaf = [&](std::size_t block) { mend_leaf(steps, ends, block); };
    auto joined = [&](meta& m, const meta& child) { join(ends, m, child); };
    tree_.mend(level, j, leaf, joined);
}

const column_bits& curve_summary::pixels(const average_steps& steps, const line_ends& ends, int width,
                                         int height, std::vector<curve_step>& wide_steps) {
    prepare(steps, ends, height);
    pixels_.reset(0, width, 0, height);
    curve_pixels_out out{pixels_, wide_steps};
    curve_lines<curve_pixels_out> lines(ends, out);
    step_columns columns(steps);
    curve_joint joint;
    const auto item = [&](std::size_t i) { walk_bucket(steps, i, joint, columns, lines); };
    // A block whose earliest and latest mean times give steps that start and end
    // in one column has all its steps there: both ends only grow (or only shrink)
    // with the mean time.
    const auto visit = [&](const auto& self, std::size_t level, std::size_t j) -> void {
        mend(steps, ends, level, j);
        const meta& m = tree_.meta(level, j);
        int x = 0;
        if (!m.rows.scattered && columns.one_column(m.first_time, m.last_time, x)) {
            join_piece(joint, m.piece, x, lines);
            for (int r = 0; r < m.rows.runs; ++r) lines.rows(x, m.rows.from[r], m.rows.to[r]);
        } else {
            tree_.split(
                level, j, [&](std::size_t child_level, std::size_t c) { self(self, child_level, c); }, item);
        }
    };
    tree_.cover(
        steps.first_bucket(), steps.bucket_count(),
        [&](std::size_t level, std::size_t j) { visit(visit, level, j); }, item);
    lines.flush();
    return pixels_;
}
