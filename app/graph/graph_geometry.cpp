#include "app/graph/graph_geometry.h"

#include <cmath>
#include <cstdint>

#include "app/store/scaling.h"
#include "util/format/format.h"

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
