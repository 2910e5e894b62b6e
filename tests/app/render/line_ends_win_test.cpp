// The line rule learnt from GDI+ predicts its lines, and the locked view clears as GDI+ does.
#include "tests/app/render/render_scene_win.h"

#include <cmath>

#include "app/render/back_buffer_view_win.h"
#include "app/render/line_probe_win.h"
#include "tests/app/graph/graph_session.h"

namespace {

struct test_line {
    int x1, y1, x2, y2;
};

// The rule is learnt (Wine's GDI+ follows one) and predicts any line GDI+ draws.
TEST(line_ends, view_lines_match_gdiplus_lines_in_every_direction_and_at_the_edges) {
    const line_ends& ends = gdiplus_line_ends();
    ASSERT_TRUE(ends.known);
    gdip_pen pen(avg_argb, 1.0f, Gdiplus::UnitWorld);
    std::uint32_t state = 7;
    for (int round = 0; round < 30; ++round) {
        std::vector<test_line> lines;
        for (int i = 0; i < 12; ++i) {
            // Ends from -10 to 69 (x) and 49 (y): some lines leave the bitmap.
            const int a = static_cast<int>(next_random(state) % 80) - 10;
            const int b = static_cast<int>(next_random(state) % 80) - 10;
            const int c = static_cast<int>(next_random(state) % 60) - 10;
            const bool vertical = next_random(state) % 2 == 0;
            const bool point = next_random(state) % 8 == 0;
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
            for (const test_line& l : lines) draw_straight_line(ends, l.x1, l.y1, l.x2, l.y2, view);
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

} // namespace
