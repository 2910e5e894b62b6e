// The end pixels a 1-pixel line between integer points sets: the rule every drawing of a line follows.
#pragma once

#include <algorithm>
#include <cstdint>

// Which end pixels GDI+ sets when it draws an axis-aligned line of one pixel's
// width between integer points, learnt by drawing test lines. Implementations
// differ here (Wine leaves out the last pixel, as GDI does), so nothing that
// stands for GDI+'s lines assumes one rule.
struct line_ends {
    enum direction { down, up, right, left }; // down: towards larger y

    bool known = false; // false: the test lines followed no such rule
    bool point = false; // a line from a point to itself sets that pixel
    // Indexed by direction.
    bool first[4] = {};
    bool last[4] = {};

    bool operator==(const line_ends& other) const {
        return known == other.known && point == other.point && std::equal(first, first + 4, other.first) &&
               std::equal(last, last + 4, other.last);
    }

    // The pixels from `a` to `b` (a != b) that a line in direction d sets, from
    // `from` to `to` (from <= to); false when it sets none.
    bool run(direction d, std::int64_t a, std::int64_t b, std::int64_t& from, std::int64_t& to) const {
        const std::int64_t step = a < b ? 1 : -1;
        if (!first[d]) a += step;
        if (!last[d]) b -= step;
        from = std::min(a, b);
        to = std::max(a, b);
        return step == 1 ? a <= b : a >= b;
    }
    // The rows a vertical line from row y1 to row y2 sets.
    bool vertical_rows(int y1, int y2, std::int64_t& from, std::int64_t& to) const {
        if (y1 == y2) {
            from = to = y1;
            return point;
        }
        return run(y1 < y2 ? down : up, y1, y2, from, to);
    }
};

// A run sink takes pixels as runs:
//   column(x, from, to): rows `from` to `to` of column x (from <= to);
//   row(y, from, to): columns `from` to `to` of row y (from <= to).
// Runs may reach outside the bitmap; the sink leaves out what lies outside.

// Hands the pixels of a line from (x1, y1) to (x2, y2) that is vertical or
// horizontal, by `ends`, to the run sink `out`; other lines set nothing.
template <class Out>
void draw_straight_line(const line_ends& ends, int x1, int y1, int x2, int y2, Out& out) {
    std::int64_t from = 0;
    std::int64_t to = 0;
    if (x1 == x2) {
        if (ends.vertical_rows(y1, y2, from, to)) out.column(x1, from, to);
    } else if (y1 == y2) {
        if (ends.run(x1 < x2 ? line_ends::right : line_ends::left, x1, x2, from, to)) out.row(y1, from, to);
    }
}
