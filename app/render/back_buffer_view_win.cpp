// Direct pixel access to a locked back buffer: runs of pixels and columns of bits written in one colour.
#include "app/render/back_buffer_view_win.h"

#include <algorithm>
#include <cstring>

#include "app/graph/word_bits.h"

void pixel_rect::add(const pixel_rect& other) {
    if (other.empty()) return;
    if (empty()) {
        *this = other;
        return;
    }
    left = std::min(left, other.left);
    top = std::min(top, other.top);
    right = std::max(right, other.right);
    bottom = std::max(bottom, other.bottom);
}

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
    for (int i = 0; i < 8; ++i) put(run_ + i * 3);
}

void back_buffer_view::fill() {
    if (!usable() || width_ == 0) return;
    BYTE* first_row = scan0_;
    for (unsigned x = 0; x < width_; ++x) pixel(static_cast<int>(x), 0);
    for (unsigned y = 1; y < height_; ++y)
        std::memcpy(scan0_ + static_cast<std::ptrdiff_t>(y) * stride_, first_row, width_ * 3u);
}

bool back_buffer_view::same_as_row_above(int y) const {
    return std::memcmp(at(0, y), at(0, y - 1), width_ * 3u) == 0;
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

// The pixels of the set bits of `mask` from `row` on, a run of neighbours at a
// time: the pixels of a curve or a band of markers lie side by side.
void back_buffer_view::put_runs(BYTE* row, std::uint64_t mask) {
    while (mask != 0) {
        const int first = lowest_bit(mask);
        const std::uint64_t rest = ~(mask >> first);
        const int length = rest == 0 ? 64 - first : lowest_bit(rest);
        BYTE* p = row + first * 3;
        int left = length;
        // Eight pixels are three words: copies of a fixed size, which the compiler writes as stores.
        for (; left >= 8; left -= 8, p += 24) std::memcpy(p, run_, 24);
        for (; left > 0; --left, p += 3) put(p);
        mask = length + first >= 64 ? 0 : mask & (~std::uint64_t{0} << (first + length));
    }
}

// A block of 64 columns and 64 rows at a time. A block of many pixels goes a
// row at a time, runs of neighbours together: the bitmap lies in rows, and a
// column at a time would touch another cache line with every pixel. One of few
// pixels (scattered markers, a thin curve) goes pixel by pixel, which costs
// less than turning its bits round.
void back_buffer_view::draw_bits(const column_bits& bits) {
    const int x_begin = std::max(0, bits.first_column());
    const int x_end = std::min<int>(static_cast<int>(width_), bits.first_column() + bits.columns());
    for (int x0 = x_begin; x0 < x_end; x0 += 64) {
        const int count = std::min(64, x_end - x0);
        for (std::size_t k = 0; k < bits.words(); ++k) {
            std::uint64_t tile[64];
            std::uint64_t any = 0;
            for (int c = 0; c < 64; ++c) {
                tile[c] = c < count ? bits.column(x0 + c)[k] : 0;
                any |= tile[c];
            }
            if (any == 0) continue;
            int set = 0;
            for (const std::uint64_t word : tile) set += set_bits(word);
            const std::int64_t top = std::int64_t{bits.first_row()} + static_cast<std::int64_t>(k * 64);
            if (set < few_pixels) {
                put_bits(tile, x0, top);
                continue;
            }
            transpose_bits(tile);
            for (int b = 0; b < 64; ++b) {
                const std::int64_t y = top + b;
                if (tile[b] == 0 || y < 0 || y >= static_cast<std::int64_t>(height_)) continue;
                put_runs(scan0_ + static_cast<std::ptrdiff_t>(y) * stride_ +
                             static_cast<std::ptrdiff_t>(x0) * 3,
                         tile[b]);
            }
        }
    }
}

// The pixels of a block's columns (bit b of tile[c] is row top + b of column x0 + c), one by one.
void back_buffer_view::put_bits(const std::uint64_t (&tile)[64], int x0, std::int64_t top) {
    for (int c = 0; c < 64; ++c) {
        BYTE* const column = scan0_ + static_cast<std::ptrdiff_t>(x0 + c) * 3;
        for (std::uint64_t word = tile[c]; word != 0; word &= word - 1) {
            const std::int64_t y = top + lowest_bit(word);
            if (y >= 0 && y < static_cast<std::int64_t>(height_))
                put(column + static_cast<std::ptrdiff_t>(y) * stride_);
        }
    }
}
