// The sample marker: five pixels in a plus sign around the sample's point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

#include "app/graph/column_bits.h"

struct pixel_offset {
    int dx;
    int dy;
};

// The marker's pixels around its centre, in the order they are set.
constexpr pixel_offset marker_pixels[] = {{-1, 0}, {0, 0}, {1, 0}, {0, -1}, {0, 1}};
// How far the marker reaches from its centre, in columns and in rows: a centre
// in column x sets pixels of the columns x - marker_reach to x + marker_reach.
constexpr int marker_reach = 1;

namespace marker_detail {

// Word k of a column of `words` words moved `dy` rows down (dy of -1, 0 or 1).
template <int dy>
std::uint64_t moved(const std::uint64_t* column, std::size_t k, std::size_t words) {
    if (dy > 0) return (column[k] << 1) | (k > 0 ? column[k - 1] >> 63 : 0);
    if (dy < 0) return (column[k] >> 1) | (k + 1 < words ? column[k + 1] << 63 : 0);
    return column[k];
}

template <std::size_t... offset>
void column_of(const column_bits& centres, int x, std::uint64_t* out, std::index_sequence<offset...>) {
    const std::size_t words = centres.words();
    const std::uint64_t* const from[] = {centres.column(x - marker_pixels[offset].dx)...};
    for (std::size_t k = 0; k < words; ++k)
        out[k] = (moved<marker_pixels[offset].dy>(from[offset], k, words) | ...);
}

} // namespace marker_detail

// The marker pixels of column x, as bits of `centres.words()` words from row
// centres.first_row(), for the marker centres in `centres`: a pixel (x, y) is
// set when a centre lies at (x - dx, y - dy) for one of the marker's offsets.
// `centres` must hold the columns x - marker_reach to x + marker_reach.
inline void marker_column(const column_bits& centres, int x, std::uint64_t* out) {
    marker_detail::column_of(centres, x, out, std::make_index_sequence<std::size(marker_pixels)>());
}

static_assert(
    [] {
        for (const pixel_offset& offset : marker_pixels)
            if (offset.dx < -marker_reach || offset.dx > marker_reach || offset.dy < -1 || offset.dy > 1)
                return false;
        return true;
    }(),
    "marker_reach covers the marker's columns, and marker_column moves a column by at most one row");
