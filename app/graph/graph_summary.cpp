#include "app/graph/graph_summary.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "app/graph/graph_mapping.h"

namespace {

constexpr std::size_t min_leaf = 64;
constexpr double infinity = std::numeric_limits<double>::infinity();

// Samples a block of markers holds: at least min_leaf, and enough that a
// node's bits cost at most about two bytes a sample. Every sample of a block
// that holds a column's edge is visited, so the blocks stay as small as that
// allows.
std::size_t marker_leaf(std::size_t words) {
    std::size_t leaf = min_leaf;
    while (leaf < words * 4) leaf *= 2;
    return leaf;
}

// Buckets a block of the curve holds: it keeps runs, not bits, so its size
// does not depend on the height.
constexpr std::size_t curve_leaf = 64;

std::size_t words_for(int rows) {
    return rows > 0 ? (static_cast<std::size_t>(rows) + 63) / 64 : 0;
}

bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

row_key key_of(const view_mapping& view, int height, const line_ends* ends) {
    row_key key;
    key.y_low = view.y_low;
    key.y_high = view.y_high;
    key.y_scale = view.y_scale;
    key.plot_height = view.plot_height;
    key.margin = view.margin;
    key.height = height;
    key.ends = ends;
    return key;
}

// Runs of rows of one column gathered while they overlap or touch, and handed
// on once: the risers of an unbroken stretch of the curve join end to end.
class row_runs {
public:
    // Rows `from` to `to` of column x; `put(x, from, to)` receives the gathered runs.
    template <class Put>
    void add(int x, std::int64_t from, std::int64_t to, Put put) {
        if (active_ && x == x_ && from <= to_ + 1 && to >= from_ - 1) {
            from_ = std::min(from_, from);
            to_ = std::max(to_, to);
            return;
        }
        flush(put);
        active_ = true;
        x_ = x;
        from_ = from;
        to_ = to;
    }
    template <class Put>
    void flush(Put put) {
        if (active_) put(x_, from_, to_);
        active_ = false;
    }

private:
    bool active_ = false;
    int x_ = 0;
    std::int64_t from_ = 0;
    std::int64_t to_ = 0;
};

// Fits the tree to a row layout of `words` words and to this pass's mapping.
template <class Tree>
void fit(Tree& tree, row_key& held, const row_key& key, std::size_t leaf, std::size_t words) {
    if (tree.empty_layout() || tree.leaf() != leaf || tree.words() != words) {
        tree.reset(leaf, words);
    } else if (!held.same(key)) {
        tree.invalidate_all();
    }
    held = key;
}

} // namespace

bool row_key::same(const row_key& other) const {
    return same_bits(y_low, other.y_low) && same_bits(y_high, other.y_high) &&
           same_bits(y_scale, other.y_scale) && same_bits(plot_height, other.plot_height) &&
           same_bits(margin, other.margin) && height == other.height && ends == other.ends;
}

void column_bits::reset(int first_column, int columns, int first_row, int rows) {
    first_column_ = first_column;
    columns_ = std::max(columns, 0);
    first_row_ = first_row;
    rows_ = std::max(rows, 0);
    words_ = words_for(rows_);
    bits_.assign(static_cast<std::size_t>(columns_) * words_, 0);
}

void column_bits::set_rows_in(std::uint64_t* words, std::int64_t from, std::int64_t to) const {
    from = std::max<std::int64_t>(from, first_row_);
    to = std::min<std::int64_t>(to, std::int64_t{first_row_} + rows_ - 1);
    if (from > to) return;
    const std::size_t first = static_cast<std::size_t>(from - first_row_);
    const std::size_t last = static_cast<std::size_t>(to - first_row_);
    const std::uint64_t first_mask = ~std::uint64_t{0} << (first % 64);
    const std::uint64_t last_mask = ~std::uint64_t{0} >> (63 - last % 64);
    if (first / 64 == last / 64) {
        words[first / 64] |= first_mask & last_mask;
        return;
    }
    words[first / 64] |= first_mask;
    for (std::size_t k = first / 64 + 1; k < last / 64; ++k) words[k] = ~std::uint64_t{0};
    words[last / 64] |= last_mask;
}

void column_bits::merge(int x, const std::uint64_t* words) {
    if (!has_column(x)) return;
    std::uint64_t* to = column(x);
    for (std::size_t k = 0; k < words_; ++k) to[k] |= words[k];
}

