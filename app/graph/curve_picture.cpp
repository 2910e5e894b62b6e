// The curve picture: its risers and steps counted, followed or drawn fresh.
#include "app/graph/curve_picture.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "app/store/change_mark.h"

namespace {

// Where the step of bucket i starts (x1) or ends (x2), for the buckets the walk
// takes; those before it lie before every column.
int step_column(const average_steps& steps, std::size_t i, bool end) {
    int x1 = 0;
    int x2 = 0;
    if (i < steps.first_bucket() || !steps.columns_of(steps.mean_time_at(i), x1, x2)) return INT_MIN / 2;
    return end ? x2 : x1;
}

// A run sink that adds pixels to the counts (sign 1) or takes them out (-1), within columns `from` to `to`.
struct counted_pixels {
    column_counts& counts;
    int sign;
    int from;
    int to;

    void column(int x, std::int64_t first, std::int64_t last) {
        if (x >= from && x <= to) counts.change_rows(x, first, last, sign);
    }
    void row(int y, std::int64_t first, std::int64_t last) {
        for (std::int64_t x = std::max<std::int64_t>(first, from); x <= std::min<std::int64_t>(last, to); ++x)
            counts.change(static_cast<int>(x), y, sign);
    }
};

// A run sink for a bucket moved to other columns, walked under the last paint's
// mapping (sign -1), then this one's (1). Rows go straight into the counts; of a
// run taken out and one put in in the same column only the rows where the two
// differ are counted: a bucket whose step moved mostly keeps its riser.
struct moved_pixels {
    struct run {
        int x;
        std::int64_t first;
        std::int64_t last;
        int sign;
    };
    counted_pixels& counts;
    std::vector<run> runs;

    void column(int x, std::int64_t first, std::int64_t last) {
        runs.push_back({x, first, last, counts.sign});
    }
    void row(int y, std::int64_t first, std::int64_t last) { counts.row(y, first, last); }
    void finish() {
        const bool pair = runs.size() == 2 && runs[0].x == runs[1].x && runs[0].sign != runs[1].sign;
        for (std::size_t k = 0; k < runs.size(); ++k) {
            const run& r = runs[k];
            const run* other = pair ? &runs[1 - k] : nullptr;
            counts.sign = r.sign;
            if (!other || other->last < r.first || other->first > r.last) {
                counts.column(r.x, r.first, r.last);
                continue;
            }
            if (r.first < other->first) counts.column(r.x, r.first, other->first - 1);
            if (other->last < r.last) counts.column(r.x, other->last + 1, r.last);
        }
        runs.clear();
    }
};

// A curve sink that hands a bucket's riser and step to the run sink `out` as the
// counts want them: the rows its riser and its point set in its column as one run
// (the point lies on the riser's end or next to it), and the row of a step wider
// than a column. The walk that counts a whole picture and the moves of single
// buckets both go through it, so that both count each pixel the same number of times.
template <class Out>
class bucket_pixels {
public:
    bucket_pixels(const line_ends& ends, Out& out) : ends_(ends), out_(out) {}

    void riser(int x, int y1, int y2) {
        x_ = x;
        pending_ = ends_.vertical_rows(y1, y2, from_, to_);
    }
    void step(int x1, int x2, int y) {
        if (x1 == x2 && ends_.point) {
            if (pending_ && x1 == x_) {
                from_ = std::min<std::int64_t>(from_, y);
                to_ = std::max<std::int64_t>(to_, y);
            } else {
                flush();
                x_ = x1;
                from_ = to_ = y;
                pending_ = true;
            }
        }
        flush();
        if (x1 != x2) draw_straight_line(ends_, x1, y, x2, y, out_);
    }

private:
    void flush() {
        if (pending_) out_.column(x_, from_, to_);
        pending_ = false;
    }

    const line_ends& ends_;
    Out& out_;
    bool pending_ = false;
    int x_ = 0;
    std::int64_t from_ = 0;
    std::int64_t to_ = 0;
};

// A run sink for the curve's pixels of a whole walk: runs of rows in the column
// the walk is at kept as differences, and summed into the counts once the walk
// leaves it; the pixels that steps wider than a column set further on go
// straight into the counts.
class walk_counter {
public:
    walk_counter(column_counts& counts, int rows)
        : counts_(counts), rows_(rows), differences_(static_cast<std::size_t>(rows) + 1) {}

