// The pictures give, frame after frame of random sessions, the pixels of the plain walk, and follow live
// plots.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "tests/app/graph/graph_scene.h"
#include "tests/app/graph/graph_session.h"

namespace {

// The display scales the harness draws at: 100 %, 125 %, 150 %, 200 %, 250 % and 300 %.
const std::uint32_t scale_dpis[] = {96, 120, 144, 192, 240, 288};

// Any rule GDI+ may follow: every choice of the vertical ends and of the point,
// which decide the rows the curve's risers set, each with two choices of the
// horizontal ends, which decide its wide steps; the sessions take the display
// scales in turn, so that every scale meets rules of every kind.
TEST(pictures, every_frame_of_random_sessions_matches_the_plain_walk_under_every_line_rule) {
    std::size_t markers = 0;
    std::size_t curve = 0;
    for (std::uint32_t vertical = 0; vertical < 32; ++vertical) {
        for (std::uint32_t seed : {vertical * 2 + 1, vertical * 2 + 2}) {
            const display_scale scale{scale_dpis[seed % std::size(scale_dpis)]};
            std::uint32_t state = seed;
            // Bits 0, 1, 2, 5, 6: point, first and last down and up; 3, 4, 7, 8 at random.
            const std::uint32_t horizontal = next_random(state) & 0x198u;
            const line_ends ends = line_rule((vertical & 7u) | (vertical >> 3) << 5 | horizontal);
            graph_scene scene(ends, scale);
            graph_session<graph_scene> session(scene, [&state] { return next_random(state); });
            session.start();
            for (int frame = 0; frame < 30; ++frame) {
                std::string what;
                for (std::uint32_t changes = 1 + next_random(state) % 3; changes > 0; --changes)
                    what += session.change() + " ";
                const std::string failure = scene.frame(session.now());
                ASSERT_EQ(failure, "") << "seed " << seed << " frame " << frame << " after " << what;
            }
            markers += scene.drawn_markers();
            curve += scene.drawn_curve();
        }
    }
    EXPECT_GT(markers, 0u);
    EXPECT_GT(curve, 0u);
}

// GDI's rule, which Wine's GDI+ follows: a line leaves out its last pixel.
const line_ends gdi_rule = line_rule(0x1F);

// Steps of one bucket each, in turns of 97 blocks of 64: 50 blocks at 20, one at
// 30, then 46 at 25. In a column that takes blocks and blocks of blocks whole,
// the rows between 20 and 25 are set only by the riser where the block at 30
// joins the one before it.
TEST(pictures, risers_where_blocks_join_show_in_columns_counted_whole) {
    graph_scene scene(gdi_rule);
    scene.resize(160, 90);
    scene.set_span(604800);
    scene.set_average(1.0);
    std::vector<ping_sample> samples;
    for (int k = 0; k < 200000; ++k) {
        const int turn = (k / 64) % 97;
        samples.push_back(ping_sample{k + 0.5, turn < 50 ? 20.0 : turn == 50 ? 30.0 : 25.0});
    }
    scene.append(samples, 1000);
    EXPECT_EQ(scene.frame(1000), "");
    EXPECT_GT(scene.drawn_curve(), 0u);
}

// A change to one bucket inside a block that a column takes whole, on data whose
// columns are flat, so that the bucket's new mean stands out in its column.
TEST(pictures, a_bucket_changed_inside_a_counted_column_shows_at_the_next_paint) {
    const double width = 0.1;
    // 51,200 buckets (a multiple of every block length) of one sample each, at 20
    // and 30 in turns of 500 s, in the middle of their buckets but the first,
    // which sets the origin; the bucket of 3200.15 stays empty.
    std::vector<ping_sample> samples;
    for (int i = 0; i <= 51200; ++i) {
        const double time = i == 0 ? 1000.0 : 1000.0 + (i + 0.5) * width;
        if (i == 22001) continue;
        samples.push_back(ping_sample{time, static_cast<int>(time / 500.0) % 2 ? 30.0 : 20.0});
    }
    const struct {
        const char* what;
        double time; // of the one sample added after the first paint
    } changes[] = {{"into a bucket in the middle", 3200.06},
                   {"into the last bucket", 6120.07},
                   {"a new bucket in the middle", 3200.15}};
    for (const auto& change : changes) {
        graph_scene scene(gdi_rule);
        scene.resize(160, 90);
        scene.set_span(14400);
        scene.set_average(width);
        scene.append(samples, 1000);
        // Five seconds after the last sample: the last step ends left of the axis.
        ASSERT_EQ(scene.frame(6000), "") << change.what;
        scene.append({ping_sample{change.time, 30.0}}, 1000);
        EXPECT_EQ(scene.frame(6000), "") << change.what;
    }
}

// The clears force a rescale, which makes every picture count again anyway; here
// the scale comes out the same after them, so only the clears' own record of the
// removed samples keeps them out of the next paint.
TEST(pictures, clears_leave_no_pixel_of_the_samples_they_removed) {
    // A wave of 20,000 samples over an hour at 160 pixels, after 100 samples a
    // day older (outside the span); the same values reversed in time come back
    // after "Clear whole graph". Whole values sum exactly in any order, so the
    // scale stays.
    std::vector<ping_sample> old_ones;
    std::vector<ping_sample> wave;
    for (int i = 0; i < 100; ++i) old_ones.push_back(ping_sample{i * 0.5, 25.0});
    for (int i = 0; i < 20000; ++i)
        wave.push_back(ping_sample{86400.0 + i * 0.18, std::round(20.0 + 10.0 * std::sin(i / 900.0))});
    std::vector<ping_sample> reversed = wave;
    for (std::size_t i = 0; i < wave.size(); ++i) reversed[i].rtt = wave[wave.size() - 1 - i].rtt;
    for (const bool all : {true, false}) {
        graph_scene scene(gdi_rule);
        scene.resize(160, 90);
        scene.set_span(3600);
        scene.append(old_ones, 1000);
        scene.append(wave, 1000);
        ASSERT_EQ(scene.frame(1000), "");
        scene.clear(all);
        if (all) scene.append(reversed, 1000);
        EXPECT_EQ(scene.frame(1000), "") << (all ? "clear all" : "clear outside");
    }
}

// More samples on one pixel than a count holds, which then leave it a few
// thousand a paint as the plot moves: the column is counted again, not left
// with a pixel of samples long gone.
// The same for the curve's steps, a bucket of a millisecond (a width the
// registry may hold) for each sample.
TEST(pictures, a_pixel_of_more_samples_than_a_count_holds_empties_as_they_leave) {
    for (const double width : {0.0, 0.001}) {
        graph_scene scene(gdi_rule);
        scene.resize(160, 90);
        scene.set_span(86400);
        scene.set_average(width);
        std::vector<ping_sample> samples;
        for (int i = 0; i < 70000; ++i) samples.push_back(ping_sample{100000.0 + i * 0.01, 20.0});
        samples.push_back(ping_sample{100000.0, 30.0}); // an axis with some height
        scene.append(samples, 1000);
        for (std::uint32_t paint = 0; paint < 40; ++paint)
            ASSERT_EQ(scene.frame(1000 + paint * 100000), "") << "width " << width << " paint " << paint;
    }
}

// What the pictures keep grows by far less than a byte a sample; the rest is a
// few bytes a pixel of the window, whatever the history.
TEST(pictures, keep_a_fraction_of_a_byte_a_sample_and_a_few_bytes_a_pixel) {
    const line_ends ends = line_rule(0x1FF);
    std::size_t bytes[2] = {};
    for (int half = 0; half < 2; ++half) {
        graph_scene scene(ends);
        std::vector<ping_sample> samples;
        for (int i = 0; i < 200000 * (half + 1); ++i) samples.push_back(ping_sample{i * 0.1, 20.0 + i % 17});
        scene.resize(500, 1080);
        scene.set_span(86400);
        scene.append(samples, 1000);
        ASSERT_EQ(scene.frame(1000), "");
        bytes[half] = scene.pictures().memory_bytes();
    }
    EXPECT_LT(bytes[1] - bytes[0], 200000u / 2);
    EXPECT_LT(bytes[0], 5u * 500 * 1080);
}

// Long live stretches, as a stream of pings brings them, between random changes:
// the pictures follow the plot in at least a third of their paints (the rest count
// everything again after a rescale, or draw fresh where samples are few for the
// columns), and every paint gives the plain walk's pixels.
TEST(pictures, follow_the_plot_through_long_live_stretches) {
    paint_paths markers;
    paint_paths curve;
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        std::uint32_t state = seed;
        graph_scene scene(gdi_rule, display_scale{scale_dpis[seed - 1]});
        graph_session<graph_scene> session(scene, [&state] { return next_random(state); });
        session.start();
        for (int stretch = 0; stretch < 4; ++stretch) {
            const std::string what = session.change();
            ASSERT_EQ(scene.frame(session.now()), "") << "seed " << seed << " after " << what;
            // A window wide enough for a plot: narrower ones turn the time axis round.
            stretch % 2 ? session.resize(500, 250) : session.resize(160, 90);
            for (int paint = 0; paint < 50; ++paint) {
                session.live();
                ASSERT_EQ(scene.frame(session.now()), "") << "seed " << seed << " live paint " << paint;
            }
        }
        const graph_pictures& pictures = scene.pictures();
        for (auto [sum, paths] :
             {std::pair{&markers, pictures.markers.paths()}, {&curve, pictures.curve.paths()}}) {
            sum->counted += paths.counted;
            sum->followed += paths.followed;
            sum->fresh += paths.fresh;
        }
    }
    // The shares, for whoever tunes the pictures' budgets.
    std::printf("followed: markers %zu of %zu paints, curve %zu of %zu\n", markers.followed, markers.total(),
                curve.followed, curve.total());
    EXPECT_GE(markers.followed * 3, markers.total())
        << markers.counted << " counted, " << markers.fresh << " fresh";
    EXPECT_GE(curve.followed * 3, curve.total()) << curve.counted << " counted, " << curve.fresh << " fresh";
}

} // namespace