// Markers.

void marker_summary::prepare(const sample_store& store, const view_mapping& view, int height) {
    const std::size_t words = words_for(height + 2);
    fit(tree_, key_, key_of(view, height, nullptr), marker_leaf(words), words);
    tree_.resize(store.samples.size());
}

void marker_summary::mend_leaf(const sample_store& store, const view_mapping& view, std::size_t j) {
    std::uint64_t* bits = tree_.bits(0, j);
    std::fill(bits, bits + tree_.words(), 0);
    const std::size_t first = j * tree_.leaf();
    const ping_sample* sample = store.samples.data() + first;
    const ping_sample* const end = sample + tree_.leaf();
    // Copies, which the writes below cannot alias.
    const view_mapping rows = view;
    const int last_row = key_.height;
    double low = sample->rtt;
    double high = low;
    for (; sample < end; ++sample) {
        const double rtt = sample->rtt;
        if (rtt < low) low = rtt;
        if (rtt > high) high = rtt;
        int y = 0;
        // Centres above row -1 or below the last row leave no pixel in the bitmap.
        if (rows.marker_row(rtt, y) && y >= -1 && y <= last_row)
            column_bits::set_bit(bits, static_cast<std::size_t>(y + 1));
    }
    meta& m = tree_.meta(0, j);
    m.low = low;
    m.high = high;
    m.first_time = store.samples[first].time;
    m.last_time = store.samples[first + tree_.leaf() - 1].time;
    tree_.validate(0, j);
}

void marker_summary::mend(const sample_store& store, const view_mapping& view, std::size_t level,
                          std::size_t j) {
    if (tree_.valid(level, j)) return;
    if (level == 0) {
        mend_leaf(store, view, j);
        return;
    }
    meta& m = tree_.meta(level, j);
    std::uint64_t* bits = tree_.bits(level, j);
    const std::size_t words = tree_.words();
    std::fill(bits, bits + words, 0);
    const std::size_t first = j * summary_tree<meta>::fanout;
    for (std::size_t c = first; c < first + summary_tree<meta>::fanout; ++c) {
        mend(store, view, level - 1, c);
        const meta& child = tree_.meta(level - 1, c);
        if (c == first) {
            m = child;
        } else {
            // In time order, so that equal extremes keep the first one found.
            if (child.low < m.low) m.low = child.low;
            if (child.high > m.high) m.high = child.high;
            m.last_time = child.last_time;
        }
        const std::uint64_t* child_bits = tree_.bits(level - 1, c);
        for (std::size_t k = 0; k < words; ++k) bits[k] |= child_bits[k];
    }
    tree_.validate(level, j);
}

void marker_summary::extremes(const sample_store& store, const view_mapping& view, int height, double& low,
                              double& high) {
    prepare(store, view, height);
    const ping_sample* const samples = store.samples.data();
    tree_.cover(
        store.first_visible, store.samples.size(),
        [&](std::size_t level, std::size_t j) {
            mend(store, view, level, j);
            const meta& m = tree_.meta(level, j);
            if (m.low < low) low = m.low;
            if (m.high > high) high = m.high;
        },
        [&](std::size_t i) {
            const double rtt = samples[i].rtt;
            if (rtt < low) low = rtt;
            if (rtt > high) high = rtt;
        });
}

