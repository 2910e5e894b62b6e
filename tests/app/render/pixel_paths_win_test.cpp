// The locked-view pixel path gives exactly the pixels of the GDI+ calls it stands for.
#include "tests/app/render/render_scene_win.h"

#include <cmath>

#include "app/render/back_buffer_view_win.h"

namespace {

struct test_line {
    int x1, y1, x2, y2;
};

TEST(line_ends, are_learnt_from_gdiplus) {
    const line_ends& ends = gdiplus_line_ends();
    ASSERT_TRUE(ends.known);
    // Every direction sets its first pixel.
    for (int d = 0; d < 4; ++d) EXPECT_TRUE(ends.first[d]) << d;
}

TEST(line_ends, view_lines_match_gdiplus_lines_in_every_direction_and_at_the_edges) {
    const line_ends& ends = gdiplus_line_ends();
    ASSERT_TRUE(ends.known);
    gdip_pen pen(avg_argb, 1.0f, Gdiplus::UnitWorld);
    std::uint32_t state = 7;
    for (int round = 0; round < 30; ++round) {
        std::vector<test_line> lines;
        for (int i = 0; i < 12; ++i) {
            // Ends from -10 to 69 (x) and 49 (y): some lines leave the bitmap.
            const int a = static_cast<int>(next(state) % 80) - 10;
            const int b = static_cast<int>(next(state) % 80) - 10;
            const int c = static_cast<int>(next(state) % 60) - 10;
            const bool vertical = next(state) % 2 == 0;
            const bool point = next(state) % 8 == 0;
            const int d = point ? a : b;
            lines.push_back(vertical ? test_line{c, a, c, d} : test_line{a, c, d, c});
        }
        lines.push_back({5, 5, 5, 5});
        lines.push_back({-3, 20, 100000, 20});
        lines.push_back({30, 1 << 29, 30, -(1 << 29)});

        gdip_bitmap by_gdiplus(60, 40, PixelFormat24bppRGB);
        gdip_bitmap by_view(60, 40, PixelFormat24bppRGB);
        {
            gdip_graphics graphics = gdip_graphics::on_image(by_gdiplus);
            graphics.clear(white);
            for (const test_line& l : lines) graphics.draw_line(pen, l.x1, l.y1, l.x2, l.y2);
            gdip_graphics(gdip_graphics::on_image(by_view)).clear(white);
        }
        {
            back_buffer_view view(by_view);
            ASSERT_TRUE(view.usable());
            view.set_color(avg_argb);
            for (const test_line& l : lines) view.line(ends, l.x1, l.y1, l.x2, l.y2);
        }
        ASSERT_EQ(first_difference(by_view, by_gdiplus), "") << "round " << round;
    }
}

TEST(back_buffer_view, fill_matches_graphics_clear) {
    gdip_bitmap cleared(37, 23, PixelFormat24bppRGB);
    gdip_bitmap filled(37, 23, PixelFormat24bppRGB);
    for (Gdiplus::ARGB color : {0xFFFFFFFFu, 0xFF123456u, 0xFF000000u}) {
        gdip_graphics(gdip_graphics::on_image(cleared)).clear(color);
        {
            back_buffer_view view(filled);
            ASSERT_TRUE(view.usable());
            view.set_color(color);
            view.fill();
        }
        EXPECT_EQ(first_difference(filled, cleared), "") << std::hex << color;
    }
}

// A window of `width` x `height` with a day of noisy samples, some far outside
// the usual range, averaged over `avg_time` seconds.
std::unique_ptr<brisk_window> busy_window(int width, int height, double avg_time, bool only_avg) {
    auto window = std::make_unique<brisk_window>();
    window->client_width = width;
    window->client_height = height;
    window->x_time = 3600;
    window->x_time_changed = true;
    window->avg_time = avg_time;
    window->only_avg = only_avg;
    window->last_data_tick = 1000;
    std::uint32_t state = 99;
    std::vector<ping_sample> samples;
    for (int i = 0; i < 20000; ++i) {
        double rtt = 20.0 + 6.0 * std::sin(i / 500.0) + (next(state) % 1000) / 200.0;
        if (next(state) % 500 == 0) rtt = 400.0; // spikes above the axis
        if (next(state) % 700 == 0) rtt = -3.0;
        samples.push_back(ping_sample{i * 0.25, rtt});
    }
    append_samples(window->store, samples.data(), samples.size());
    return window;
}

TEST(pixel_paths, the_whole_picture_is_the_same_on_both_paths) {
    const struct {
        int width, height;
        double avg_time;
        bool only_avg;
    } cases[] = {{500, 250, 1.0, false},   {500, 250, 0.25, false}, {500, 250, 60.0, true},
                 {320, 200, 600.0, false}, {500, 250, 0.0, false},  {40, 15, 1.0, false},
                 {1, 1, 5.0, false}};
    for (const auto& c : cases) {
        auto by_gdiplus = busy_window(c.width, c.height, c.avg_time, c.only_avg);
        auto by_view = busy_window(c.width, c.height, c.avg_time, c.only_avg);
        auto by_fallback = busy_window(c.width, c.height, c.avg_time, c.only_avg);
        for (std::uint32_t idle : {0u, 700u, 1500000u}) {
            render_back_buffer(*by_gdiplus, by_gdiplus->last_data_tick + idle, pixel_path::gdiplus);
            render_back_buffer(*by_view, by_view->last_data_tick + idle, pixel_path::locked_view);
            render_back_buffer(*by_fallback, by_fallback->last_data_tick + idle,
                               pixel_path::locked_view_gdiplus_curve);
            EXPECT_EQ(first_difference(by_view->back_buffer, by_gdiplus->back_buffer), "")
                << c.width << "x" << c.height << " avg " << c.avg_time << " idle " << idle;
            EXPECT_EQ(first_difference(by_fallback->back_buffer, by_gdiplus->back_buffer), "")
                << "fallback " << c.width << "x" << c.height << " avg " << c.avg_time << " idle " << idle;
            EXPECT_EQ(by_view->store.win_min, by_gdiplus->store.win_min);
            EXPECT_EQ(by_view->store.win_max, by_gdiplus->store.win_max);
        }
    }
}

// Noisy samples at irregular times with gaps (which break the curve), spikes far
// above the axis (whose buckets break it too) and a span shorter than the data
// (buckets cut at the left edge); `seed` varies everything.
std::unique_ptr<brisk_window> random_window(std::uint32_t seed, int width, int height, double avg_time,
                                            std::uint32_t span) {
    auto window = std::make_unique<brisk_window>();
    window->client_width = width;
    window->client_height = height;
    window->x_time = span;
    window->x_time_changed = true;
    window->avg_time = avg_time;
    window->only_avg = next(seed) % 2 == 0;
    window->last_data_tick = 1000;
    std::vector<ping_sample> samples;
    double time = 1000.0 + next(seed) % 1000;
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t kind = next(seed) % 1000;
        time += kind < 3 ? 5.0 + next(seed) % 400 : (next(seed) % 1000) / 4000.0;
        double rtt = 30.0 + 10.0 * std::sin(time / 300.0) + (next(seed) % 1000) / 100.0;
        if (kind >= 990) rtt = 5000.0 + next(seed) % 1000;
        samples.push_back(ping_sample{time, rtt});
    }
    append_samples(window->store, samples.data(), samples.size());
    return window;
}

