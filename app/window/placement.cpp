// Window placement rule: where a window with a stored place and size opens, given the monitors.
#include "app/window/placement.h"

#include <algorithm>

namespace {

// Edges in 64 bits: no sum of two stored values can overflow.
struct box {
    std::int64_t left;
    std::int64_t top;
    std::int64_t right;
    std::int64_t bottom;
};

box box_of(placement p) {
    return {p.x, p.y, std::int64_t{p.x} + p.width, std::int64_t{p.y} + p.height};
}

bool is_empty(const box& b) {
    return b.left >= b.right || b.top >= b.bottom;
}

// Appends the parts of `b` outside `cut` (at most four) to `out`.
void subtract(const box& b, const box& cut, std::vector<box>& out) {
    const box common{std::max(b.left, cut.left), std::max(b.top, cut.top), std::min(b.right, cut.right),
                     std::min(b.bottom, cut.bottom)};
    if (is_empty(common)) {
        out.push_back(b);
        return;
    }
    const box parts[] = {{b.left, b.top, b.right, common.top},
                         {b.left, common.bottom, b.right, b.bottom},
                         {b.left, common.top, common.left, common.bottom},
                         {common.right, common.top, b.right, common.bottom}};
    for (const box& part : parts)
        if (!is_empty(part)) out.push_back(part);
}

// Whether the work areas together cover all of `b`: what is left of it after taking away
// each work area in turn must be nothing.
bool on_work_areas(const box& b, const std::vector<monitor_area>& monitors) {
    std::vector<box> left{b};
    for (const monitor_area& m : monitors) {
        std::vector<box> rest;
        for (const box& part : left) subtract(part, box_of(m.work), rest);
        left.swap(rest);
    }
    return left.empty();
}

std::int64_t overlap_area(const box& a, const box& b) {
    const std::int64_t width = std::min(a.right, b.right) - std::max(a.left, b.left);
    const std::int64_t height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

// Square of the distance between two boxes that do not overlap, in double: the distances
// of 32-bit positions squared do not fit 64 bits.
double distance_squared(const box& a, const box& b) {
    const double dx = static_cast<double>(std::max<std::int64_t>({0, b.left - a.right, a.left - b.right}));
    const double dy = static_cast<double>(std::max<std::int64_t>({0, b.top - a.bottom, a.top - b.bottom}));
    return dx * dx + dy * dy;
}

// The monitor the window overlaps most, else the closest; the earlier one of equals.
const monitor_area& nearest_monitor(const box& window, const std::vector<monitor_area>& monitors) {
    const monitor_area* best = &monitors.front();
    std::int64_t best_overlap = -1;
    double best_distance = 0;
    for (const monitor_area& m : monitors) {
        const box screen = box_of(m.monitor);
        const std::int64_t overlap = overlap_area(window, screen);
        const double distance = overlap > 0 ? 0.0 : distance_squared(window, screen);
        if (overlap > best_overlap || (overlap == 0 && best_overlap == 0 && distance < best_distance)) {
            best = &m;
            best_overlap = overlap;
            best_distance = distance;
        }
    }
    return *best;
}

std::int32_t usable_size(std::int32_t size, std::int32_t fallback, std::int32_t min_size) {
    return size < min_size ? fallback : size;
}

// A size no larger than `room`, unless the room itself is too small for a window.
std::int32_t shrink_to(std::int32_t size, std::int64_t room, std::int32_t min_size) {
    return room >= min_size && size > room ? static_cast<std::int32_t>(room) : size;
}

// The start of a span of `length` moved as little as possible to lie within [low, high);
// at `low` when it is longer than that.
std::int32_t move_into(std::int32_t start, std::int32_t length, std::int32_t low, std::int64_t high) {
    const std::int64_t latest = high - length;
    if (latest <= low) return low;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(start, low, latest));
}

} // namespace

placement fit_on_monitors(placement stored, const std::vector<monitor_area>& monitors, window_frame frame) {
    const std::int32_t min_size = frame.title_height + frame.border;
    placement result{stored.x, stored.y, usable_size(stored.width, default_window_width, min_size),
                     usable_size(stored.height, default_window_height, min_size)};
    if (monitors.empty() || stored.x == default_position || stored.y == default_position) {
        if (!monitors.empty()) {
            const placement work = monitors.front().work;
            result.width = shrink_to(result.width, work.width, min_size);
            result.height = shrink_to(result.height, work.height, min_size);
        }
        result.x = result.y = default_position;
        return result;
    }

    const box window = box_of(result);
    const box title_bar{window.left + frame.border, window.top, window.right - frame.border,
                        window.top + frame.title_height};
    if (on_work_areas(title_bar, monitors)) {
        box all = box_of(monitors.front().work);
        for (const monitor_area& m : monitors) {
            const box work = box_of(m.work);
            all = {std::min(all.left, work.left), std::min(all.top, work.top),
                   std::max(all.right, work.right), std::max(all.bottom, work.bottom)};
        }
        result.width = shrink_to(result.width, all.right - all.left, min_size);
        result.height = shrink_to(result.height, all.bottom - all.top, min_size);
        return result;
    }

    const placement work = nearest_monitor(window, monitors).work;
    result.width = shrink_to(result.width, work.width, min_size);
    result.height = shrink_to(result.height, work.height, min_size);
    result.x = move_into(result.x, result.width, work.x, std::int64_t{work.x} + work.width);
    result.y = move_into(result.y, result.height, work.y, std::int64_t{work.y} + work.height);
    return result;
}

placement workspace_to_screen(placement normal, const monitor_area& monitor) {
    const std::int64_t x = std::int64_t{normal.x} + monitor.work.x - monitor.monitor.x;
    const std::int64_t y = std::int64_t{normal.y} + monitor.work.y - monitor.monitor.y;
    const auto clamp32 = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    };
    return {clamp32(x), clamp32(y), normal.width, normal.height};
}
