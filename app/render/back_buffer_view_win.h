// Direct pixel access to a locked 24-bit back buffer, for drawing many pixels cheaply.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/graph/graph_mapping.h"
#include "app/render/gdiplus_win.h"

// The rule for 1-pixel opaque pens without antialiasing, worked out once per
// process (GDI+ must be running).
const line_ends& gdiplus_line_ends();

// Works the rule out by drawing test lines with `pen` into a scratch bitmap.
line_ends probe_line_ends(gdip_pen& pen);

// The back buffer locked for reading and writing in its own 24-bit format until
// destroyed. Pixels outside the bitmap are silently skipped, as GDI+ does.
class back_buffer_view {
public:
    explicit back_buffer_view(gdip_bitmap& bitmap);
    ~back_buffer_view() { flush_column(); }
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
        BYTE* p = scan0_ + static_cast<std::ptrdiff_t>(y) * stride_ + static_cast<std::ptrdiff_t>(x) * 3;
        p[0] = blue_;
        p[1] = green_;
        p[2] = red_;
    }
    // The plus-shaped sample marker: (x-1, y), (x, y), (x+1, y), (x, y-1), (x, y+1).
    // x and y lie within +-2^30.
    void marker(int x, int y) {
        if (static_cast<unsigned>(x - 1) < inner_width_ && static_cast<unsigned>(y - 1) < inner_height_) {
            // Wholly inside: no pixel needs its own bounds check.
            BYTE* p = scan0_ + static_cast<std::ptrdiff_t>(y) * stride_ + static_cast<std::ptrdiff_t>(x) * 3;
            put(p - 3);
            put(p);
            put(p + 3);
            put(p - stride_);
            put(p + stride_);
            return;
        }
        pixel(x - 1, y);
        pixel(x, y);
        pixel(x + 1, y);
        pixel(x, y - 1);
        pixel(x, y + 1);
    }
    // The pixels GDI+ sets for a line from (x1, y1) to (x2, y2) that is vertical or
    // horizontal, by `ends` (which must be known); other lines set nothing.
    //
    // Averaging buckets far narrower than a pixel stack many short vertical lines in
    // one column. Overlapping or touching vertical lines in the same column are
    // therefore gathered and written once, when a line elsewhere, a new colour or
    // the end of the view comes: the pixels are the same, since they all get the
    // current colour and nothing reads them in between.
    void line(const line_ends& ends, int x1, int y1, int x2, int y2);
    // The pixels of column x from row `from` to row `to`, both included.
    void column(int x, std::int64_t from, std::int64_t to);
    // The pixels of column x whose bits are set in `words` (`count` words), bit b
    // standing for row first_row + b.
    void column_bits(int x, const std::uint64_t* words, std::size_t count, int first_row);

private:
    void put(BYTE* p) {
        p[0] = blue_;
        p[1] = green_;
        p[2] = red_;
    }
    void gather_column(int x, std::int64_t from, std::int64_t to);
    void flush_column();
    void row(int y, std::int64_t from, std::int64_t to);

    gdip_bitmap_lock lock_;
    BYTE* scan0_ = nullptr;
    std::ptrdiff_t stride_ = 0;
    unsigned width_ = 0;
    unsigned height_ = 0;
    unsigned inner_width_ = 0; // columns that have a column on either side
    unsigned inner_height_ = 0;
    bool gathering_ = false; // a gathered vertical run waits to be written
    int gathered_x_ = 0;
    std::int64_t gathered_from_ = 0;
    std::int64_t gathered_to_ = 0;
    BYTE blue_ = 0;
    BYTE green_ = 0;
    BYTE red_ = 0;
};
