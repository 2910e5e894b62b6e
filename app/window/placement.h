// Window placement check: keeps a restored window reachable on the screen.
#pragma once

#include <cstdint>

struct placement {
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
};

// The size of the window while none is stored, and of one stored too small.
constexpr std::int32_t default_window_width = 500;
constexpr std::int32_t default_window_height = 250;

// The system's "choose a position" value of CreateWindowExW.
constexpr std::int32_t default_position = static_cast<std::int32_t>(0x80000000u);

// The placement to create the window with, given the stored one and the virtual
// screen. A stored value is kept whenever it gives a usable window; otherwise:
// a width or height below `min_size` becomes the default size, one
// larger than the screen becomes the screen's; a window that would show less
// than `min_size` pixels of itself in either direction on the screen is left to
// the system to place (both coordinates default_position). A minimised window
// reports a position far off the screen, and its size is saved like any other.
placement fit_on_screen(placement stored, placement screen, std::int32_t min_size);