    void column(int x, std::int64_t from, std::int64_t to) {
        from = std::max<std::int64_t>(from, 0);
        to = std::min<std::int64_t>(to, rows_ - 1);
        if (from > to || !counts_.has_column(x)) return;
        if (x != x_) flush(x);
        differences_[static_cast<std::size_t>(from)] += 1;
        differences_[static_cast<std::size_t>(to) + 1] -= 1;
        low_ = std::min(low_, static_cast<int>(from));
        high_ = std::max(high_, static_cast<int>(to));
    }
    void row(int y, std::int64_t from, std::int64_t to) {
        for (std::int64_t x = from; x <= to; ++x) {
            if (x == x_ || x == from)
                column(static_cast<int>(x), y, y);
            else
                counts_.change(static_cast<int>(x), y, 1);
        }
    }
    // Sums the runs of the column the walk is at into the counts, and moves to column x.
    void flush(int x = -1) {
        if (low_ <= high_) counts_.add_sums(x_, differences_, low_, high_);
        x_ = x;
        low_ = rows_;
        high_ = -1;
    }

private:
    column_counts& counts_;
    int rows_;
    std::vector<std::int32_t> differences_;
    int x_ = -1;
    int low_ = 0;
    int high_ = -1;
};

// A run sink that sets pixels in bits.
struct drawn_bits {
    column_bits& bits;

    void column(int x, std::int64_t first, std::int64_t last) { bits.set_rows(x, first, last); }
    void row(int y, std::int64_t first, std::int64_t last) {
        first = std::max<std::int64_t>(first, bits.first_column());
        last = std::min<std::int64_t>(last, std::int64_t{bits.first_column()} + bits.columns() - 1);
        for (std::int64_t x = first; x <= last; ++x) bits.set(static_cast<int>(x), y);
    }
};

struct no_lines {
    void riser(int, int, int) {}
    void step(int, int, int) {}
};

struct exact_columns {
    const average_steps& steps;
    bool operator()(double mean_time, int& x1, int& x2) const { return steps.columns_of(mean_time, x1, x2); }
};

} // namespace

const column_bits& curve_picture::pixels(const sample_store& store, const average_steps& steps,
                                         const line_ends& ends, int width, int height,
                                         const thick_line& lines) {
    const int thickness = lines.last - lines.first + 1;
    const picture_key key{steps.view(), width, height, steps.width(), steps.origin(), ends, thickness};
    const std::size_t size = steps.bucket_count();
    const std::size_t budget = fresh_steps_budget(size - std::min(size, steps.first_bucket()), width);
    path_ = policy_.paint(
        key.same_but_time(key_), steps.view().x_scale > 0.0, budget,
        [&](std::size_t most) { return follow(store, steps, ends, most); },
        [&] { return draw_fresh(steps, ends, width, height); },
        [&] { return count_all(steps, ends, width, height); });
    key_ = key;
    changed_from_ = change_mark::none;
    first_bucket_ = steps.first_bucket();
    size_ = size;
    const column_bits& thin = path_ == paint_path::fresh ? fresh_ : counts_.bits();
    if (thickness == 1) {
        changes_.reset(width);
        for (int x = 0; x < width; ++x)
            if (path_ == paint_path::fresh || counts_.changed(x)) changes_.mark(x);
        counts_.forget_changes();
        return thin;
    }
    thicken(thin, lines, width, height);
    return thick_;
}

// The thin curve's pixels with a square of t by t around each, in the words near those whose
// thin pixels changed, of the columns near them: a thick line as the plain drawing makes it, t lines beside
// each other moved by up to t - 1 pixels along. Every pixel of the thin curve lies in the bitmap (its columns
// are clamped to the plot, its rows are those of values on the axis), so none outside can reach in.
void curve_picture::thicken(const column_bits& thin, const thick_line& lines, int width, int height) {
    const bool laid_out = thick_.columns() == width && thick_.rows() == height;
    if (!laid_out) thick_.reset(0, width, 0, height);
    const bool all = !laid_out || path_ == paint_path::fresh;
    const int reach = lines.last - lines.first;
    const marker_shape::bar square{lines.first, lines.last, lines.first, lines.last};
    const auto thicken_words = [&](std::uint64_t* column, int x, std::size_t first, std::size_t end) {
        std::fill(column + first, column + end, 0);
        add_bar_column(thin, x, square, column, first, end);
    };
    changes_.reset(width);
    for (int x = 0; x < width; ++x) {
        std::uint64_t* const column = thick_.column(x);
        if (all)
            thicken_words(column, x, 0, thick_.words());
        else if (!counts_.each_changed_run_near(x, reach, [&](std::size_t first, std::size_t end) {
                     thicken_words(column, x, first, end);
                 }))
            continue;
        changes_.mark(x);
    }
    counts_.forget_changes();
}

