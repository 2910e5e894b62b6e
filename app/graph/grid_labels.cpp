// Grid labels of the value axis: the nice step, the label values and their texts.
#include "app/graph/grid_labels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/graph/pixel_coord.h"
#include "util/format/format.h"

double nice_step(int plot_height, double y_low, double y_range) {
    if (!(y_range > 0.0) || plot_height <= 0) return y_low;
    const double n = std::max(plot_height / 100.0, 2.0);
    const double f = std::pow(10.0, std::floor(std::log10(y_range / n)));
    const double g = y_range / f / n;
    double step = f;
    if (g >= 3.5) {
        step = 5.0 * f;
    } else if (g >= 1.5) {
        step = 2.0 * f;
    }
    if (y_low + y_range < std::ceil(y_low / step) * step + step) step *= 0.5;
    return step;
}

std::vector<double> grid_label_values(double y_low, double y_high, double step) {
    std::vector<double> values;
    const double first = std::ceil(y_low / step) * step;
    if (!(step > 0.0) || !std::isfinite(step) || !std::isfinite(first)) {
        values.push_back(y_low);
        return values;
    }
    double v = first;
    values.push_back(v);
    while (values.size() < max_grid_labels) {
        const double next = v + step;
        if (!(next <= y_high) || next == v) break;
        v = next;
        values.push_back(v);
    }
    return values;
}

std::vector<double> grid_labels(double y_low, double y_high, double y_range, double plot_height) {
    const std::int32_t rows = truncate_to_int32(plot_height);
    const double step = nice_step(rows, y_low, y_range);
    std::vector<double> values = grid_label_values(y_low, y_high, step);
    // Two labels closer than a pixel row apart cannot be told apart anyway.
    const std::size_t limit = rows > 0 ? static_cast<std::size_t>(rows) + 1 : 1;
    if (values.size() > limit) values.resize(limit);
    return values;
}

bool label_text(double value, std::wstring& text) {
    const double tenths = value * 10.0;
    // 2^63: the first magnitude a 64-bit integer cannot hold.
    constexpr double tenths_limit = 9223372036854775808.0;
    if (!(tenths > -tenths_limit && tenths < tenths_limit)) return false;
    const std::int64_t whole = static_cast<std::int64_t>(tenths);
    if (whole >= INT32_MIN && whole <= INT32_MAX)
        text = (basic_format<wchar_t>(L"%#,.1?") << static_cast<std::int32_t>(whole)).str();
    else
        text = (basic_format<wchar_t>(L"%#,.1?") << whole).str();
    return true;
}
