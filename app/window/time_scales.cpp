// The Time Scale menu's spans, and the wheel's steps through them.
#include "app/window/time_scales.h"

#include <algorithm>
#include <iterator>

namespace {

std::uint32_t shorter(std::uint32_t span) {
    std::uint32_t found = span;
    for (const time_scale_choice& choice : time_scale_choices)
        if (static_cast<std::uint32_t>(choice.seconds) < span)
            found = static_cast<std::uint32_t>(choice.seconds);
    return found;
}

std::uint32_t longer(std::uint32_t span) {
    for (const time_scale_choice& choice : time_scale_choices)
        if (static_cast<std::uint32_t>(choice.seconds) > span)
            return static_cast<std::uint32_t>(choice.seconds);
    return span;
}

} // namespace

std::uint32_t stepped_time_scale(std::uint32_t span, int steps) {
    // One step more than there are choices reaches the end from any span.
    const int most = static_cast<int>(std::size(time_scale_choices)) + 1;
    steps = std::clamp(steps, -most, most);
    for (; steps > 0; --steps) span = shorter(span);
    for (; steps < 0; ++steps) span = longer(span);
    return span;
}

int wheel_notches::add(int delta) {
    if ((delta > 0 && gathered_ < 0) || (delta < 0 && gathered_ > 0)) gathered_ = 0;
    // Summed in 64 bits: a delta can be any int.
    const long long total = static_cast<long long>(gathered_) + delta;
    const long long notches = total / notch;
    gathered_ = static_cast<int>(total - notches * notch);
    return static_cast<int>(notches);
}