follow_result curve_picture::follow(const sample_store& store, const average_steps& steps,
                                    const line_ends& ends, std::size_t budget) {
    if (!add_changes(store, ends)) return follow_result::lost;
    const follow_result moved = move_steps(store, steps, ends, budget);
    if (moved != follow_result::followed) return moved;
    for (int x = 0; x <= step_starts_.last_column(); ++x)
        if (!counts_.counted(x) && !count_columns(steps, ends, x, x)) return follow_result::lost;
    return follow_result::followed;
}

// The buckets that changed since the last paint, added under its mapping: false
// when they reach back to the walk's first bucket or a step has no columns.
bool curve_picture::add_changes(const sample_store& store, const line_ends& ends) {
    if (changed_from_ == change_mark::none) return true;
    if (changed_from_ <= first_bucket_) return false;
    const average_steps old(store, key_.view, first_bucket_);
    // The buckets before changed_from_ are as they were; a bucket from there on
    // starts its step in the column of changed_from_ or after it: for a live
    // stream, which changes the last bucket, the last few columns of the plot.
    const int last = step_starts_.last_column();
    const int from = changed_from_ < old.bucket_count() ? std::clamp(step_column(old, changed_from_, false),
                                                                     step_starts_.first_column(), last + 1)
                                                        : last + 1;
    rebuild_starts_from(old, from);
    return from > last || count_columns(old, ends, from, last);
}

// The curve before bucket i: broken at the walk's first bucket, else as the
// bucket before left it, which no mapping changes. False when that bucket's step
// has no columns.
bool curve_picture::joint_before(const average_steps& steps, std::size_t i, curve_joint& joint) {
    joint = curve_joint{steps.key_at(i) - 1, -1};
    if (i <= steps.first_bucket()) return true;
    exact_columns columns{steps};
    no_lines none;
    return walk_bucket(steps, i - 1, joint, columns, none);
}

// Walks the whole curve to the curve sink `lines`, noting where the steps start
// and end. False when a step has no columns: the starts then do not hold.
template <class Lines>
bool curve_picture::walk_noting(const average_steps& steps, int width, Lines& lines) {
    step_starts_.reset(0, width - 1);
    step_ends_.reset(0, width - 1);
    // Many steps share a column: the mean time alone tells when a step lies in
    // the last column found, without working its columns out.
    step_columns known(steps);
    std::size_t i = steps.first_bucket();
    const auto columns = [&](double mean_time, int& x1, int& x2) {
        if (!known(mean_time, x1, x2)) return false;
        step_starts_.note(i, x1);
        step_ends_.note(i, x2);
        return true;
    };
    bool ordered = true;
    curve_joint joint;
    for (; i < steps.bucket_count(); ++i)
        if (!walk_bucket(steps, i, joint, columns, lines)) ordered = false;
    step_starts_.finish_noting(steps.bucket_count());
    step_ends_.finish_noting(steps.bucket_count());
    return ordered;
}

bool curve_picture::count_all(const average_steps& steps, const line_ends& ends, int width, int height) {
    fresh_ = column_bits();
    counts_.reset(0, width, 0, height);
    walk_counter counter(counts_, height);
    bucket_pixels<walk_counter> lines(ends, counter);
    const bool ordered = walk_noting(steps, width, lines);
    counter.flush();
    return ordered;
}

// The curve drawn as bits, without counts. Returns how many buckets changed
// column since the last paint, from the starts of their steps.
std::size_t curve_picture::draw_fresh(const average_steps& steps, const line_ends& ends, int width,
                                      int height) {
    counts_ = column_counts();
    fresh_.reset(0, width, 0, height);
    std::swap(previous_starts_, step_starts_);
    drawn_bits out{fresh_};
    bucket_pixels<drawn_bits> lines(ends, out);
    if (!walk_noting(steps, width, lines)) return static_cast<std::size_t>(-1);
    return step_starts_.moved_since(previous_starts_);
}

