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

// The pixels of a bucket's riser and step as the counts take them: the rows
// its riser and its point set in its column as one run (the point lies on the
// riser's end or next to it), and the row of a step wider than a column. The
// walk that counts a whole picture and the moves of single buckets both take
// them so, and so count a pixel alike.
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

// The curve's pixels of a whole walk: runs of rows in the column the walk is at
// kept as differences, and summed into the counts once the walk leaves it; the
// pixels that steps wider than a column set further on straight into the counts.
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

// Pixels of a bucket's lines set in bits.
struct drawn_bits {
    column_bits& bits;

    void column(int x, std::int64_t first, std::int64_t last) { bits.set_rows(x, first, last); }
    void row(int y, std::int64_t first, std::int64_t last) {
        first = std::max<std::int64_t>(first, bits.first_column());
        last = std::min<std::int64_t>(last, std::int64_t{bits.first_column()} + bits.columns() - 1);
        for (std::int64_t x = first; x <= last; ++x) bits.set(static_cast<int>(x), y);
    }
};

// Keeps the lines of one bucket.
template <class Lines>
struct line_recorder {
    Lines& lines;

    void riser(int x, int y1, int y2) {
        lines.riser = true;
        lines.riser_at[0] = x;
        lines.riser_at[1] = y1;
        lines.riser_at[2] = y2;
    }
    void step(int x1, int x2, int y) {
        lines.step = true;
        lines.step_at[0] = x1;
        lines.step_at[1] = x2;
        lines.step_at[2] = y;
    }
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
    const std::size_t size = steps.bucket_count();
    const std::size_t budget = fresh_steps_budget(size - std::min(size, steps.first_bucket()), width);
    bool followed = false;
    bool given_up = false; // too many buckets changed column to move them
    if (!fresh_ && counted_ && key_.same(key) && take_changes(store, ends)) {
        followed = move_steps(store, steps, ends, budget);
        given_up = !followed;
    }
    for (int x = 0; followed && x < width; ++x)
        if (!counts_.counted(x)) count_columns(steps, ends, x, x);
    const bool drawn = given_up || (fresh_ && !followed);
    if (drawn) {
        bool ordered = true;
        const std::size_t moved = draw_all(steps, ends, width, height, ordered);
        // As for the markers: after a follow given up, `moved` is not to be trusted.
        fresh_ = given_up || !ordered || moved > budget / 2;
    } else if (!followed || !counted_) {
        count_all(steps, ends, width, height);
    }
    key_ = key;
    view_ = view;
    changed_ = change_mark::none;
    first_ = steps.first_bucket();
    size_ = size;
    remember_last(steps);
    return drawn ? drawn_ : counts_.bits();
}

void curve_picture::remember_last(const average_steps& steps) {
    last_ = bucket_lines();
    if (!counted_ || size_ == 0 || size_ - 1 < first_) return;
    const std::size_t i = size_ - 1;
    const auto columns = [&steps](double mean_time, int& x1, int& x2) {
        return exact_columns(steps, mean_time, x1, x2);
    };
    curve_joint joint = joint_before(steps, i);
    line_recorder<bucket_lines> recorder{last_};
    walk_bucket(steps, i, joint, columns, recorder);
    last_.position = i;
}

// New samples in the last bucket, and buckets after it, as a live stream
// brings them: the last bucket's old lines out, its new ones and those of the
// buckets after it in, under the last paint's mapping. False when the change
// reaches further back.
bool curve_picture::take_appends(const sample_store& store, const line_ends& ends) {
    if (size_ == 0 || changed_ + 1 < size_ || (changed_ + 1 == size_ && last_.position != changed_))
        return false;
    const average_steps old(store, view_, first_);
    const int last = starts_.last();
    if (changed_ + 1 == size_) {
        counted_pixels pixels{counts_, -1, 0, last};
        bucket_pixels<counted_pixels> lines(ends, pixels);
        if (last_.riser) lines.riser(last_.riser_at[0], last_.riser_at[1], last_.riser_at[2]);
        if (last_.step) lines.step(last_.step_at[0], last_.step_at[1], last_.step_at[2]);
    }
    const std::size_t first = std::min(changed_, size_);
    if (first < old.bucket_count())
        rebuild_starts_from(old, std::clamp(step_column(old, first, false), starts_.first(), last + 1));
    for (std::size_t i = first; i < old.bucket_count(); ++i) add(old, ends, i, 1, 0, last);
    return true;
}

// Takes bucket i's pixels in columns `from` to `to` into the counts (sign 1) or out (-1).
void curve_picture::add(const average_steps& steps, const line_ends& ends, std::size_t i, int sign, int from,
                        int to) {
    add(steps, ends, i, joint_before(steps, i), sign, from, to);
}

