// The readout under the pointer: the nearest marker against a plain search, the span's statistics against a
// plain computation, and the text a pointer gets.
#include "app/readout/readout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "app/store/sample_intake.h"
#include "app/store/scaling.h"

namespace {

constexpr int height = 250;

struct scene {
    sample_store store;
    sample_extremes extremes;
    double plot_width = 400.0;

    void feed(const std::vector<ping_sample>& samples) {
        append_samples(store, samples.data(), samples.size());
    }
    // The view a paint would draw with this span, `idle` seconds after the newest sample.
    view_mapping paint(std::uint32_t span, double idle = 0.0) {
        store.span_secs = span;
        store.idle_secs = idle;
        recompute_window(store, height);
        set_time_window(store);
        scale_y(store, height);
        store.x_scale = plot_width / span;
        return view_mapping(store, plot_width);
    }
    bool nearest(const view_mapping& view, int x, int y, std::size_t& index) {
        return nearest_marker(store, extremes, view, x, y, readout_reach, index);
    }
};

// The marker centre of a sample as the paint draws it; false when it draws none.
bool centre_of(const view_mapping& view, const ping_sample& sample, int& x, int& y) {
    return view.marker_column(sample.time, x) && view.marker_row(sample.rtt, y);
}

// The squared distance of the nearest drawn marker within reach, by a walk of every visible sample.
int plain_nearest(const scene& s, const view_mapping& view, int x, int y) {
    int best = readout_reach * readout_reach + 1;
    for (std::size_t i = s.store.first_visible; i < s.store.samples.size(); ++i) {
        const ping_sample& sample = s.store.samples[i];
        int mx = 0;
        int my = 0;
        if (sample.time > view.right_time || !centre_of(view, sample, mx, my)) continue;
        const long long d = 1LL * (mx - x) * (mx - x) + 1LL * (my - y) * (my - y);
        if (d < best) best = static_cast<int>(d);
    }
    return best;
}

std::uint32_t next_random(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

TEST(readout, nearest_marker_agrees_with_a_walk_of_every_sample) {
    std::uint32_t state = 5;
    int hits = 0;
    int misses = 0;
    for (int round = 0; round < 6; ++round) {
        scene s;
        // Dense noise with spikes, in bursts with gaps between them, and runs of equal times.
        std::vector<ping_sample> samples;
        double time = 1000.0;
        for (int i = 0; i < 20000; ++i) {
            time += (next_random(state) % 50 == 0) ? 30.0 : (i % 7 == 0 ? 0.0 : 0.01 * (1 + round));
            const double rtt = next_random(state) % 100 == 0 ? 80.0 + next_random(state) % 20
                                                             : 20.0 + (next_random(state) % 1000) / 100.0;
            samples.push_back(ping_sample{time, rtt});
        }
        s.feed(samples);
        const view_mapping view = s.paint(round % 2 ? 3600 : 600, 0.25 * round);
        for (int probe = 0; probe < 400; ++probe) {
            const int x = static_cast<int>(next_random(state) % 430);
            const int y = static_cast<int>(next_random(state) % height);
            const int plain = plain_nearest(s, view, x, y);
            std::size_t index = 0;
            const bool found = s.nearest(view, x, y, index);
            ASSERT_EQ(found, plain <= readout_reach * readout_reach)
                << "round " << round << " at " << x << "," << y;
            ++(found ? hits : misses);
            if (!found) continue;
            int mx = 0;
            int my = 0;
            ASSERT_TRUE(centre_of(view, s.store.samples[index], mx, my));
            EXPECT_EQ((mx - x) * (mx - x) + (my - y) * (my - y), plain) << "round " << round;
        }
    }
    EXPECT_GT(hits, 300);
    EXPECT_GT(misses, 300);
}

TEST(readout, nearest_marker_at_the_edges) {
    scene s;
    std::size_t index = 99;
    EXPECT_FALSE(s.nearest(s.paint(60), 200, 100, index)) << "no sample at all";

    // Two samples of one time: the pointer on either marker finds that one; on a shared
    // centre, the first stored.
    s.feed({{109.9, 30.0}, {130.0, 20.0}, {130.0, 40.0}, {130.0, 40.0}, {160.0, 30.0}});
    view_mapping view = s.paint(50);
    int x = 0;
    int y = 0;
    ASSERT_TRUE(centre_of(view, s.store.samples[2], x, y));
    ASSERT_TRUE(s.nearest(view, x, y, index));
    EXPECT_EQ(index, 2u);
    ASSERT_TRUE(centre_of(view, s.store.samples[1], x, y));
    ASSERT_TRUE(s.nearest(view, x + 1, y - 2, index));
    EXPECT_EQ(index, 1u);
    // Farther than the reach from every marker: nothing.
    EXPECT_FALSE(s.nearest(view, x, y - 3 * readout_reach, index));

    // The sample at 109.9 lies left of the view (from 160 - 50), a column left of the plot's
    // edge: no marker of it, although the pointer at the edge reaches its column.
    ASSERT_EQ(s.store.first_visible, 1u);
    ASSERT_TRUE(view.marker_column(109.9, x));
    ASSERT_EQ(x, static_cast<int>(view.plot_left) - 1);
    EXPECT_FALSE(s.nearest(view, x + 1, static_cast<int>(view.y_of(30.0)), index));

    // Arrived after the paint, later than its right edge (in the label column): not drawn
    // yet, so not read out.
    s.feed({{165.0, 25.0}});
    ASSERT_TRUE(view.marker_column(165.0, x));
    ASSERT_TRUE(view.marker_row(25.0, y));
    EXPECT_FALSE(s.nearest(view, x, y, index));

    // Only the average drawn: no markers to read.
    s.store.only_avg = true;
    ASSERT_TRUE(centre_of(view, s.store.samples[4], x, y));
    EXPECT_FALSE(s.nearest(view, x, y, index));
}

TEST(readout, statistics_follow_the_window_as_a_plain_computation_of_the_visible_samples) {
    scene s;
    std::uint32_t state = 9;
    std::vector<ping_sample> samples;
    for (int i = 0; i < 5000; ++i)
        samples.push_back(ping_sample{i * 0.1, 15.0 + (next_random(state) % 10000) / 1000.0});
    s.feed(samples);
    for (std::uint32_t span : {60u, 10u, 300u}) {
        s.paint(span);
        // A paint takes the samples that left out of the sums; extremes come from its walk.
        s.feed({{s.store.samples.back().time + 0.1, 12.5}});
        s.store.idle_secs = 1.0;
        set_time_window(s.store);
        scale_y(s.store, height);
        double sum = 0.0;
        double low = win_none_min;
        double high = win_none_max;
        for (std::size_t i = s.store.first_visible; i < s.store.samples.size(); ++i) {
            sum += s.store.samples[i].rtt;
            low = std::min(low, s.store.samples[i].rtt);
            high = std::max(high, s.store.samples[i].rtt);
        }
        const double n = static_cast<double>(s.store.samples.size() - s.store.first_visible);
        double squares = 0.0;
        for (std::size_t i = s.store.first_visible; i < s.store.samples.size(); ++i)
            squares += (s.store.samples[i].rtt - sum / n) * (s.store.samples[i].rtt - sum / n);
        s.store.win_min = low; // as the paint's walk finds them
        s.store.win_max = high;
        const span_statistics got = statistics_of(s.store);
        EXPECT_EQ(got.count, static_cast<std::uint32_t>(n)) << "span " << span;
        EXPECT_EQ(got.min, 12.5);
        EXPECT_EQ(got.max, high);
        EXPECT_NEAR(got.mean, sum / n, 1e-9);
        EXPECT_NEAR(got.sd, std::sqrt(squares / n), 1e-6);
    }
    sample_store empty;
    EXPECT_EQ(statistics_of(empty).count, 0u);
}

TEST(readout, rtt_text_shows_the_tenths_and_the_decimals_the_value_has) {
    EXPECT_EQ(rtt_text(12.5), "12.5");
    EXPECT_EQ(rtt_text(12.0), "12.0");
    EXPECT_EQ(rtt_text(12.25), "12.25");
    EXPECT_EQ(rtt_text(0.1), "0.1");
    EXPECT_EQ(rtt_text(0.123), "0.123");
    EXPECT_EQ(rtt_text(1.0 / 3.0), "0.333333");
    EXPECT_EQ(rtt_text(-0.5), "-0.5");
}

TEST(readout, text_gives_the_time_the_sample_the_average_and_the_span_one_item_a_line) {
    scene s;
    std::vector<ping_sample> samples;
    for (int i = 0; i < 60; ++i) samples.push_back(ping_sample{5000.0 + i, 20.0 + (i % 3)});
    samples.push_back(ping_sample{5000.0 + 60.5, 22.5});
    s.feed(samples);
    s.store.bucket_width = 10.0;
    rebuild_buckets(s.store);
    const view_mapping view = s.paint(60);

    readout_place place;
    place.plot_width = s.plot_width;
    // The newest sample (5060.5) arrived at 10:00:00.000 on 9 December 2026.
    place.clock.newest_time = 5060.5;
    place.clock.newest_local_ms = local_ms_of(local_moment{2026, 12, 9, 10, 0, 0, 0});
    place.now_local_ms = place.clock.newest_local_ms + 250;
    ASSERT_TRUE(view.marker_column(5060.5, place.x));
    ASSERT_TRUE(view.marker_row(22.5, place.y));
    readout_text text;
    const std::string first = text.make(s.store, s.extremes, place);
    EXPECT_EQ(text.make(s.store, s.extremes, place),
              "10:00:00\r\nSample 22.5 at 10:00:00.000\r\nAverage 22.50 of 1 sample\r\n"
              "In view: 60 samples, min 20.0, mean 21.04, max 22.5, sd 0.83");

    // A pointer on another day has the date in front; the sample 20.5 s older than the newest
    // arrived 20.5 s before it. The window statistics did not change: their line is not made again.
    place.now_local_ms += 86400000;
    ASSERT_TRUE(view.marker_column(5040.0, place.x));
    ASSERT_TRUE(view.marker_row(21.0, place.y));
    EXPECT_EQ(text.make(s.store, s.extremes, place),
              "2026-12-09 09:59:39\r\nSample 21.0 at 09:59:39.500\r\nAverage 21.00 of 10 samples\r\n"
              "In view: 60 samples, min 20.0, mean 21.04, max 22.5, sd 0.83");
    EXPECT_EQ(text.statistics_lines_made(), 1u);
    s.feed({{5061.0, 30.0}});
    EXPECT_NE(text.make(s.store, s.extremes, place).find("In view: 61 samples"), std::string::npos);
    EXPECT_EQ(text.statistics_lines_made(), 2u);

    s.store.samples.clear();
    EXPECT_EQ(text.make(s.store, s.extremes, place), "");
}

} // namespace
