#include "app/render/back_buffer_view_win.h"

#include <algorithm>
#include <cstring>

#if defined(_MSC_VER)
#include <intrin.h>
#endif

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
        for (const test_line& l : test_lines) view.line(ends, l.x1, l.y1, l.x2, l.y2);
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

back_buffer_view::back_buffer_view(gdip_bitmap& bitmap)
    : lock_(bitmap, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB) {
    if (!lock_.locked()) return;
    const Gdiplus::BitmapData& data = lock_.data();
    scan0_ = static_cast<BYTE*>(data.Scan0);
    stride_ = data.Stride;
    width_ = data.Width;
    height_ = data.Height;
    inner_width_ = width_ >= 2 ? width_ - 2 : 0;
    inner_height_ = height_ >= 2 ? height_ - 2 : 0;
}

void back_buffer_view::set_color(Gdiplus::ARGB color) {
    flush_column();
    blue_ = static_cast<BYTE>(color);
    green_ = static_cast<BYTE>(color >> 8);
    red_ = static_cast<BYTE>(color >> 16);
}

void back_buffer_view::fill() {
    flush_column();
    if (!usable() || width_ == 0) return;
    BYTE* first_row = scan0_;
    for (unsigned x = 0; x < width_; ++x) pixel(static_cast<int>(x), 0);
    for (unsigned y = 1; y < height_; ++y)
        std::memcpy(scan0_ + static_cast<std::ptrdiff_t>(y) * stride_, first_row, width_ * 3u);
}

void back_buffer_view::column(int x, std::int64_t from, std::int64_t to) {
    if (static_cast<unsigned>(x) >= width_ || to < from) return;
    from = std::max<std::int64_t>(from, 0);
    to = std::min<std::int64_t>(to, static_cast<std::int64_t>(height_) - 1);
    for (std::int64_t y = from; y <= to; ++y) pixel(x, static_cast<int>(y));
}

namespace {

int lowest_bit(std::uint64_t word) {
#if defined(_MSC_VER)
    unsigned long index = 0;
    _BitScanForward64(&index, word);
    return static_cast<int>(index);
#else
    return __builtin_ctzll(word);
#endif
}

} // namespace

void back_buffer_view::column_bits(int x, const std::uint64_t* words, std::size_t count, int first_row) {
    if (static_cast<unsigned>(x) >= width_) return;
    BYTE* const top = scan0_ + static_cast<std::ptrdiff_t>(x) * 3;
    for (std::size_t k = 0; k < count; ++k) {
        std::uint64_t word = words[k];
        while (word != 0) {
            const std::int64_t y =
                std::int64_t{first_row} + static_cast<std::int64_t>(k * 64) + lowest_bit(word);
            word &= word - 1;
            if (y >= 0 && y < static_cast<std::int64_t>(height_))
                put(top + static_cast<std::ptrdiff_t>(y) * stride_);
        }
    }
}

void back_buffer_view::gather_column(int x, std::int64_t from, std::int64_t to) {
    if (gathering_ && x == gathered_x_ && from <= gathered_to_ + 1 && to >= gathered_from_ - 1) {
        gathered_from_ = std::min(gathered_from_, from);
        gathered_to_ = std::max(gathered_to_, to);
        return;
    }
    flush_column();
    gathering_ = true;
    gathered_x_ = x;
    gathered_from_ = from;
    gathered_to_ = to;
}

void back_buffer_view::flush_column() {
    if (!gathering_) return;
    gathering_ = false;
    column(gathered_x_, gathered_from_, gathered_to_);
}

void back_buffer_view::row(int y, std::int64_t from, std::int64_t to) {
    if (static_cast<unsigned>(y) >= height_ || to < from) return;
    from = std::max<std::int64_t>(from, 0);
    to = std::min<std::int64_t>(to, static_cast<std::int64_t>(width_) - 1);
    for (std::int64_t x = from; x <= to; ++x) pixel(static_cast<int>(x), y);
}

void back_buffer_view::line(const line_ends& ends, int x1, int y1, int x2, int y2) {
    if (x1 == x2 && y1 == y2) {
        if (ends.point) pixel(x1, y1);
        return;
    }
    // The pixels from the first to the last, without the ends the rule leaves out.
    const auto run = [&ends](direction d, std::int64_t a, std::int64_t b, std::int64_t& from,
                             std::int64_t& to) {
        const std::int64_t step = a < b ? 1 : -1;
        if (!ends.first[d]) a += step;
        if (!ends.last[d]) b -= step;
        from = std::min(a, b);
        to = std::max(a, b);
        return step == 1 ? a <= b : a >= b;
    };
    std::int64_t from = 0;
    std::int64_t to = 0;
    if (x1 == x2) {
        if (run(y1 < y2 ? down : up, y1, y2, from, to)) gather_column(x1, from, to);
    } else if (y1 == y2) {
        if (run(x1 < x2 ? right : left, x1, x2, from, to)) row(y1, from, to);
    }
}
