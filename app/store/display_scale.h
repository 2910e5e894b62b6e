// The display scale of a window: lengths given at 96 DPI in pixels of the window's monitor.
#pragma once

#include <cmath>
#include <cstdint>

// The DPI at which every length of the picture is given, and at which nothing is scaled.
constexpr std::uint32_t base_dpi = 96;

// The scale s = dpi / 96 of one window. Lengths scale with s as doubles and are truncated
// where the picture's formulas truncate; the thickness of lines and of the marker's arms is
// a whole number of pixels, t = max(1, round(s)), so that 125 % still draws one-pixel lines and
// 150 % two-pixel ones.
struct display_scale {
    std::uint32_t dpi = base_dpi;

    double factor() const { return static_cast<double>(dpi) / base_dpi; }
    double length(double at_base) const { return at_base * factor(); }
    int thickness() const {
        const long rounded = std::lround(factor());
        return rounded < 1 ? 1 : static_cast<int>(rounded);
    }
};

// A line of thickness t as t one-pixel lines side by side, offset from the line's own row (or
// column) by first to last: centred, with the odd pixel of an even thickness below (or right).
// 0 alone at t = 1, 0 and 1 at t = 2, -1 to 1 at t = 3.
struct thick_line {
    explicit thick_line(const display_scale& scale)
        : first(-(scale.thickness() - 1) / 2), last(first + scale.thickness() - 1) {}
    int first;
    int last;
};

// A DPI as the registry may hold it: 0 (none stored) and values above 960 (ten times the
// base, beyond any display) count as the base.
inline std::uint32_t usable_dpi(std::uint32_t stored) {
    return stored == 0 || stored > 10 * base_dpi ? base_dpi : stored;
}

// A size stored at one DPI in pixels of another, rounded to the nearest pixel and kept within
// 32 bits.
inline std::int32_t rescaled_size(std::int32_t size, std::uint32_t from_dpi, std::uint32_t to_dpi) {
    const double scaled = std::round(static_cast<double>(size) * to_dpi / from_dpi);
    if (scaled >= 2147483647.0) return 2147483647;
    if (scaled <= -2147483647.0) return -2147483647;
    return static_cast<std::int32_t>(scaled);
}
