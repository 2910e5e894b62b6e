// The walk of the averaging buckets that every drawing of the average curve takes its lines from.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "app/graph/view_mapping.h"
#include "app/store/sample_store.h"

// Index of the first bucket whose nominal end lies right of left_time; the ends
// grow with the bucket index, so every bucket before it would be skipped.
std::size_t first_bucket_after(const sample_store& store);

// The steps of the average curve: bucket by bucket, the row of its mean and the
// columns where its step starts and ends.
class average_steps {
public:
    average_steps(const sample_store& store, double plot_width)
        : average_steps(store, view_mapping(store, plot_width), first_bucket_after(store)) {}
    // The steps under another mapping, walked from bucket `first`.
    average_steps(const sample_store& store, const view_mapping& view, std::size_t first)
        : list_(store.buckets), width_(store.bucket_width), origin_(store.bucket_origin), view_(view),
          first_(first) {}

    std::size_t first_bucket() const { return first_; }
    std::size_t bucket_count() const { return list_.size(); }
    // Keys tell gaps in the list as the indices do (see avg_bucket_list::key_at).
    std::int64_t key_at(std::size_t i) const { return list_.key_at(i); }
    const view_mapping& view() const { return view_; }
    double width() const { return width_; }
    double origin() const { return origin_; }

    // The mean of a bucket's sums (count > 0). A division by one changes
    // nothing, and most buckets of a fine average hold one sample.
    static double mean(double sum, std::uint32_t count) {
        return count == 1 ? sum : sum / static_cast<double>(count);
    }
    double mean_time_at(std::size_t i) const {
        const avg_bucket& bucket = list_.bucket_at(i);
        return mean(bucket.sum_time, bucket.count);
    }
    // The row of bucket i's step; false when the bucket breaks the curve by its
    // value: empty, off the value axis or beyond the pixel range.
    bool row_at(std::size_t i, int& y) const {
        const avg_bucket& bucket = list_.bucket_at(i);
        if (bucket.count == 0) return false;
        const double mean_rtt = mean(bucket.sum_rtt, bucket.count);
        return view_.in_range(mean_rtt) && pixel_coord(view_.y_of(mean_rtt), y);
    }
    // The columns where the step of a bucket with this mean time starts and ends;
    // false when they cannot be formed. Both grow (or both shrink) with
    // mean_time: every operation on the way is monotonic.
    bool columns_of(double mean_time, int& x1, int& x2) const {
        const double start = origin_ + width_ * std::floor((mean_time - origin_) / width_);
        const double left = view_.offset_of(start);
        const double right = view_.plot_width - (view_.right_time - start - width_) * view_.x_scale;
        return !std::isnan(left) && !std::isnan(right) &&
               pixel_coord(std::max(0.0, left) + view_.plot_left, x1) &&
               pixel_coord(std::min(view_.plot_width, right) + view_.plot_left, x2);
    }
    // A mean time below which the steps cannot end right of column `x`: a guess,
    // to be checked with columns_of.
    double guess_time_left_of(int x) const {
        // The step ends left of x + 1 while start < right_time - width - (plot_width - (x + 1 - plot_left)) /
        // x_scale, and start <= mean_time; one width less leaves room for rounding.
        return view_.right_time - 2.0 * width_ -
               (view_.plot_width - (x + 1 - view_.plot_left)) / view_.x_scale;
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

    // As average_steps::columns_of.
    bool operator()(double mean_time, int& x1, int& x2) {
        x1 = x2 = known_.column();
        if (known_.holds(mean_time)) return true;
        if (!steps_.columns_of(mean_time, x1, x2)) return false;
        if (x1 == x2) learn(mean_time, x1, steps_.guess_time_left_of(x1));
        return true;
    }

private:
    void learn(double time, int x, double guess);

    const average_steps& steps_;
    column_times known_;
};

// The curve's state between two buckets: the key of the bucket walked last and
// the row of its step, -1 where the curve is broken.
struct curve_joint {
    std::int64_t key = 0;
    int y = -1;
};

// A curve sink takes the lines of the curve as a walk meets them:
//   riser(x, y1, y2): the vertical line in column x from the previous step's row y1 to row y2;
//   step(x1, x2, y): the horizontal line of a bucket's mean in row y, from column x1 to x2.

// Bucket i of the curve, after the bucket that left `joint`: a bucket missing
// from the list (an empty one) or one without a row or columns breaks the curve;
// otherwise its riser from the previous step, when there is one, and its step go
// to the curve sink `lines`. `columns(mean_time, x1, x2)` gives the columns of a
// step. False when the step has no columns, which breaks the order of the steps'
// columns that a picture relies on.
template <class Columns, class Lines>
bool walk_bucket(const average_steps& steps, std::size_t i, curve_joint& joint, Columns& columns,
                 Lines& lines) {
    const std::int64_t key = steps.key_at(i);
    if (key != joint.key + 1) joint.y = -1;
    joint.key = key;
    int x1 = 0;
    int x2 = 0;
    int y = 0;
    const bool has_columns = columns(steps.mean_time_at(i), x1, x2);
    if (!has_columns || !steps.row_at(i, y)) {
        joint.y = -1;
        return has_columns;
    }
    if (joint.y != -1) lines.riser(x1, joint.y, y);
    lines.step(x1, x2, y);
    joint.y = y;
    return true;
}

// The whole curve, bucket by bucket from the first right of left_time, each
// step with the columns of its own mean time, to the curve sink `lines`: the
// lines GDI+ is asked to draw.
template <class Lines>
void walk_curve(const average_steps& steps, Lines& lines) {
    curve_joint joint;
    const auto columns = [&steps](double mean_time, int& x1, int& x2) {
        return steps.columns_of(mean_time, x1, x2);
    };
    for (std::size_t i = steps.first_bucket(); i < steps.bucket_count(); ++i)
        walk_bucket(steps, i, joint, columns, lines);
}
