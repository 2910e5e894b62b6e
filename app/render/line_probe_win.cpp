// The line-end rule of this system's GDI+, learnt once by drawing test lines.
#include "app/render/line_probe_win.h"

#include "app/render/back_buffer_view_win.h"
#include "app/render/graph_resources_win.h"

namespace {

using direction = line_ends::direction;
constexpr direction down = line_ends::down;
constexpr direction up = line_ends::up;
constexpr direction right = line_ends::right;
constexpr direction left = line_ends::left;

struct test_line {
    int x1, y1, x2, y2;
};

// Lines of every direction, long and short, apart from each other.
constexpr test_line test_lines[] = {{2, 2, 2, 7},     {5, 7, 5, 2},   {8, 3, 13, 3},  {13, 6, 8, 6},
                                    {10, 10, 10, 10}, {16, 2, 16, 3}, {19, 3, 19, 2}, {16, 12, 17, 12},
                                    {18, 15, 17, 15}, {2, 18, 2, 40}, {3, 20, 30, 20}};
constexpr int probe_width = 32;
constexpr int probe_height = 44;

void learn(gdip_bitmap& drawn, line_ends& ends) {
    const auto set = [&drawn](int x, int y) { return drawn.pixel(x, y) != 0xFFFFFFFF; };
    ends.point = set(10, 10);
    ends.first[down] = set(2, 2);
    ends.last[down] = set(2, 7);
    ends.first[up] = set(5, 7);
    ends.last[up] = set(5, 2);
    ends.first[right] = set(8, 3);
    ends.last[right] = set(13, 3);
    ends.first[left] = set(13, 6);
    ends.last[left] = set(8, 6);
    ends.known = true;
}

} // namespace

line_ends probe_line_ends(gdip_pen& pen) {
    line_ends ends;
    gdip_bitmap drawn(probe_width, probe_height, PixelFormat24bppRGB);
    gdip_bitmap predicted(probe_width, probe_height, PixelFormat24bppRGB);
    {
        gdip_graphics graphics = gdip_graphics::on_image(drawn);
        gdip_graphics blank = gdip_graphics::on_image(predicted);
        if (graphics.clear(0xFFFFFFFF) != Gdiplus::Ok || blank.clear(0xFFFFFFFF) != Gdiplus::Ok)
            return line_ends();
        for (const test_line& l : test_lines)
            if (graphics.draw_line(pen, l.x1, l.y1, l.x2, l.y2) != Gdiplus::Ok) return line_ends();
        graphics.flush();
    }
    learn(drawn, ends);
    // The rule holds only if it predicts every test line, the short ones included.
    {
        back_buffer_view view(predicted);
        if (!view.usable()) return line_ends();
        view.set_color(0xFF000000);
        for (const test_line& l : test_lines) draw_straight_line(ends, l.x1, l.y1, l.x2, l.y2, view);
    }
    for (int y = 0; y < probe_height; ++y)
        for (int x = 0; x < probe_width; ++x)
            if ((drawn.pixel(x, y) == 0xFFFFFFFF) != (predicted.pixel(x, y) == 0xFFFFFFFF))
                return line_ends();
    return ends;
}

const line_ends& gdiplus_line_ends() {
    static const line_ends ends = [] {
        gdip_pen pen(avg_color, 1.0f, Gdiplus::UnitWorld);
        return probe_line_ends(pen);
    }();
    return ends;
}
