// Pixel coordinates: values of the pixel model truncated toward zero, safely.
#pragma once

#include <cstdint>
#include <limits>

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

// Truncation toward zero into the 32-bit range, for values that may be huge or
// not a number (NaN gives 0): pixel counts and label tenths.
inline std::int32_t truncate_to_int32(double value) {
    constexpr double low = static_cast<double>(std::numeric_limits<std::int32_t>::min());
    constexpr double high = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    if (!(value == value)) return 0;
    if (value <= low) return std::numeric_limits<std::int32_t>::min();
    if (value >= high) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value);
}
