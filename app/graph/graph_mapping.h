// The mapping of one drawing pass from sample times, round-trip times and buckets to pixels.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "app/graph/graph_geometry.h"
#include "app/store/sample_store.h"

constexpr double plot_left = 10.0; // x of left_time

// The view's mapping from time and value to pixels, copied out of the store
// before a walk: the pixel writes could alias the store, and reloading it for
// every sample would cost more than the writes.
struct view_mapping {
    explicit view_mapping(const sample_store& store, double width)
        : y_low(store.y_low), y_high(store.y_high), y_scale(store.y_scale), plot_height(store.plot_height),
          margin(store.margin), right_time(store.right_time), x_scale(store.x_scale), plot_width(width) {}

    bool in_range(double value) const { return y_low <= value && value <= y_high; }
    // The row of `value`, not yet truncated.
    double y_of(double value) const { return plot_height - (value - y_low) * y_scale + margin; }
    // Distance of `time` from the plot's left edge.
    double offset_of(double time) const { return plot_width - (right_time - time) * x_scale; }
    // The marker row of a round-trip time; false when it draws no marker.
    bool marker_row(double rtt, int& y) const { return in_range(rtt) && pixel_coord(y_of(rtt), y); }
    // The marker column of a sample time; false when it draws no marker.
    bool marker_column(double time, int& x) const { return pixel_coord(offset_of(time) + plot_left, x); }
    // Whether every column found here grows (or shrinks) with the time, with no
    // value on the way that is not a number: a finite, non-zero time scale on a
    // finite plot. Summaries of many samples or buckets rely on it.
    // A time guessed to be the latest that maps to column x: the column's right
    // edge less a margin for rounding. Only a guess, to be checked.
    double guess_last_time_in(int x) const {
        const double edge = right_time - (plot_width - (x + 1 - plot_left)) / x_scale;
        return edge - std::fabs(edge - right_time) * 1e-9;
    }
    bool columns_monotonic() const {
        return std::isfinite(x_scale) && x_scale != 0.0 && std::isfinite(plot_width) &&
               std::isfinite(right_time);
    }

    double y_low, y_high, y_scale, plot_height, margin, right_time, x_scale, plot_width;
};

// Times known to map to one pixel column. Any time between two that do maps
// there too, as long as the column grows (or shrinks) monotonically with the
// time, as it does through every mapping here: a subtraction from or of a fixed
// value, a product with a fixed value, max, min and truncation.
class column_times {
public:
    bool holds(double time) const { return known_ && low_ <= time && time <= high_; }
    int column() const { return x_; }

    // Called with a time that maps to column x. For a new column, checks a
    // guess of a later time that still maps there (`column_of(time, x)` gives the
    // column of a time, false when there is none), halving it towards `time`
    // when it fails; a guess is only taken once checked.
    template <class ColumnOf>
    void learn(double time, int x, double guess, ColumnOf column_of) {
        if (known_ && x_ == x) {
            low_ = std::min(low_, time);
            high_ = std::max(high_, time);
            return;
        }
        known_ = true;
        x_ = x;
        low_ = high_ = time;
        for (int attempt = 0; attempt < 4 && guess > time; ++attempt) {
            int guessed = 0;
            if (column_of(guess, guessed) && guessed == x) {
                high_ = guess;
                return;
            }
            guess = time + (guess - time) * 0.5;
        }
    }

private:
    bool known_ = false;
    int x_ = 0;
    double low_ = 0.0;
    double high_ = 0.0;
};

// Which end pixels GDI+ sets when it draws an axis-aligned line of one pixel's
// width between integer points, learnt by drawing test lines. Implementations
// differ here (Wine leaves out the last pixel, as GDI does).
struct line_ends {
    enum direction { down, up, right, left }; // down: towards larger y

    bool known = false; // false: the test lines followed no such rule
    bool point = false; // a line from a point to itself sets that pixel
    // Indexed by direction: down, up, right, left.
    bool first[4] = {};
    bool last[4] = {};

    // The rows a vertical line from row y1 to row y2 sets, from `from` to `to`;
    // false when it sets none.
    bool vertical_rows(int y1, int y2, std::int64_t& from, std::int64_t& to) const {
        if (y1 == y2) {
            from = to = y1;
            return point;
        }
        const bool downwards = y1 < y2;
        const direction d = downwards ? down : up;
        const std::int64_t step = downwards ? 1 : -1;
        const std::int64_t a = std::int64_t{y1} + (first[d] ? 0 : step);
        const std::int64_t b = std::int64_t{y2} - (last[d] ? 0 : step);
        from = std::min(a, b);
        to = std::max(a, b);
        return downwards ? a <= b : a >= b;
    }
};

