// The paint pipeline into the back buffer: settings applied, view brought up to date, hostile data.
#include "tests/app/render/render_scene_win.h"

#include <cmath>
#include <limits>
#include <string>

#include "app/store/sample_intake.h"

namespace {

struct window_under_test {
    graph_view window;
    window_under_test(int width, int height) {
        window.client_width = width;
        window.client_height = height;
        window.last_data_tick = 5000;
    }
    void add(double time, double rtt) {
        const ping_sample sample{time, rtt};
        append_samples(window.store, &sample, 1);
    }
    void render(std::uint32_t idle_ms = 0) { render_back_buffer(window, window.last_data_tick + idle_ms); }
    Gdiplus::ARGB at(int x, int y) { return window.back_buffer.pixel(x, y); }
    int count(Gdiplus::ARGB color) { return count_colour(window.back_buffer, color); }
    bool all_white() { return count(white) == window.client_width * window.client_height; }
};

TEST(render_back_buffer, empty_store_leaves_a_white_24_bit_buffer_of_the_client_size) {
    window_under_test w(200, 120);
    w.render();
    ASSERT_TRUE(w.window.back_buffer);
    EXPECT_EQ(w.window.back_buffer.width(), 200);
    EXPECT_EQ(w.window.back_buffer.height(), 120);
    Gdiplus::PixelFormat format = 0;
    Gdiplus::DllExports::GdipGetImagePixelFormat(w.window.back_buffer.get(), &format);
    EXPECT_EQ(format, static_cast<Gdiplus::PixelFormat>(PixelFormat24bppRGB));
    EXPECT_TRUE(w.all_white());
    EXPECT_FALSE(w.window.settings.avg_changed);
}

TEST(render_back_buffer, a_single_sample_gets_one_grid_line_and_one_label_at_the_bottom) {
    // y_low = y_high = 12.5, y_scale 0: everything maps to y = 110. The label
    // "12.5" is 28 x 14, so plot_width = 152, axis_x = 162, and the newest sample
    // lies at right_time, x = 162.
    window_under_test w(200, 120);
    w.window.settings.avg_time = 0.0;
    w.add(100.0, 12.5);
    w.render();

    EXPECT_EQ(w.window.store.y_low, 12.5);
    EXPECT_EQ(w.window.store.y_high, 12.5);
    EXPECT_EQ(w.window.store.y_scale, 0.0);
    EXPECT_DOUBLE_EQ(w.window.store.x_scale, 152.0 / 60.0);
    EXPECT_EQ(w.at(161, 110), marker_argb);
    EXPECT_EQ(w.at(162, 110), marker_argb);
    EXPECT_EQ(w.at(163, 110), marker_argb);
    EXPECT_EQ(w.at(162, 109), marker_argb);
    EXPECT_EQ(w.at(162, 111), marker_argb);
    for (int x = 10; x < 160; ++x) ASSERT_EQ(w.at(x, 110), grid_argb) << x;
    for (int y = 10; y < 109; ++y) ASSERT_EQ(w.at(162, y), axis_argb) << y;
    for (int y = 0; y < 120; ++y) {
        if (y != 110) {
            ASSERT_EQ(w.at(50, y), white) << y;
        }
    }
    const auto label = ink_runs(w.window.back_buffer, 164);
    ASSERT_FALSE(label.empty());
    EXPECT_GE(label.front().first, 103);
    EXPECT_LE(label.back().second, 116);
}

TEST(render_back_buffer, idle_time_moves_the_right_edge_even_across_the_tick_wrap) {
    window_under_test w(200, 120);
    w.window.settings.avg_time = 0.0;
    w.window.last_data_tick = 0xFFFFFF00u;
    w.add(100.0, 12.5);
    render_back_buffer(w.window, 0x100u); // 512 ms later
    EXPECT_DOUBLE_EQ(w.window.store.idle_secs, 0.512);
    EXPECT_DOUBLE_EQ(w.window.store.right_time, 100.512);
}

// How the settings reach the store is the store's own test; here, that the paint
// applies them before it draws: a new span that leaves every sample outside.
TEST(render_back_buffer, applies_changed_settings_before_drawing) {
    window_under_test w(200, 120);
    w.add(100.0, 10.0);
    w.add(101.0, 20.0);
    w.render();
    EXPECT_FALSE(w.all_white());
    w.window.settings.x_time = 10;
    w.window.settings.x_time_changed = true;
    w.render(20000); // 20 s idle: both samples are older than the span
    EXPECT_EQ(w.window.store.first_visible, 2u);
    EXPECT_TRUE(w.all_white());
}

TEST(render_back_buffer, only_avg_shows_the_curve_without_markers) {
    window_under_test w(200, 120);
    w.window.settings.only_avg = true;
    for (int i = 0; i < 30; ++i) w.add(100.0 + i, 10.0 + i % 7);
    w.render();
    EXPECT_EQ(w.count(marker_argb), 0);
    EXPECT_GT(w.count(avg_argb), 0);
}

// WM_SIZE drops the buffer: the next paint makes one of the new size, or tries
// again at the next when none can be made.
TEST(render_back_buffer, the_buffer_follows_the_client_size) {
    window_under_test w(0, 0);
    w.add(100.0, 12.5);
    w.render();
    EXPECT_FALSE(w.window.back_buffer);
    w.window.client_width = 300;
    w.window.client_height = 90;
    w.window.store.y_high = -1.0;
    w.render();
    EXPECT_EQ(w.window.back_buffer.width(), 300);
    EXPECT_EQ(w.window.back_buffer.height(), 90);
    EXPECT_EQ(w.window.store.plot_height, 70.0);
}

TEST(render_back_buffer, a_span_of_zero_draws_grid_and_labels_but_no_point) {
    // x_scale is infinite (or not a number): no x coordinate can be formed.
    window_under_test w(200, 120);
    w.window.settings.x_time = 0;
    w.window.settings.x_time_changed = true;
    for (int i = 0; i < 20; ++i) w.add(100.0 + i, 10.0 + i);
    w.render();
    EXPECT_EQ(w.count(marker_argb), 0);
    EXPECT_EQ(w.at(10, 110), grid_argb);
}

// Markers, curve and grid stay inside the plot (a marker's arms reach one pixel
// beyond it), and the value axis stands where the frame puts it.
void expect_drawing_inside_the_plot(window_under_test& w, const char* what) {
    const sample_store& store = w.window.store;
    const double plot_width = store.x_scale * store.span_secs;
    const int axis_x = static_cast<int>(std::floor(plot_width + 10.0 + 1e-6));
    const int top = 10;
    const int bottom = static_cast<int>(store.margin + store.plot_height);
    int axis_pixels = 0;
    for (int y = 0; y < w.window.client_height; ++y) {
        for (int x = 0; x < w.window.client_width; ++x) {
            const Gdiplus::ARGB c = w.at(x, y);
            if (c == marker_argb || c == avg_argb || c == grid_argb) {
                ASSERT_TRUE(x >= 9 && x <= axis_x + 1 && y >= top - 1 && y <= bottom + 1)
                    << what << ": colour " << std::hex << c << std::dec << " at " << x << "," << y;
            }
            if (c != white) {
                ASSERT_GE(x, 9) << what << ": ink left of the plot at " << x << "," << y;
            }
        }
    }
    for (int y = top; y < bottom; ++y) axis_pixels += w.at(axis_x, y) == axis_argb;
    // Markers and the curve may cover a few pixels of the axis at the right edge.
    EXPECT_GE(axis_pixels, (bottom - top) * 9 / 10) << what << ": no axis at x = " << axis_x;
}

TEST(render_back_buffer, enormous_and_tiny_values_stay_inside_the_plot) {
    const double big = std::numeric_limits<double>::max();
    const double cases[][2] = {{1e300, -1e300}, {big, -big},         {1e-300, 2e-300},
                               {4e9, -4e9},     {1e17, 1e17 + 64.0}, {0.001, 1000.0}};
    for (const auto& c : cases) {
        window_under_test w(300, 200);
        for (int i = 0; i < 50; ++i) w.add(1000.0 + i, i % 2 ? c[0] : c[1]);
        w.add(1100.0, c[0]);
        const std::string what = std::to_string(c[0]) + " / " + std::to_string(c[1]);
        w.render(300);
        expect_drawing_inside_the_plot(w, what.c_str());
        w.render(900);
        expect_drawing_inside_the_plot(w, what.c_str());
        // The newest sample, at the right edge, is drawn wherever its value lies on the axis.
        if (w.window.store.y_low <= c[0] && c[0] <= w.window.store.y_high) {
            EXPECT_GT(w.count(marker_argb), 0) << what;
        }
    }
}

// Only the newest sample lies within a week of 1e300: its marker at the right
// edge of the plot, the others beyond every pixel, without undefined conversions.
TEST(render_back_buffer, huge_times_end_without_undefined_conversions) {
    window_under_test w(300, 200);
    w.window.settings.avg_time = 1e-3;
    w.window.settings.x_time = 604800;
    w.add(-1e300, 5.0);
    w.add(0.0, 6.0);
    w.add(1e300, 7.0);
    w.window.settings.x_time_changed = true;
    w.render();
    w.render(1000);
    EXPECT_EQ(w.window.store.first_visible, 2u);
    EXPECT_EQ(w.count(marker_argb), 5);
}

TEST(render_back_buffer, a_very_low_window_gets_one_label) {
    // plot_height -5: nice_step gives y_low (0.001) as the step over a range near 1000.
    window_under_test w(300, 15);
    w.add(100.0, 0.001);
    w.add(101.0, 1000.0);
    w.add(102.0, 500.0);
    w.render();
    EXPECT_EQ(w.window.store.plot_height, -5.0);
    int grid_rows = 0;
    for (int y = 0; y < 15; ++y) grid_rows += w.at(12, y) == grid_argb;
    EXPECT_EQ(grid_rows, 1);
}

TEST(paint, without_a_device_context_draws_the_buffer_and_copies_nothing) {
    graph_view window;
    window.client_width = 80;
    window.client_height = 60;
    const ping_sample sample{10.0, 3.0};
    append_samples(window.store, &sample, 1);
    window.last_data_tick = GetTickCount();
    paint(window, nullptr); // BeginPaint gives no device context
    EXPECT_TRUE(window.back_buffer);
    EXPECT_FALSE(window.settings.avg_changed);
}

} // namespace
