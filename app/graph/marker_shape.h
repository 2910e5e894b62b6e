// The sample marker: a plus sign around the sample's point, five pixels at 96 DPI.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

#include "app/graph/column_bits.h"
#include "app/store/display_scale.h"

struct pixel_offset {
    int dx;
    int dy;
};

// The marker's pixels around its centre at 96 DPI, in the order they are set.
constexpr pixel_offset marker_pixels[] = {{-1, 0}, {0, 0}, {1, 0}, {0, -1}, {0, 1}};
// How far the marker reaches from its centre, in columns and in rows: a centre
// in column x sets pixels of the columns x - marker_reach to x + marker_reach.
constexpr int marker_reach = 1;

// The marker at a display scale: a plus sign whose arms are t pixels thick (t the scale's line
// thickness) and reach t pixels beyond its centre square of t by t, which lies on the sample's
// pixel as a thick line lies on its own (thick_line): 3 by 3 pixels at t = 1, 6 by 6 at 2,
// 9 by 9 at 3. A union of two bars, each a range of columns by a range of rows.
struct marker_shape {
    struct bar {
        int left, right, top, bottom; // offsets from the centre, all included
    };

    explicit marker_shape(const display_scale& scale) : thickness(scale.thickness()) {
        const thick_line centre(scale);
        across = {centre.first - thickness, centre.last + thickness, centre.first, centre.last};
        upright = {centre.first, centre.last, centre.first - thickness, centre.last + thickness};
    }

    // How far the marker reaches from its centre on either side, the most in any direction.
    int reach() const { return -across.left > across.right ? -across.left : across.right; }

    // Calls pixel(dx, dy) once for each pixel of the marker: the bar across, row by row from
    // the left, then the upright bar's pixels above and below it. At t = 1 in the order of
    // marker_pixels.
    template <class Pixel>
    void each_pixel(Pixel pixel) const {
        for (int dy = across.top; dy <= across.bottom; ++dy)
            for (int dx = across.left; dx <= across.right; ++dx) pixel(dx, dy);
        for (int dy = upright.top; dy <= upright.bottom; ++dy) {
            if (dy >= across.top && dy <= across.bottom) continue;
            for (int dx = upright.left; dx <= upright.right; ++dx) pixel(dx, dy);
        }
    }

    int thickness;
    bar across;
    bar upright;
};

namespace marker_detail {

// Word k of a column of `words` words moved `dy` rows down (dy of -1, 0 or 1).
template <int dy>
std::uint64_t moved(const std::uint64_t* column, std::size_t k, std::size_t words) {
    if (dy > 0) return (column[k] << 1) | (k > 0 ? column[k - 1] >> 63 : 0);
    if (dy < 0) return (column[k] >> 1) | (k + 1 < words ? column[k + 1] << 63 : 0);
    return column[k];
}

template <std::size_t... offset>
void column_of(const column_bits& centres, int x, std::uint64_t* out, std::size_t first, std::size_t end,
               std::index_sequence<offset...>) {
    const std::size_t words = centres.words();
    const std::uint64_t* const from[] = {centres.column(x - marker_pixels[offset].dx)...};
    for (std::size_t k = first; k < end && k < words; ++k)
        out[k] = (moved<marker_pixels[offset].dy>(from[offset], k, words) | ...);
}

} // namespace marker_detail

// Words `first` to `end` - 1 of the marker pixels of column x, as bits of
// `centres.words()` words from row centres.first_row(), for the marker centres in
// `centres`: a pixel (x, y) is set when a centre lies at (x - dx, y - dy) for one
// of the marker's offsets. Word k takes only words k - 1 to k + 1 of the centres.
// `centres` must hold the columns x - marker_reach to x + marker_reach.
inline void marker_column(const column_bits& centres, int x, std::uint64_t* out, std::size_t first = 0,
                          std::size_t end = SIZE_MAX) {
    marker_detail::column_of(centres, x, out, first, end,
                             std::make_index_sequence<std::size(marker_pixels)>());
}

// The same at any scale (a marker reaches less than 64 rows from its centre): `centres` must
// hold the columns x - shape.reach() to x + shape.reach(). At t = 1 the marker of
// marker_pixels, by the path above.
void marker_column(const column_bits& centres, int x, std::uint64_t* out, const marker_shape& shape,
                   std::size_t first = 0, std::size_t end = SIZE_MAX);

// The pixels of a bar `b` (less than 64 rows high) around every bit of `from`, of column x,
// ORed into words `first` to `end` - 1 of `out` (a column of from.words() words): a pixel
// (x, y) is set when a bit lies at (x - dx, y - dy) for an offset of the bar; columns
// `from` does not hold count as empty.
void add_bar_column(const column_bits& from, int x, const marker_shape::bar& b, std::uint64_t* out,
                    std::size_t first = 0, std::size_t end = SIZE_MAX);

static_assert(
    [] {
        for (const pixel_offset& offset : marker_pixels)
            if (offset.dx < -marker_reach || offset.dx > marker_reach || offset.dy < -1 || offset.dy > 1)
                return false;
        return true;
    }(),
    "marker_reach covers the marker's columns, and marker_column moves a column by at most one row");