void curve_picture::rebuild_starts_from(const average_steps& steps, int from) {
    if (from > step_starts_.last_column() + 1) return;
    const std::size_t size = steps.bucket_count();
    step_starts_.rebuild_from(from, size, [&steps](std::size_t i) { return step_column(steps, i, false); });
    step_ends_.rebuild_from(from, size, [&steps](std::size_t i) { return step_column(steps, i, true); });
}

// Counts columns `from` to `to` again: every bucket whose step ends in or after
// `from` and starts in or before `to`, walked in order. False when a step has no columns.
bool curve_picture::count_columns(const average_steps& steps, const line_ends& ends, int from, int to) {
    for (int x = from; x <= to; ++x) counts_.clear_column(x);
    const std::size_t first = std::max(steps.first_bucket(), step_ends_.first_item(from));
    const std::size_t end = step_starts_.first_item(to + 1);
    curve_joint joint;
    if (first >= end) return true;
    if (!joint_before(steps, first, joint)) return false;
    exact_columns columns{steps};
    counted_pixels pixels{counts_, 1, from, to};
    bucket_pixels<counted_pixels> lines(ends, pixels);
    for (std::size_t i = first; i < end; ++i)
        if (!walk_bucket(steps, i, joint, columns, lines)) return false;
    return true;
}

// The buckets whose step moved to other columns, and those the walk now starts
// or no longer starts at. too_many when more than `budget` moved, and drawing the
// curve fresh costs less.
follow_result curve_picture::move_steps(const sample_store& store, const average_steps& steps,
                                        const line_ends& ends, std::size_t budget) {
    const std::size_t size = steps.bucket_count();
    moved_.clear();
    const auto keep = [this](std::size_t i, int, int) { moved_.push_back(i); };
    // Buckets the walk no longer starts at lie before every column: a later first
    // bucket moves columns back too.
    const bool only_earlier =
        steps.view().right_time >= key_.view.right_time && steps.first_bucket() >= first_bucket_;
    const auto start_of = [&](std::size_t i) { return step_column(steps, i, false); };
    const auto end_of = [&](std::size_t i) { return step_column(steps, i, true); };
    // Each follow hands its buckets in order: the lists are merged, not sorted.
    if (!step_starts_.follow(size, budget, only_earlier, start_of, keep)) return follow_result::too_many;
    const auto starts_moved = static_cast<std::ptrdiff_t>(moved_.size());
    if (!step_ends_.follow(size, budget, only_earlier, end_of, keep)) return follow_result::too_many;
    std::inplace_merge(moved_.begin(), moved_.begin() + starts_moved, moved_.end());
    if (first_bucket_ != steps.first_bucket()) {
        const auto followed = static_cast<std::ptrdiff_t>(moved_.size());
        for (std::size_t i :
             {std::min(first_bucket_, steps.first_bucket()), std::max(first_bucket_, steps.first_bucket())})
            if (i < size) moved_.push_back(i);
        std::inplace_merge(moved_.begin(), moved_.begin() + followed, moved_.end());
    }
    moved_.erase(std::unique(moved_.begin(), moved_.end()), moved_.end());
    const average_steps old(store, key_.view, first_bucket_);
    return move_buckets(old, steps, ends) ? follow_result::followed : follow_result::lost;
}

// Each bucket of moved_ removed with its pixels of the last paint and put back
// with this one's. False when a step has no columns.
bool curve_picture::move_buckets(const average_steps& old, const average_steps& steps,
                                 const line_ends& ends) {
    counted_pixels counted{counts_, 1, 0, step_starts_.last_column()};
    moved_pixels pixels{counted, {}};
    bucket_pixels<moved_pixels> lines(ends, pixels);
    const exact_columns old_columns{old};
    const exact_columns columns{steps};
    for (std::size_t i : moved_) {
        curve_joint joint;
        curve_joint old_joint;
        if (!joint_before(steps, i, joint)) return false;
        // Where both walks reach the bucket before, its joint is the same under both mappings.
        const bool both = i > first_bucket_ && i > steps.first_bucket();
        if (i >= first_bucket_ && !(both || joint_before(old, i, old_joint))) return false;
        if (both) old_joint = joint;
        counted.sign = -1;
        if (i >= first_bucket_ && !walk_bucket(old, i, old_joint, old_columns, lines)) return false;
        counted.sign = 1;
        if (i >= steps.first_bucket() && !walk_bucket(steps, i, joint, columns, lines)) return false;
        pixels.finish();
    }
    return true;
}