const column_bits& marker_summary::centres(const sample_store& store, const view_mapping& view, int width,
                                           int height) {
    prepare(store, view, height);
    centres_.reset(-1, width + 2, -1, height + 2);
    const ping_sample* const samples = store.samples.data();
    const double past_right = static_cast<double>(width) + 1.0;
    // Many samples share a column: the time alone tells when a sample lies in the
    // last column found.
    column_times known;
    const auto column_of = [&view](double time, int& x) { return view.marker_column(time, x); };
    const auto item = [&](std::size_t i) {
        int y = 0;
        if (!view.marker_row(samples[i].rtt, y)) return;
        const double time = samples[i].time;
        int x = known.column();
        if (!known.holds(time)) {
            if (!view.marker_column(time, x)) return;
            known.learn(time, x, view.guess_last_time_in(x), column_of);
        }
        centres_.set(x, y);
    };
    // A block whose first and last sample share a column has all its samples
    // there: the column only grows (or only shrinks) with the time.
    const auto visit = [&](const auto& self, std::size_t level, std::size_t j) -> void {
        mend(store, view, level, j); // done already by extremes(), as a rule
        const meta& m = tree_.meta(level, j);
        const double a = view.offset_of(m.first_time) + plot_left;
        const double b = view.offset_of(m.last_time) + plot_left;
        // Wholly left of column -1 or right of column `width`: no marker reaches the bitmap.
        if (std::max(a, b) <= -2.0 || std::min(a, b) >= past_right) return;
        int xa = 0;
        int xb = 0;
        if (pixel_coord(a, xa) && pixel_coord(b, xb) && xa == xb) {
            centres_.merge(xa, tree_.bits(level, j));
        } else {
            tree_.split(
                level, j, [&](std::size_t child_level, std::size_t c) { self(self, child_level, c); }, item);
        }
    };
    tree_.cover(
        store.first_visible, store.samples.size(),
        [&](std::size_t level, std::size_t j) { visit(visit, level, j); }, item);
    return centres_;
}

// Average curve.

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

void curve_summary::prepare(sample_store& store, const average_steps& steps, const line_ends& ends,
                            int height) {
    fit(tree_, key_, key_of(steps.view(), height, &ends), curve_leaf, 0);
    tree_.changed_from(store.buckets.take_changed_from());
    tree_.resize(store.buckets.size());
}

void curve_summary::mend_leaf(const average_steps& steps, const line_ends& ends, std::size_t j) {
    const std::size_t first = j * tree_.leaf();
    const std::size_t end = first + tree_.leaf();
    // Locals rather than the node's fields, which the compiler would have to
    // store and load again around every write.
    double first_time = infinity;
    double last_time = -infinity;
    bool first_drawn = false;
    int first_y = 0;
    row_set rows;
    const std::int64_t last_row = key_.height - 1;
    int prev_y = -1; // -1: the curve is broken
    std::int64_t prev_key = steps.key_at(first) - 1;
    std::int64_t from = 0;
    std::int64_t to = 0;
    row_runs runs;
    const auto put = [&rows, last_row](int, std::int64_t a, std::int64_t b) {
        a = std::max<std::int64_t>(a, 0);
        b = std::min(b, last_row);
        if (a <= b) rows.add(a, b);
    };
    // Where a riser sets its first row and every step its point, as with GDI+'s
    // lines, a stretch of curve without a break sets every row between its
    // lowest and highest step and no other: it is one run.
    const bool stretches_are_runs = ends.point && ends.first[line_ends::down] && ends.first[line_ends::up];
    bool in_stretch = false;
    int stretch_low = 0;
    int stretch_high = 0;
    for (std::size_t i = first; i < end; ++i) {
        const std::int64_t key = steps.key_at(i);
        if (key != prev_key + 1) prev_y = -1;
        prev_key = key;
        const avg_bucket& bucket = steps.bucket_at(i);
        if (bucket.count != 0) {
            const double time = average_steps::mean(bucket.sum_time, bucket.count);
            if (time < first_time) first_time = time;
            if (time > last_time) last_time = time;
            // No column for this one: the block is never taken as one column.
            if (std::isnan(time)) first_time = -(last_time = infinity);
        }
        int y = 0;
        if (!steps.row_at(i, y)) {
            prev_y = -1;
            continue;
        }
        if (i == first) {
            first_drawn = true;
            first_y = y;
        }
        if (stretches_are_runs) {
            if (prev_y != -1) {
                stretch_low = std::min(stretch_low, y);
                stretch_high = std::max(stretch_high, y);
            } else {
                if (in_stretch) runs.add(0, stretch_low, stretch_high, put);
                in_stretch = true;
                stretch_low = stretch_high = y;
            }
        } else {
            if (i != first && prev_y != -1 && ends.vertical_rows(prev_y, y, from, to))
                runs.add(0, from, to, put);
            // The step itself, from its column to the same column.
            if (ends.point) runs.add(0, y, y, put);
        }
        prev_y = y;
    }
    if (in_stretch) runs.add(0, stretch_low, stretch_high, put);
    runs.flush(put);
    meta& m = tree_.meta(0, j);
    m.first_key = steps.key_at(first);
    m.last_key = prev_key;
    m.first_time = first_time;
    m.last_time = last_time;
    m.first_y = first_y;
    m.last_y = prev_y;
    m.rows = rows;
    m.first_drawn = first_drawn;
}

