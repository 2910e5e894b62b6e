// The block summaries answer as the walks over every sample and bucket do, across changes.
#include "app/graph/graph_summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/graph/graph_mapping.h"
#include "app/store/scaling.h"

namespace {

std::uint32_t next(std::uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return state >> 8;
}

double unit(std::uint32_t& state) {
    return static_cast<double>(next(state) % 1000000) / 1000000.0;
}

// The rows set in each column, as "x:y" entries, for comparing two answers.
std::vector<std::string> rows_of(const column_bits& bits) {
    std::vector<std::string> set;
    for (int x = bits.first_column(); x < bits.first_column() + bits.columns(); ++x)
        for (int y = bits.first_row(); y < bits.first_row() + bits.rows(); ++y) {
            const std::size_t bit = static_cast<std::size_t>(y - bits.first_row());
            if (bits.column(x)[bit / 64] >> (bit % 64) & 1)
                set.push_back(std::to_string(x) + ":" + std::to_string(y));
        }
    return set;
}

// The view of one paint, as the drawing sets it up, for a plot `plot_width` wide.
void set_view(sample_store& store, int height, double plot_width) {
    set_time_window(store);
    scale_y(store, height);
    store.x_scale = plot_width / store.span_secs;
}

TEST(graph_summary, markers_extremes_and_curve_agree_with_the_walks_across_changes) {
    line_ends ends; // as GDI does: a line leaves out its last pixel
    ends.known = ends.point = true;
    for (bool& first : ends.first) first = true;
    for (std::uint32_t seed : {3u, 17u, 99u}) {
        std::uint32_t state = seed;
        sample_store store;
        store.span_secs = 3600;
        store.bucket_width = seed == 3u ? 0.1 : 2.0;
        const int width = 60 + static_cast<int>(next(state) % 100);
        const int height = 40 + static_cast<int>(next(state) % 300);
        double newest = 0.0;
        for (int paint = 0; paint < 40; ++paint) {
            // New samples, now and then some into the past, and a gap that breaks the curve.
            std::vector<ping_sample> batch;
            const int count = paint == 0 ? 40000 : static_cast<int>(next(state) % 400);
            for (int i = 0; i < count; ++i) {
                newest += 0.05 + 0.1 * unit(state);
                double rtt = 20.0 + 5.0 * std::sin(newest / 200.0) + 4.0 * unit(state);
                if (next(state) % 500 == 0) rtt = 1000.0;
                const bool past = next(state) % 10 == 0;
                batch.push_back(ping_sample{past ? newest - 3600.0 * unit(state) : newest, rtt});
            }
            if (next(state) % 8 == 0) newest += 50.0;
            append_samples(store, batch.data(), batch.size());
            store.idle_secs = 30.0 * unit(state);
            if (paint % 13 == 0) recompute_window(store, height);
            const double plot_width = width - 30.0;
            set_view(store, height, plot_width);
            const view_mapping view(store, plot_width);
            ASSERT_TRUE(view.columns_monotonic());

            double low = win_none_min;
            double high = win_none_max;
            store.marker_blocks.extremes(store, view, height, low, high);
            double walk_low = win_none_min;
            double walk_high = win_none_max;
            column_bits walk_centres;
            walk_centres.reset(-1, width + 2, -1, height + 2);
            for (std::size_t i = store.first_visible; i < store.samples.size(); ++i) {
                const ping_sample& s = store.samples[i];
                if (s.rtt < walk_low) walk_low = s.rtt;
                if (s.rtt > walk_high) walk_high = s.rtt;
                int x = 0;
                int y = 0;
                if (view.marker_row(s.rtt, y) && view.marker_column(s.time, x)) walk_centres.set(x, y);
            }
            ASSERT_EQ(low, walk_low) << "seed " << seed << " paint " << paint;
            ASSERT_EQ(high, walk_high) << "seed " << seed << " paint " << paint;
            ASSERT_EQ(rows_of(store.marker_blocks.centres(store, view, width, height)), rows_of(walk_centres))
                << "seed " << seed << " paint " << paint;

            const average_steps steps(store, plot_width);
            std::vector<curve_step> wide;
            const std::vector<std::string> curve =
                rows_of(store.curve_blocks.pixels(store, steps, ends, width, height, wide));
            column_bits walk_curve;
            walk_curve.reset(0, width, 0, height);
            std::size_t walk_wide = 0;
            int prev_y = -1;
            std::int64_t prev_index = -1;
            std::int64_t from = 0;
            std::int64_t to = 0;
            for (std::size_t i = steps.first(); i < steps.end(); ++i) {
                if (steps.index_at(i) != prev_index + 1) prev_y = -1;
                prev_index = steps.index_at(i);
                const avg_bucket& b = steps.bucket_at(i);
                int y = 0;
                int x1 = 0;
                int x2 = 0;
                if (!steps.row_at(i, y) ||
                    !steps.columns_of(average_steps::mean(b.sum_time, b.count), x1, x2)) {
                    prev_y = -1;
                    continue;
                }
                if (prev_y != -1 && ends.vertical_rows(prev_y, y, from, to))
                    walk_curve.set_rows(x1, from, to);
                if (x1 == x2)
                    walk_curve.set(x1, y);
                else
                    ++walk_wide;
                prev_y = y;
            }
            ASSERT_EQ(curve, rows_of(walk_curve)) << "seed " << seed << " paint " << paint;
            ASSERT_EQ(wide.size(), walk_wide) << "seed " << seed << " paint " << paint;
        }
        // The summaries cost about a byte a sample, not the bits of a column per sample.
        EXPECT_LT(store.marker_blocks.memory_bytes(), 3 * store.samples.size()) << "seed " << seed;
    }
}

} // namespace
