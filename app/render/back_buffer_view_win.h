// Direct pixel access to a locked 24-bit back buffer, for drawing many pixels cheaply.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/graph/column_bits.h"
#include "app/render/gdiplus_win.h"

// Part of the back buffer, right and bottom excluded; empty when right <= left or bottom <= top.
struct pixel_rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    void add(const pixel_rect& other);
};

// The back buffer locked for reading and writing in its own 24-bit format until
// destroyed. Pixels outside the bitmap are silently skipped, as GDI+ does. GDI+
// may refuse to draw on a locked bitmap, or write the locked copy back over what
// it drew when the lock ends: draw through GDI+ only while no view exists.
class back_buffer_view {
public:
    explicit back_buffer_view(gdip_bitmap& bitmap);
    back_buffer_view(const back_buffer_view&) = delete;
    back_buffer_view& operator=(const back_buffer_view&) = delete;

    bool usable() const { return scan0_ != nullptr; }
    int width() const { return static_cast<int>(width_); }
    int height() const { return static_cast<int>(height_); }

    // The colour of what is drawn next (alpha is not stored).
    void set_color(Gdiplus::ARGB color);
    void fill();
    void pixel(int x, int y) {
        if (static_cast<unsigned>(x) >= width_ || static_cast<unsigned>(y) >= height_) return;
        put(at(x, y));
    }
    // The colour of a pixel inside the bitmap, as 0xRRGGBB.
    std::uint32_t rgb(int x, int y) const {
        const BYTE* p = at(x, y);
        return std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
    }
    // Sets a pixel inside the bitmap to 0xRRGGBB, whatever the colour of what is drawn.
    void put_rgb(int x, int y, std::uint32_t rgb) {
        BYTE* p = at(x, y);
        p[0] = static_cast<BYTE>(rgb);
        p[1] = static_cast<BYTE>(rgb >> 8);
        p[2] = static_cast<BYTE>(rgb >> 16);
    }
    // Whether rows y and y - 1 hold the same pixels; y inside the bitmap, above 0.
    bool same_as_row_above(int y) const;
    // The pixels of column x from row `from` to row `to`, both included.
    void column(int x, std::int64_t from, std::int64_t to);
    // The pixels of row y from column `from` to column `to`, both included.
    void row(int y, std::int64_t from, std::int64_t to);
    // The pixels whose bits are set in `bits`, bit b of column x standing for row
    // bits.first_row() + b.
    void draw_bits(const column_bits& bits);

private:
    BYTE* at(int x, int y) const {
        return scan0_ + static_cast<std::ptrdiff_t>(y) * stride_ + static_cast<std::ptrdiff_t>(x) * 3;
    }
    void put(BYTE* p) {
        p[0] = blue_;
        p[1] = green_;
        p[2] = red_;
    }

    void put_runs(BYTE* row, std::uint64_t mask);
    void put_bits(const std::uint64_t (&tile)[64], int x0, std::int64_t top);

    // Pixels of a block of 64 by 64 below which it is drawn pixel by pixel.
    static constexpr int few_pixels = 1024;

    gdip_bitmap_lock lock_;
    BYTE* scan0_ = nullptr;
    std::ptrdiff_t stride_ = 0;
    unsigned width_ = 0;
    unsigned height_ = 0;
    BYTE blue_ = 0;
    BYTE green_ = 0;
    BYTE red_ = 0;
    BYTE run_[8 * 3] = {}; // eight pixels of the colour, copied for a run of them
};
