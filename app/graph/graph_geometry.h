// Pixel coordinates, grid labels and label texts of the graph, free of any drawing.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Coordinates are kept well inside the int range so that a marker's +-1 and a
// line's end never overflow; anything farther out is off every bitmap anyway.
constexpr double pixel_coord_limit = 1073741824.0; // 2^30

// Truncates a pixel coordinate toward zero. False, leaving `out` alone, when the
// value is not finite or lies beyond +-pixel_coord_limit: the caller then skips
// the marker, line or label. Inline: the walks call it for every sample and bucket.
inline bool pixel_coord(double value, int& out) {
    if (!(value > -pixel_coord_limit && value < pixel_coord_limit)) return false;
    out = static_cast<int>(value);
    return true;
}

// The values of the grid lines, from the bottom up, for a plot of `plot_height`
// pixels: at most one per pixel row of the plot (at least one), so a step far
// smaller than the range, or one that is not positive, still ends quickly.
std::vector<double> grid_labels(double y_low, double y_high, double y_range, double plot_height);

// The label text of a value: its tenths, truncated toward zero, as a decimal with
// one digit after the point, the point dropped with a trailing zero ("12.5",
// "12", "-0.5"). False when the tenths are not a finite number of 64-bit range.
bool label_text(double value, std::wstring& text);
