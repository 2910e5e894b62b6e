// The sample marker: five pixels in a plus sign around the sample's point.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/graph/column_bits.h"

struct pixel_offset {
    int dx;
    int dy;
};

// The marker's pixels around its centre, in the order they are set.
constexpr pixel_offset marker_pixels[] = {{-1, 0}, {0, 0}, {1, 0}, {0, -1}, {0, 1}};

// The marker pixels of column x, as bits of `centres.words()` words from row
// centres.first_row(), for the marker centres in `centres`: a pixel (x, y) is
// set when a centre lies at (x - dx, y - dy) for one of the marker's offsets.
// `centres` must hold the columns x - 1 to x + 1.
inline void marker_column(const column_bits& centres, int x, std::uint64_t* out) {
    const std::size_t words = centres.words();
    for (std::size_t k = 0; k < words; ++k) out[k] = 0;
    for (const pixel_offset& offset : marker_pixels) {
        const std::uint64_t* from = centres.column(x - offset.dx);
        for (std::size_t k = 0; k < words; ++k) {
            std::uint64_t moved = from[k];
            if (offset.dy > 0) moved = (moved << 1) | (k > 0 ? from[k - 1] >> 63 : 0);
            if (offset.dy < 0) moved = (moved >> 1) | (k + 1 < words ? from[k + 1] << 63 : 0);
            out[k] |= moved;
        }
    }
}

static_assert(
    [] {
        for (const pixel_offset& offset : marker_pixels)
            if (offset.dx < -1 || offset.dx > 1 || offset.dy < -1 || offset.dy > 1) return false;
        return true;
    }(),
    "marker_column moves a column by at most one column and one row");
