// The readout under the pointer: the nearest marker, the averaging step and the statistics of the view.
#include "app/readout/readout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/graph/curve_walk.h"

namespace {

// The first of the samples [begin, end) whose marker column, offset_of + the plot's left inset
// before truncation, is at least `edge`. The columns grow with the time, so a
// binary search by time finds it. For edges of 1 and more, truncation and this
// comparison agree: the column is at least c exactly when the offset is.
std::size_t first_column_from(const sample_store& store, const view_mapping& view, std::size_t begin,
                              std::size_t end, double edge) {
    while (begin < end) {
        const std::size_t mid = begin + (end - begin) / 2;
        if (view.offset_of(store.samples[mid].time) + view.plot_left < edge)
            begin = mid + 1;
        else
            end = mid;
    }
    return begin;
}

// The round-trip times whose marker rows may lie within `reach` rows of y, with a
// row to spare on either side for rounding; the whole axis where the rows do not
// fall with the value.
void value_band(const view_mapping& view, int y, int reach, double& low, double& high) {
    low = view.y_low;
    high = view.y_high;
    if (!(view.y_scale > 0.0) || !std::isfinite(view.y_scale)) return;
    const auto value_at_row = [&view](double row) {
        return view.y_low + (view.plot_height + view.margin - row) / view.y_scale;
    };
    low = std::max(low, value_at_row(static_cast<double>(y) + reach + 2.0));
    high = std::min(high, value_at_row(static_cast<double>(y) - reach - 1.0));
}

// The nearest marker found so far: its squared distance from the pointer and its sample.
struct nearest_so_far {
    int distance;
    std::size_t index = 0;
    bool found = false;
};

// Samples [from, to) lie in one column, `dx` columns from the pointer's; their
// round-trip times within [low, high] may lie within reach of row y.
struct column_search {
    const sample_store& store;
    sample_extremes& extremes;
    const view_mapping& view;
    int y;
    int reach;
    double low;
    double high;