void curve_picture::add(const average_steps& steps, const line_ends& ends, std::size_t i, curve_joint joint,
                        int sign, int from, int to) {
    // A mean time without columns breaks the order the starts rely on.
    const auto columns = [&](double mean_time, int& x1, int& x2) {
        if (exact_columns(steps, mean_time, x1, x2)) return true;
        counted_ = false;
        return false;
    };
    counted_pixels pixels{counts_, sign, from, to};
    bucket_pixels<counted_pixels> lines(ends, pixels);
    walk_bucket(steps, i, joint, columns, lines);
}

// The curve before bucket i: broken at the walk's first bucket, else as the
// bucket before left it, which no mapping changes.
curve_joint curve_picture::joint_before(const average_steps& steps, std::size_t i) {
    curve_joint joint{steps.key_at(i) - 1, -1};
    if (i <= steps.first_bucket()) return joint;
    no_lines none;
    const auto columns = [&](double mean_time, int& x1, int& x2) {
        if (exact_columns(steps, mean_time, x1, x2)) return true;
        counted_ = false;
        return false;
    };
    walk_bucket(steps, i - 1, joint, columns, none);
    return joint;
}

void curve_picture::count_all(const average_steps& steps, const line_ends& ends, int width, int height) {
    drawn_ = column_bits();
    counts_.reset(0, width, 0, height);
    // The steps follow the mean times only under a time scale above zero and
    // while every mean time has its columns.
    counted_ = steps.view().x_scale > 0.0;
    // Many steps share a column: the mean time alone tells when a step lies in
    // the last column found, without working its columns out.
    step_columns known(steps);
    starts_.start(0, width - 1);
    ends_.start(0, width - 1);
    std::size_t i = steps.first_bucket();
    const auto columns = [&](double mean_time, int& x1, int& x2) {
        if (!known(mean_time, x1, x2)) {
            counted_ = false;
            return false;
        }
        starts_.note(i, x1);
        ends_.note(i, x2);
        return true;
    };
    walk_counter counter(counts_, height);
    bucket_pixels<walk_counter> lines(ends, counter);
    curve_joint joint;
    for (; i < steps.bucket_count(); ++i) walk_bucket(steps, i, joint, columns, lines);
    counter.flush();
    starts_.finish(steps.bucket_count());
    ends_.finish(steps.bucket_count());
}

// The curve drawn afresh, as bits; the counts are let go. Returns how many
// buckets changed column since the last paint, from the starts of their steps
// noted on the way; `ordered` false when the steps did not follow the mean times.
std::size_t curve_picture::draw_all(const average_steps& steps, const line_ends& ends, int width, int height,
                                    bool& ordered) {
    counts_ = column_counts();
    counted_ = false;
    drawn_.reset(0, width, 0, height);
    std::swap(previous_, starts_);
    starts_.start(0, width - 1);
    ordered = steps.view().x_scale > 0.0;
    step_columns known(steps);
    std::size_t i = steps.first_bucket();
    const auto columns = [&](double mean_time, int& x1, int& x2) {
        if (!known(mean_time, x1, x2)) {
            ordered = false;
            return false;
        }
        starts_.note(i, x1);
        return true;
    };
    drawn_bits out{drawn_};
    bucket_pixels<drawn_bits> lines(ends, out);
    curve_joint joint;
    for (; i < steps.bucket_count(); ++i) walk_bucket(steps, i, joint, columns, lines);
    starts_.finish(steps.bucket_count());
    return starts_.moved_since(previous_);
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
    if (take_appends(store, ends)) return true;
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
// back with this one's. False when more than `budget` moved, and drawing the
// curve afresh costs less.
bool curve_picture::move_steps(const sample_store& store, const average_steps& steps, const line_ends& ends,
                               std::size_t budget) {
    const std::size_t size = steps.bucket_count();
    moved_.clear();
    const auto keep = [this](std::size_t i, int, int) { moved_.push_back(i); };
    // Buckets the walk no longer starts at lie before every column: a later first
    // bucket moves columns back too.
    const bool only_earlier = steps.view().right_time >= view_.right_time && steps.first_bucket() >= first_;
    const auto start_of = [&](std::size_t i) { return step_column(steps, i, false); };
    const auto end_of = [&](std::size_t i) { return step_column(steps, i, true); };
    if (!starts_.follow(size, budget, only_earlier, start_of, keep) ||
        !ends_.follow(size, budget, only_earlier, end_of, keep))
        return false;
    if (first_ != steps.first_bucket())
        for (std::size_t i : {first_, steps.first_bucket()})
            if (i < size) moved_.push_back(i);
    std::sort(moved_.begin(), moved_.end());
    moved_.erase(std::unique(moved_.begin(), moved_.end()), moved_.end());
    const average_steps old(store, view_, first_);
    const int last = starts_.last();
    for (std::size_t i : moved_) {
        const bool both = i > first_ && i > steps.first_bucket();
        const curve_joint joint = joint_before(steps, i);
        if (i >= first_) add(old, ends, i, both ? joint : joint_before(old, i), -1, 0, last);
        if (i >= steps.first_bucket()) add(steps, ends, i, joint, 1, 0, last);
    }
    return true;
}
