#include "app/render/back_buffer_view_win.h"

#include <algorithm>
#include <cstring>

#include "app/graph/lowest_bit.h"

back_buffer_view::back_buffer_view(gdip_bitmap& bitmap)
    : lock_(bitmap, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB) {
    if (!lock_.locked()) return;
    const Gdiplus::BitmapData& data = lock_.data();
    scan0_ = static_cast<BYTE*>(data.Scan0);
    stride_ = data.Stride;
    width_ = data.Width;
    height_ = data.Height;
}

void back_buffer_view::set_color(Gdiplus::ARGB color) {
    blue_ = static_cast<BYTE>(color);
    green_ = static_cast<BYTE>(color >> 8);
    red_ = static_cast<BYTE>(color >> 16);
}

void back_buffer_view::fill() {
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

void back_buffer_view::row(int y, std::int64_t from, std::int64_t to) {
    if (static_cast<unsigned>(y) >= height_ || to < from) return;
    from = std::max<std::int64_t>(from, 0);
    to = std::min<std::int64_t>(to, static_cast<std::int64_t>(width_) - 1);
    for (std::int64_t x = from; x <= to; ++x) pixel(static_cast<int>(x), y);
}

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