// Index of the first bucket whose nominal end lies right of left_time; the ends
// grow with the bucket index, so every bucket before it would be skipped.
std::size_t first_bucket_after(const sample_store& store);

// The steps of the average curve: bucket by bucket, the row of its mean and the
// columns where its step starts and ends. Every way of drawing the curve takes
// its steps from here, so they agree on every pixel.
class average_steps {
public:
    average_steps(const sample_store& store, double plot_width)
        : list_(store.buckets), width_(store.bucket_width), origin_(store.bucket_origin),
          view_(store, plot_width), first_(first_bucket_after(store)) {}

    std::size_t first() const { return first_; }
    std::size_t end() const { return list_.size(); }
    std::int64_t index_at(std::size_t i) const { return list_.index_at(i); }
    std::int64_t key_at(std::size_t i) const { return list_.key_at(i); }
    const avg_bucket& bucket_at(std::size_t i) const { return list_.bucket_at(i); }
    const view_mapping& view() const { return view_; }

    // The mean round-trip time and time of a bucket (count > 0). A division by
    // one changes nothing, and most buckets of a fine average hold one sample.
    static double mean(double sum, std::uint32_t count) {
        return count == 1 ? sum : sum / static_cast<double>(count);
    }
    // The row of a mean round-trip time; false when it is off the value axis
    // or beyond the pixel range.
    bool row_of(double mean_rtt, int& y) const {
        return view_.in_range(mean_rtt) && pixel_coord(view_.y_of(mean_rtt), y);
    }
    // The row of bucket i's step; false when the bucket breaks the curve by its value.
    bool row_at(std::size_t i, int& y) const {
        const avg_bucket& bucket = list_.bucket_at(i);
        return bucket.count != 0 && row_of(mean(bucket.sum_rtt, bucket.count), y);
    }
    // The columns where the step of a bucket with this mean time starts and ends;
    // false when they cannot be formed. Both grow (or both shrink) with
    // mean_time: every operation on the way is monotonic.
    bool columns_of(double mean_time, int& x1, int& x2) const {
        const double start = origin_ + width_ * std::floor((mean_time - origin_) / width_);
        const double left = view_.offset_of(start);
        const double right = view_.plot_width - (view_.right_time - start - width_) * view_.x_scale;
        return !std::isnan(left) && !std::isnan(right) && pixel_coord(std::max(0.0, left) + plot_left, x1) &&
               pixel_coord(std::min(view_.plot_width, right) + plot_left, x2);
    }
    // A mean time below which the steps cannot end right of column `x`: a guess,
    // to be checked with columns_of.
    double guess_time_left_of(int x) const {
        // The step ends left of x + 1 while start < right_time - width - (plot_width - (x + 1 - plot_left)) /
        // x_scale, and start <= mean_time; one width less leaves room for rounding.
        return view_.right_time - 2.0 * width_ - (view_.plot_width - (x + 1 - plot_left)) / view_.x_scale;
    }

private:
    const avg_bucket_list& list_;
    double width_;
    double origin_;
    view_mapping view_;
    std::size_t first_;
};

// The columns of the steps of consecutive buckets. A fine average puts many
// steps into each column: the mean time alone tells when a step lies wholly in
// the last column found, without working its columns out.
class step_columns {
public:
    explicit step_columns(const average_steps& steps) : steps_(steps) {}

    // The columns where the step of a bucket with this mean time starts and
    // ends; false when they cannot be formed.
    bool find(double mean_time, int& x1, int& x2) {
        x1 = x2 = known_.column();
        if (known_.holds(mean_time)) return true;
        if (!steps_.columns_of(mean_time, x1, x2)) return false;
        if (x1 == x2) learn(mean_time, x1, steps_.guess_time_left_of(x1));
        return true;
    }
    // Whether the steps of every mean time from `first` to `last` start and end
    // in one column, and which: the columns only grow (or only shrink) with the
    // mean time, so the two ends tell.
    bool one_column(double first, double last, int& x) {
        x = known_.column();
        if (known_.holds(first) && known_.holds(last)) return true;
        int a1 = 0;
        int a2 = 0;
        int b1 = 0;
        int b2 = 0;
        if (!steps_.columns_of(first, a1, a2) || !steps_.columns_of(last, b1, b2) || a1 != a2 || b1 != b2 ||
            a1 != b1) {
            return false;
        }
        learn(first, a1, steps_.guess_time_left_of(a1));
        learn(last, a1, last);
        x = a1;
        return true;
    }

private:
    void learn(double time, int x, double guess) {
        known_.learn(time, x, guess, [this](double t, int& column) {
            int end = 0;
            return steps_.columns_of(t, column, end) && end == column;
        });
    }

    const average_steps& steps_;
    column_times known_;
};
