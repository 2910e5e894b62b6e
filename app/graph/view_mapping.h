// The mapping of one drawing pass from sample times and round-trip times to pixels.
#pragma once

#include <algorithm>
#include <cmath>

#include "app/graph/pixel_coord.h"
#include "app/store/sample_store.h"

// The view's mapping from time and value to pixels, copied out of the store
// before a walk: the pixel writes could alias the store, and reloading it for
// every sample would cost more than the writes.
struct view_mapping {
    view_mapping() = default;
    view_mapping(const sample_store& store, double width)
        : y_low(store.y_low), y_high(store.y_high), y_scale(store.y_scale), plot_height(store.plot_height),
          margin(store.margin), right_time(store.right_time), x_scale(store.x_scale), plot_width(width),
          plot_left(store.plot_left) {}

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
    // finite plot. The pictures rely on it.
    bool columns_monotonic() const {
        return std::isfinite(x_scale) && x_scale != 0.0 && std::isfinite(plot_width) &&
               std::isfinite(right_time);
    }

    double y_low = 0.0, y_high = 0.0, y_scale = 0.0, plot_height = 0.0, margin = 0.0, right_time = 0.0,
           x_scale = 0.0, plot_width = 0.0, plot_left = 0.0;
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
