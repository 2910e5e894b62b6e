// Pixel-exact checks of draw_graph on small pictures worked out from the drawing formulas.
//
// The standard scene: client 200 x 120, values 0..100, so plot_height = 100 and
// y_scale = 1: Y(v) = 110 - v. The grid step is 50 (labels "0", "50", "100"; the
// widest, "100", is 25 pixels wide in Liberation Sans 12 px), so plot_width =
// 200 - 20 - 25 = 155, axis_x = 165 and the labels start at x = 169. A span of
// 155 s ending at 1000 gives x_scale = 1: X(t) = t - 835.
//
// GDI+ under Wine leaves out the last pixel of a line; the checks avoid the end
// pixels of lines where GDI+ implementations may differ.
#include "tests/app/render/render_scene_win.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "app/graph/marker_shape.h"

namespace {

constexpr int axis_x = 165;
constexpr int label_left = 169;

void standard(render_scene& scene) {
    scene.set_values(0.0, 100.0);
    scene.set_times(1000.0, 155);
}

TEST(draw_graph, label_width_of_the_standard_scene) {
    render_scene scene(200, 120);
    Gdiplus::RectF box;
    graph_resources& res = scene.view.resources;
    ASSERT_EQ(scene.graphics.measure_string(L"100", res.label_font, res.label_format, box), Gdiplus::Ok);
    EXPECT_EQ(box.Width, 25.0f);
    EXPECT_EQ(box.Height, 14.0f);
}

TEST(draw_graph, grid_lines_axis_and_labels) {
    render_scene scene(200, 120);
    standard(scene);
    scene.draw();

    EXPECT_DOUBLE_EQ(scene.store.x_scale, 1.0);
    for (int y : {110, 60, 10}) {
        EXPECT_EQ(scene.at(9, y), white) << y;
        for (int x = 10; x < axis_x; ++x) ASSERT_EQ(scene.at(x, y), grid_argb) << x << "," << y;
        for (int x = axis_x + 1; x < label_left; ++x) EXPECT_EQ(scene.at(x, y), white) << x;
    }
    for (int y = 11; y < 110; ++y) {
        if (y != 60) {
            EXPECT_EQ(scene.at(50, y), white) << y;
        }
    }
    EXPECT_EQ(scene.at(axis_x, 9), white);
    for (int y = 10; y < 110; ++y) ASSERT_EQ(scene.at(axis_x, y), axis_argb) << y;
    EXPECT_EQ(scene.at(axis_x, 111), white);
    EXPECT_EQ(scene.at(axis_x - 1, 30), white);
    EXPECT_EQ(scene.at(axis_x + 1, 30), white);

    // Three labels, each in a 14-pixel box centred on its grid line: rows Y - 7 to Y + 6.
    const auto runs = ink_runs(scene.view.back_buffer, axis_x + 1);
    ASSERT_EQ(runs.size(), 3u);
    const int lines[] = {10, 60, 110};
    for (std::size_t i = 0; i < runs.size(); ++i) {
        EXPECT_GE(runs[i].first, lines[i] - 7) << i;
        EXPECT_LE(runs[i].second, lines[i] + 6) << i;
        EXPECT_LE(runs[i].first, lines[i]) << i;
        EXPECT_GE(runs[i].second, lines[i] - 2) << i;
    }
    // Nothing right of the widest label's box, and nothing left of the column.
    for (int y = 0; y < scene.height(); ++y)
        for (int x = label_left + 25; x < scene.width(); ++x) ASSERT_EQ(scene.at(x, y), white);
}

// The markers that draw_graph sets on the standard scene: five pixels around each
// centre, truncated toward zero, for the visible samples inside the value range
// (its edges included), none with only the average; the extremes of all of them.
TEST(draw_graph, markers_of_the_visible_samples_in_the_value_range) {
    const struct {
        const char* what;
        std::vector<ping_sample> samples;
        std::uint32_t first_visible;
        bool only_avg;
        std::vector<std::pair<int, int>> centres;
        double low, high;
    } cases[] = {
        {"two markers, one on a grid line",
         {{900.0, 50.0}, {950.0, 30.0}},
         0,
         false,
         {{65, 60}, {115, 80}},
         30,
         50},
        {"truncated toward zero", {{950.9, 30.9}}, 0, false, {{115, 79}}, 30.9, 30.9},
        {"outside the range, and on its edges",
         {{900.0, -0.5}, {910.0, 100.5}, {920.0, 0.0}, {930.0, 100.0}},
         0,
         false,
         {{85, 110}, {95, 10}},
         -0.5,
         100.5},
        {"left of first_visible", {{800.0, 5.0}, {950.0, 30.0}}, 1, false, {{115, 80}}, 30, 30},
        {"only the average", {{900.0, 20.0}, {950.0, 70.0}}, 0, true, {}, 20, 70},
    };
    render_scene empty(200, 120);
    standard(empty);
    empty.draw();
    for (const auto& c : cases) {
        render_scene scene(200, 120);
        standard(scene);
        for (const ping_sample& sample : c.samples) scene.add(sample.time, sample.rtt);
        scene.store.first_visible = c.first_visible;
        scene.store.only_avg = c.only_avg;
        scene.draw();
        pixel_map expected;
        // The plus of five pixels around each centre.
        for (const auto& [x, y] : c.centres)
            for (const auto& [dx, dy] : {std::pair{-1, 0}, {0, 0}, {1, 0}, {0, -1}, {0, 1}})
                expected[{x + dx, y + dy}] = marker_argb;
        EXPECT_EQ(scene.differences(empty), expected) << c.what;
        EXPECT_EQ(scene.store.win_min, c.low) << c.what;
        EXPECT_EQ(scene.store.win_max, c.high) << c.what;
    }
}

// At 200 % every length doubles: margins and insets of 20, a 24-pixel font, lines two pixels
// thick (the line's own row or column and the one below or right of it) and a marker of 6 by 6
// whose centre square of 2 by 2 lies on its sample's pixel and below and right of it.
TEST(draw_graph, everything_scales_with_the_display) {
    render_scene scene(400, 240, 192);
    EXPECT_EQ(scene.store.margin, 20.0);
    EXPECT_EQ(scene.store.plot_left, 20.0);
    scene.set_values(0.0, 100.0); // plot_height 200, y_scale 2: Y(v) = 220 - 2 v
    Gdiplus::RectF box;
    graph_resources& res = scene.view.resources;
    ASSERT_EQ(scene.graphics.measure_string(L"100", res.label_font, res.label_format, box), Gdiplus::Ok);
    EXPECT_NEAR(box.Height, 28.0f, 2.0f); // twice the 14 of 12 pixels
    const double plot_width = 400 - 40 - box.Width;
    scene.set_times(1000.0, static_cast<std::uint32_t>(plot_width)); // x_scale 1
    scene.add(1000.0 - plot_width + 100.0, 50.0);                    // at (120, 120)
    scene.draw();

    const int axis = static_cast<int>(plot_width + 20.0);
    EXPECT_EQ(scene.at(axis - 1, 100), white);
    EXPECT_EQ(scene.at(axis, 100), axis_argb);
    EXPECT_EQ(scene.at(axis + 1, 100), axis_argb);
    EXPECT_EQ(scene.at(axis + 2, 100), white);
    EXPECT_EQ(scene.at(60, 19), white); // the grid line of 100 at rows 20 and 21
    EXPECT_EQ(scene.at(60, 20), grid_argb);
    EXPECT_EQ(scene.at(60, 21), grid_argb);
    EXPECT_EQ(scene.at(60, 22), white);

    pixel_map marker = scene.pixels_of(marker_argb);
    pixel_map expected;
    for (int y = 118; y <= 123; ++y)
        for (int x = 118; x <= 123; ++x)
            if ((y == 120 || y == 121) || (x == 120 || x == 121)) expected[{x, y}] = marker_argb;
    EXPECT_EQ(marker, expected);
    EXPECT_EQ(marker.size(), 20u);
}

TEST(draw_graph, average_staircase_with_risers_and_breaks) {
    render_scene scene(200, 120);
    standard(scene);
    scene.store.only_avg = true;
    scene.add(900.0, 40.0); // bucket 0 (900..910): mean 50, y = 60, x 65..75
    scene.add(905.0, 60.0);
    scene.add(912.0, 20.0); // bucket 1 (910..920): y = 90, x 75..85, riser at 75
    // bucket 2 (920..930) empty: the curve breaks
    scene.add(935.0, 70.0);  // bucket 3 (930..940): y = 40, x 95..105, no riser
    scene.add(945.0, 150.0); // bucket 4 (940..950): mean above y_high, breaks
    scene.add(955.0, 30.0);  // bucket 5 (950..960): y = 80, x 115..125, no riser
    scene.average(10.0);
    scene.draw();

    std::set<std::pair<int, int>> must;
    for (int x = 65; x < 75; ++x) must.insert({x, 60});
    for (int y = 60; y < 90; ++y) must.insert({75, y});
    for (int x = 75; x < 85; ++x) must.insert({x, 90});
    for (int x = 95; x < 105; ++x) must.insert({x, 40});
    for (int x = 115; x < 125; ++x) must.insert({x, 80});
    // End pixels of lines, which a GDI+ implementation may or may not set.
    const std::set<std::pair<int, int>> may = {{85, 90}, {105, 40}, {125, 80}, {75, 90}};

    const pixel_map blue = scene.pixels_of(avg_argb);
    for (const auto& p : must) EXPECT_EQ(blue.count(p), 1u) << p.first << "," << p.second;
    for (const auto& entry : blue) {
        const auto p = entry.first;
        EXPECT_TRUE(must.count(p) || may.count(p)) << "stray " << p.first << "," << p.second;
    }
}

TEST(draw_graph, buckets_are_cut_at_the_plot_edges) {
    render_scene scene(200, 120);
    scene.set_values(0.0, 100.0);
    scene.set_times(995.0, 155); // left_time 840; X(t) = t - 830
    scene.store.only_avg = true;
    scene.add(810.0, 10.0); // sets the origin; bucket 810..830 ends before left_time: skipped
    scene.add(845.0, 50.0); // bucket 830..850: from x = -10 -> 10 to 20, y = 60
    scene.add(992.0, 30.0); // bucket 990..1010: from 160 to 175 -> axis_x, y = 80
    scene.store.first_visible = 1;
    scene.average(20.0);
    ASSERT_EQ(scene.store.bucket_origin, 810.0);
    scene.draw();

    const pixel_map blue = scene.pixels_of(avg_argb);
    for (int x = 10; x < 20; ++x) EXPECT_EQ(blue.count({x, 60}), 1u) << x;
    for (int x = 160; x < axis_x; ++x) EXPECT_EQ(blue.count({x, 80}), 1u) << x;
    for (const auto& entry : blue) {
        const int x = entry.first.first;
        const int y = entry.first.second;
        EXPECT_TRUE((y == 60 && x >= 10 && x <= 20) || (y == 80 && x >= 160 && x <= axis_x))
            << "stray " << x << "," << y;
    }
    // The two segments are not joined: the buckets between them are empty.
    for (int y = 61; y < 80; ++y) EXPECT_NE(scene.at(160, y), avg_argb) << y;
}

TEST(draw_graph, show_avg_off_draws_no_curve) {
    render_scene scene(200, 120);
    standard(scene);
    scene.add(900.0, 50.0);
    scene.average(10.0);
    scene.store.show_avg = false;
    scene.draw();
    EXPECT_TRUE(scene.pixels_of(avg_argb).empty());
}

TEST(draw_graph, the_pictures_give_the_pixels_of_set_pixel_at_the_bitmap_edges) {
    // Markers everywhere, many of them partly or wholly outside the bitmap.
    render_scene by_pixel(200, 120);
    render_scene by_view(200, 120);
    for (render_scene* scene : {&by_pixel, &by_view}) {
        scene->store.margin = 0.0; // values reach rows 0 and 120
        scene->set_values(0.0, 100.0);
        scene->set_times(1000.0, 155);
        std::uint32_t state = 12345;
        for (int i = 0; i < 3000; ++i) {
            state = state * 1103515245u + 12345u;
            const double time = 820.0 + (state >> 8) % 2200 / 10.0; // x from -5 to 205
            state = state * 1103515245u + 12345u;
            const double rtt = -2.0 + (state >> 8) % 1050 / 10.0;
            scene->add(time, rtt);
        }
        scene->add(1000.0 - 155.0 - 10.0, 100.0); // x = 0, y = 0: corner
        scene->add(1000.0 + 34.0, 0.0);           // x = 199, y = 120: corner
        std::sort(scene->store.samples.begin(), scene->store.samples.end(),
                  [](const ping_sample& a, const ping_sample& b) { return a.time < b.time; });
    }
    by_pixel.draw_plain();
    by_view.draw();
    EXPECT_TRUE(by_view.differences(by_pixel).empty());
    EXPECT_FALSE(by_view.pixels_of(marker_argb).empty());
    EXPECT_EQ(by_view.at(0, 0), marker_argb);
    EXPECT_EQ(by_view.at(199, 119), marker_argb);
}

TEST(draw_graph, draw_marker_skips_pixels_outside_the_bitmap) {
    render_scene scene(20, 10);
    draw_marker(scene.view, 0, 0);
    draw_marker(scene.view, 19, 9);
    draw_marker(scene.view, -5, 3);
    draw_marker(scene.view, 2147483647, -2147483647 - 1);
    const pixel_map expected = {{{0, 0}, marker_argb},  {{1, 0}, marker_argb},  {{0, 1}, marker_argb},
                                {{18, 9}, marker_argb}, {{19, 9}, marker_argb}, {{19, 8}, marker_argb}};
    EXPECT_EQ(scene.pixels_of(marker_argb), expected);
}

} // namespace
