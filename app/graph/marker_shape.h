// The sample marker: a plus sign around the sample's point, five pixels at 96 DPI.
#pragma once

#include <cstdint>

#include "app/graph/column_bits.h"
#include "app/store/display_scale.h"

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
    // the left, then the upright bar's pixels above and below it.
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

// The marker pixels of column x, as bits of `centres.words()` words from row centres.first_row(),
// for the marker centres in `centres`: a pixel (x, y) is set when a centre lies at (x - dx,
// y - dy) for one of the marker's offsets. `centres` must hold the columns x - shape.reach() to
// x + shape.reach().
void marker_column(const column_bits& centres, int x, std::uint64_t* out, const marker_shape& shape);

// The pixels of a bar `b` around every bit of `from`, of column x, ORed into `out` (a column
// of from.words() words): a pixel (x, y) is set when a bit lies at (x - dx, y - dy) for an
// offset of the bar; columns `from` does not hold count as empty.
void add_bar_column(const column_bits& from, int x, const marker_shape::bar& b, std::uint64_t* out);