void curve_summary::mend(const average_steps& steps, const line_ends& ends, std::size_t level,
                         std::size_t j) {
    if (tree_.valid(level, j)) return;
    if (level == 0) {
        mend_leaf(steps, ends, j);
    } else {
        meta& m = tree_.meta(level, j);
        const std::size_t first = j * summary_tree<meta>::fanout;
        const std::int64_t last_row = key_.height - 1;
        std::int64_t from = 0;
        std::int64_t to = 0;
        for (std::size_t c = first; c < first + summary_tree<meta>::fanout; ++c) {
            mend(steps, ends, level - 1, c);
            const meta& child = tree_.meta(level - 1, c);
            if (c == first) {
                m = child;
                continue;
            }
            // The riser into the child's first step, as the walk draws it.
            const bool joined = child.first_key == m.last_key + 1;
            if (joined && m.last_y != -1 && child.first_drawn &&
                ends.vertical_rows(m.last_y, child.first_y, from, to)) {
                from = std::max<std::int64_t>(from, 0);
                to = std::min(to, last_row);
                if (from <= to) m.rows.add(from, to);
            }
            m.rows.add(child.rows);
            m.last_key = child.last_key;
            m.last_y = child.last_y;
            m.first_time = std::min(m.first_time, child.first_time);
            m.last_time = std::max(m.last_time, child.last_time);
        }
    }
    tree_.validate(level, j);
}

const column_bits& curve_summary::pixels(sample_store& store, const average_steps& steps,
                                         const line_ends& ends, int width, int height,
                                         std::vector<curve_step>& wide_steps) {
    prepare(store, steps, ends, height);
    pixels_.reset(0, width, 0, height);
    int prev_y = -1;           // -1: the curve is broken
    std::int64_t prev_key = 0; // of the bucket before; no matter while the curve is broken
    std::int64_t from = 0;
    std::int64_t to = 0;
    row_runs runs;
    const auto put = [this](int x, std::int64_t a, std::int64_t b) { pixels_.set_rows(x, a, b); };
    step_columns columns(steps);
    const auto item = [&](std::size_t i) {
        const std::int64_t key = steps.key_at(i);
        // Buckets missing from the list are empty, and an empty bucket breaks the curve.
        if (key != prev_key + 1) prev_y = -1;
        prev_key = key;
        int y = 0;
        if (!steps.row_at(i, y)) {
            prev_y = -1;
            return;
        }
        const avg_bucket& bucket = steps.bucket_at(i);
        const double mean_time = average_steps::mean(bucket.sum_time, bucket.count);
        int x1 = 0;
        int x2 = 0;
        if (!columns.find(mean_time, x1, x2)) {
            prev_y = -1;
            return;
        }
        if (prev_y != -1 && ends.vertical_rows(prev_y, y, from, to)) runs.add(x1, from, to, put);
        if (x1 == x2) {
            if (ends.point) runs.add(x1, y, y, put);
        } else {
            wide_steps.push_back(curve_step{x1, x2, y});
        }
        prev_y = y;
    };
    // A block whose earliest and latest mean times give steps that start and end
    // in one column has all its steps there: both ends only grow (or only shrink)
    // with the mean time.
    const auto visit = [&](const auto& self, std::size_t level, std::size_t j) -> void {
        mend(steps, ends, level, j);
        const meta& m = tree_.meta(level, j);
        int x = 0;
        if (!m.rows.scattered && columns.one_column(m.first_time, m.last_time, x)) {
            if (m.first_key != prev_key + 1) prev_y = -1;
            if (m.first_drawn && prev_y != -1 && ends.vertical_rows(prev_y, m.first_y, from, to))
                runs.add(x, from, to, put);
            for (int r = 0; r < m.rows.runs; ++r) runs.add(x, m.rows.from[r], m.rows.to[r], put);
            prev_y = m.last_y;
            prev_key = m.last_key;
        } else {
            tree_.split(
                level, j, [&](std::size_t child_level, std::size_t c) { self(self, child_level, c); }, item);
        }
    };
    tree_.cover(
        steps.first(), steps.end(), [&](std::size_t level, std::size_t j) { visit(visit, level, j); }, item);
    runs.flush(put);
    return pixels_;
}
