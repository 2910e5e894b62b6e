#include "app/window/placement.h"

#include <algorithm>

namespace {

std::int32_t fit_size(std::int32_t size, std::int32_t screen_size, std::int32_t fallback,
                      std::int32_t min_size) {
    if (size < min_size) size = fallback;
    if (screen_size >= min_size && size > screen_size) size = screen_size;
    return size;
}

// Length of [start, start + length) inside [screen_start, screen_start + screen_length),
// in 64 bits so that no sum overflows.
std::int64_t overlap(std::int32_t start, std::int32_t length, std::int32_t screen_start,
                     std::int32_t screen_length) {
    const std::int64_t low = std::max<std::int64_t>(start, screen_start);
    const std::int64_t high =
        std::min<std::int64_t>(std::int64_t{start} + length, std::int64_t{screen_start} + screen_length);
    return high - low;
}

} // namespace

placement fit_on_screen(placement stored, placement screen, std::int32_t min_size) {
    placement result = stored;
    result.width = fit_size(stored.width, screen.width, default_window_width, min_size);
    result.height = fit_size(stored.height, screen.height, default_window_height, min_size);
    if (stored.x == default_position || stored.y == default_position) {
        result.x = result.y = default_position;
        return result;
    }
    if (overlap(stored.x, result.width, screen.x, screen.width) < min_size ||
        overlap(stored.y, result.height, screen.y, screen.height) < min_size) {
        result.x = result.y = default_position;
    }
    return result;
}
