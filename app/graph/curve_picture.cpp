#include "app/graph/curve_picture.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "app/store/change_mark.h"

namespace {

constexpr int before_all = INT_MIN / 2;

// Where the step of bucket i starts (x1) or ends (x2), for the buckets the walk
// takes; those before it lie before every column.
int step_column(const average_steps& steps, std::size_t i, bool end) {
    int x1 = 0;
    int x2 = 0;
    if (i < steps.first_bucket() || !steps.columns_of(steps.mean_time_at(i), x1, x2)) return before_all;
    return end ? x2 : x1;
}

// Pixels of a bucket's lines taken into or out of the counts, within columns `from` to `to`.
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

struct counted_lines {
    const line_ends& ends;
    counted_pixels& out;

    void riser(int x, int y1, int y2) { draw_straight_line(ends, x, y1, x, y2, out); }
    void step(int x1, int x2, int y) { draw_straight_line(ends, x1, y, x2, y, out); }
};

// The curve's pixels of a whole walk: runs of rows in the column the walk is at
// kept as differences, and summed into the counts once the walk leaves it; the
// pixels that steps wider than a column set further on straight into the counts.
class walk_counter {
public:
    walk_counter(const line_ends& ends, column_counts& counts, int rows)
        : ends_(ends), counts_(counts), rows_(rows), differences_(static_cast<std::size_t>(rows) + 1) {}

    void riser(int x, int y1, int y2) { draw_straight_line(ends_, x, y1, x, y2, *this); }
    void step(int x1, int x2, int y) { draw_straight_line(ends_, x1, y, x2, y, *this); }
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
    const line_ends& ends_;
    column_counts& counts_;
    int rows_;
    std::vector<std::int32_t> differences_;
    int x_ = -1;
    int low_ = 0;
    int high_ = -1;
};

struct no_lines {
    void riser(int, int, int) {}
    void step(int, int, int) {}
};

bool exact_columns(const average_steps& steps, double mean_time, int& x1, int& x2) {
    return steps.columns_of(mean_time, x1, x2);
}

} // namespace

const column_bits& curve_picture::pixels(const sample_store& store, const average_steps& steps,
                                         const line_ends& ends, int width, int height) {
    const view_mapping& view = steps.view();
    const picture_key key(view, width, height, steps.width(), steps.origin(), &ends);
    const bool followed =
        counted_ && key_.same(key) && take_changes(store, ends) && move_steps(store, steps, ends);
    for (int x = 0; followed && x < width; ++x)
        if (!counts_.counted(x)) count_columns(steps, ends, x, x);
    if (!followed || !counted_) count_all(steps, ends, width, height);
    key_ = key;
    view_ = view;
    changed_ = change_mark::none;
    first_ = steps.first_bucket();
    return counts_.bits();
}

// Takes bucket i's pixels in columns `from` to `to` into the counts (sign 1) or out (-1).
void curve_picture::add(const average_steps& steps, const line_ends& ends, std::size_t i, int sign, int from,
                        int to) {
    // A mean time without columns breaks the order the starts rely on.
    const auto columns = [&](double mean_time, int& x1, int& x2) {
        if (exact_columns(steps, mean_time, x1, x2)) return true;
        counted_ = false;
        return false;
    };
    curve_joint joint{steps.key_at(i) - 1, -1};
    no_lines none;
    if (i > steps.first_bucket()) walk_bucket(steps, i - 1, joint, columns, none);
    counted_pixels pixels{counts_, sign, from, to};
    counted_lines lines{ends, pixels};
    walk_bucket(steps, i, joint, columns, lines);
}

void curve_picture::count_all(const average_steps& steps, const line_ends& ends, int width, int height) {
    counts_.reset(0, width, 0, height);
    // The steps follow the mean times only under a time scale above zero and
    // while every mean time has its columns.
    counted_ = steps.view().x_scale > 0.0;
    const auto columns = [&](double mean_time, int& x1, int& x2) {
        if (exact_columns(steps, mean_time, x1, x2)) return true;
        counted_ = false;
        return false;
    };
    walk_counter lines(ends, counts_, height);
    curve_joint joint;
    for (std::size_t i = steps.first_bucket(); i < steps.bucket_count(); ++i)
        walk_bucket(steps, i, joint, columns, lines);
    lines.flush();
    if (!counted_) return;
    const std::size_t size = steps.bucket_count();
    starts_.build(0, width - 1, size, [&steps](std::size_t i) { return step_column(steps, i, false); });
    ends_.build(0, width - 1, size, [&steps](std::size_t i) { return step_column(steps, i, true); });
}

void curve_picture::rebuild_starts_from(const average_steps& steps, int from) {
    if (from > starts_.last() + 1) return;
    const std::size_t size = steps.bucket_count();
    starts_.rebuild_from(from, size, [&steps](std::size_t i) { return step_column(steps, i, false); });
    ends_.rebuild_from(from, size, [&steps](std::size_t i) { return step_column(steps, i, true); });
}

// Counts columns `from` to `to` again: every bucket whose step ends in or after
// `from` and starts in or before `to`.
void curve_picture::count_columns(const average_steps& steps, const line_ends& ends, int from, int to) {
    for (int x = from; x <= to; ++x) counts_.clear_column(x);
    const std::size_t first = std::max(steps.first_bucket(), ends_.start(from));
    for (std::size_t i = first; i < starts_.start(to + 1); ++i) add(steps, ends, i, 1, from, to);
}

// The buckets that changed since the last paint, taken in under its mapping:
// false when they reach back to the walk's first bucket.
bool curve_picture::take_changes(const sample_store& store, const line_ends& ends) {
    if (changed_ == change_mark::none) return true;
    if (changed_ <= first_) return false;
    const average_steps old(store, view_, first_);
    // The buckets before changed_ are as they were; a bucket from there on starts
    // its step in the column of changed_ or after it.
    const int last = starts_.last();
    const int from = changed_ < old.bucket_count()
                         ? std::clamp(step_column(old, changed_, false), starts_.first(), last + 1)
                         : last + 1;
    rebuild_starts_from(old, from);
    if (from <= last) count_columns(old, ends, from, last);
    return true;
}

// The buckets whose step moved to other columns, and those the walk now starts
// or no longer starts at: taken out with their pixels of the last paint, put
// back with this one's. False when so many moved that counting them all again
// costs less.
bool curve_picture::move_steps(const sample_store& store, const average_steps& steps, const line_ends& ends) {
    const std::size_t size = steps.bucket_count();
    const std::size_t budget = (size - std::min(size, steps.first_bucket())) / 4 + 4096;
    moved_.clear();
    const auto keep = [this](std::size_t i) { moved_.push_back(i); };
    if (!starts_.follow(
            size, budget, [&](std::size_t i) { return step_column(steps, i, false); }, keep) ||
        !ends_.follow(
            size, budget, [&](std::size_t i) { return step_column(steps, i, true); }, keep))
        return false;
    if (first_ != steps.first_bucket())
        for (std::size_t i : {first_, steps.first_bucket()})
            if (i < size) moved_.push_back(i);
    std::sort(moved_.begin(), moved_.end());
    moved_.erase(std::unique(moved_.begin(), moved_.end()), moved_.end());
    const average_steps old(store, view_, first_);
    const int last = starts_.last();
    for (std::size_t i : moved_) {
        if (i >= first_) add(old, ends, i, -1, 0, last);
        if (i >= steps.first_bucket()) add(steps, ends, i, 1, 0, last);
    }
    return true;
}