    void operator()(std::size_t from, std::size_t to, int dx, nearest_so_far& best) const {
        extremes.visit_between(store, from, to, low, high, [&](std::size_t i) {
            // Most samples of a block that reaches the band lie outside it: two comparisons tell.
            const double rtt = store.samples[i].rtt;
            int row = 0;
            if (rtt < low || rtt > high || !view.marker_row(rtt, row) || row < y - reach || row > y + reach)
                return true;
            const int distance = dx * dx + (row - y) * (row - y);
            if (distance < best.distance) {
                best.distance = distance;
                best.index = i;
                best.found = true;
            }
            return best.distance > 0;
        });
    }
};

// Decimals enough to show at least two significant digits, from two up to six.
std::string figure_text(double value) {
    int decimals = 2;
    while (decimals < 6 && value != 0.0 && std::fabs(value) < std::pow(10.0, 1 - decimals)) ++decimals;
    char text[352];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string day_time_line(std::int64_t local_ms, std::int64_t now_local_ms) {
    const local_moment moment = local_moment_of(local_ms);
    const local_moment today = local_moment_of(now_local_ms);
    std::string line;
    if (moment.year != today.year || moment.month != today.month || moment.day != today.day)
        line = date_text(moment) + " ";
    return line + time_of_day_text(moment, false);
}

} // namespace

bool nearest_marker(const sample_store& store, sample_extremes& extremes, const view_mapping& view, int x,
                    int y, int reach, std::size_t& index) {
    if (store.only_avg || !(view.x_scale > 0.0) || !view.columns_monotonic()) return false;
    const std::size_t begin = store.first_visible;
    // Samples later than the plot's right edge arrived after the last paint: not drawn yet.
    const auto later = std::upper_bound(
        store.samples.begin() + static_cast<std::ptrdiff_t>(std::min(begin, store.samples.size())),
        store.samples.end(), view.right_time,
        [](double time, const ping_sample& sample) { return time < sample.time; });
    const auto end = static_cast<std::size_t>(later - store.samples.begin());
    column_search search{store, extremes, view, y, reach, 0.0, 0.0};
    value_band(view, y, reach, search.low, search.high);
    nearest_so_far best{reach * reach + 1};
    if (!(search.low <= search.high)) return false;
    // Nearest columns first: a column farther than the best marker found cannot hold a nearer one.
    for (int dx = 0; dx <= reach && dx * dx < best.distance; ++dx) {
        for (int side = dx == 0 ? 1 : -1; side <= 1 && best.distance > 0; side += 2) {
            const int column = x + side * dx;
            // Visible markers lie right of the plot's left edge, far from the columns below 1.
            if (column < 1) continue;
            const std::size_t from = first_column_from(store, view, begin, end, column);
            const std::size_t to = first_column_from(store, view, from, end, column + 1.0);
            search(from, to, dx, best);
        }
    }
    if (best.found) index = best.index;
    return best.found;
}

double time_at_column(const view_mapping& view, int x) {
    return view.right_time - (view.plot_width - (x + 0.5 - view.plot_left)) / view.x_scale;
}

const avg_bucket* step_at(const sample_store& store, const view_mapping& view, int x) {
    const double width = store.bucket_width;
    int axis = 0;
    if (!store.show_avg || !(width > 0.0) || x < view.plot_left ||
        !pixel_coord(view.plot_width + view.plot_left, axis) || x > axis) {
        return nullptr;
    }
    // The steps are cut at the plot's edges, and the columns there are partly outside.
    const double time =
        std::clamp(time_at_column(view, x), view.right_time - store.span_secs, view.right_time);
    const double k = std::floor((time - store.bucket_origin) / width);
    if (!(std::fabs(k) <= avg_bucket_list::index_limit)) return nullptr;
    const avg_bucket* bucket = store.buckets.find(static_cast<std::int64_t>(k));
    if (!bucket || bucket->count == 0) return nullptr;
    return view.in_range(average_steps::mean(bucket->sum_rtt, bucket->count)) ? bucket : nullptr;
}

span_statistics statistics_of(const sample_store& store) {
    span_statistics s;
    s.count = store.win_count;
    if (s.count == 0) return s;
    const double n = static_cast<double>(s.count);
    s.min = store.win_min;
    s.max = store.win_max;
    s.mean = store.win_sum / n;
    // As the axis scaling computes it; rounding can leave the variance a hair below zero.
    const double variance = s.count >= 2 ? (store.win_sum_sq - store.win_sum * store.win_sum / n) / n : 0.0;
    s.sd = variance > 0.0 ? std::sqrt(variance) : 0.0;
    return s;
}

std::string rtt_text(double value) {
    char text[352];
    for (int decimals = 1; decimals <= 6; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

bool readout_text::statistics_key::operator==(const statistics_key& other) const {
    return count == other.count && sum == other.sum && sum_sq == other.sum_sq && min == other.min &&
           max == other.max;
}

const std::string& readout_text::statistics_line(const sample_store& store) {
    const statistics_key key{store.win_count, store.win_sum, store.win_sum_sq, store.win_min, store.win_max};
    if (lines_made_ > 0 && key == key_) return line_;
    key_ = key;
    ++lines_made_;
    const span_statistics s = statistics_of(store);
    if (s.count == 0) {
        line_ = "In view: no samples";
    } else {
        line_ = "In view: " + std::to_string(s.count) + (s.count == 1 ? " sample" : " samples") + ", min " +
                rtt_text(s.min) + ", mean " + figure_text(s.mean) + ", max " + rtt_text(s.max) + ", sd " +
                figure_text(s.sd);
    }
    return line_;
}

std::string readout_text::make(const sample_store& store, sample_extremes& extremes,
                               const readout_place& place) {
    if (store.samples.empty()) return std::string();
    const view_mapping view(store, place.plot_width);
    if (!(view.x_scale > 0.0) || !view.columns_monotonic()) return std::string();
    const double time = time_at_column(view, place.x);
    std::string text = day_time_line(place.clock.local_ms(time), place.now_local_ms);
    std::size_t index = 0;
    if (nearest_marker(store, extremes, view, place.x, place.y, readout_reach, index)) {
        const ping_sample& sample = store.samples[index];
        text += "\r\nSample " + rtt_text(sample.rtt) + " at " +
                time_of_day_text(local_moment_of(place.clock.local_ms(sample.time)), true);
    }
    if (const avg_bucket* step = step_at(store, view, place.x)) {
        text += "\r\nAverage " + figure_text(average_steps::mean(step->sum_rtt, step->count)) + " of " +
                std::to_string(step->count) + (step->count == 1 ? " sample" : " samples");
    }
    return text + "\r\n" + statistics_line(store);
}
