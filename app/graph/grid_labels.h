// Grid labels of the value axis: the grid step, the label values and their texts.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Grid step for a plot of `plot_height` whole pixels: 1, 2 or 5 times a power of
// ten, about one interval per 100 pixels. Returns y_low itself when the range or
// the height is not positive; the result may then be zero or negative, so use
// grid_label_values to walk the labels.
double nice_step(int plot_height, double y_low, double y_range);

// The grid label values from the bottom up: ceil(y_low / step) * step, then
// adding step while the value stays <= y_high; the first value is always given.
// When step is not a positive finite number, or the values are not finite, the
// one label is y_low. The sequence ends when adding step no longer changes the
// value, and after at most max_grid_labels values.
constexpr std::size_t max_grid_labels = 1000;
std::vector<double> grid_label_values(double y_low, double y_high, double step);

// The values of the grid lines, from the bottom up, for a plot of `plot_height`
// pixels: at most one per pixel row of the plot (at least one), so a step far
// smaller than the range, or one that is not positive, still ends quickly.
std::vector<double> grid_labels(double y_low, double y_high, double y_range, double plot_height);

// The label text of a value: its tenths, truncated toward zero, as a decimal with
// one digit after the point, the point dropped with a trailing zero ("12.5",
// "12", "-0.5"). False when the tenths are not a finite number of 64-bit range.
bool label_text(double value, std::wstring& text);