TEST(pixel_paths, the_average_curve_is_the_same_on_every_path_on_random_data) {
    const struct {
        int width, height;
        double avg_time;
        std::uint32_t span;
    } cases[] = {{500, 250, 0.05, 3600}, {500, 250, 1.0, 2000}, {300, 120, 7.0, 4000},
                 {640, 400, 0.3, 600},   {7, 5, 0.5, 3600},     {500, 250, 45.0, 3000}};
    std::uint32_t seed = 2024;
    for (const auto& c : cases) {
        const std::uint32_t window_seed = next(seed);
        auto by_gdiplus = random_window(window_seed, c.width, c.height, c.avg_time, c.span);
        auto by_view = random_window(window_seed, c.width, c.height, c.avg_time, c.span);
        auto by_fallback = random_window(window_seed, c.width, c.height, c.avg_time, c.span);
        for (std::uint32_t idle : {0u, 1234u, c.span * 400u}) {
            render_back_buffer(*by_gdiplus, by_gdiplus->last_data_tick + idle, pixel_path::gdiplus);
            render_back_buffer(*by_view, by_view->last_data_tick + idle, pixel_path::locked_view);
            render_back_buffer(*by_fallback, by_fallback->last_data_tick + idle,
                               pixel_path::locked_view_gdiplus_curve);
            EXPECT_EQ(first_difference(by_view->back_buffer, by_gdiplus->back_buffer), "")
                << c.width << "x" << c.height << " avg " << c.avg_time << " idle " << idle;
            EXPECT_EQ(first_difference(by_fallback->back_buffer, by_gdiplus->back_buffer), "")
                << "fallback " << c.width << "x" << c.height << " avg " << c.avg_time << " idle " << idle;
        }
        // The data did reach the curve: some of it is blue.
        int curve = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) curve += by_view->back_buffer.pixel(x, y) == avg_argb;
        EXPECT_GT(curve, 0) << c.width << "x" << c.height << " avg " << c.avg_time;
    }
}

} // namespace
