// Window placement rule: where a window with a stored place and size opens, given the monitors.
#pragma once

#include <cstdint>
#include <vector>

struct placement {
    std::int32_t x;
    std::int32_t y;
    std::int32_t width;
    std::int32_t height;
};

// One display monitor: all of it, and its work area (what the taskbar and other bars docked
// at its edges leave free), both in screen coordinates.
struct monitor_area {
    placement monitor;
    placement work;
};

// What the rule needs of the window's frame: the width of its sizing border on each side
// (invisible on newer systems) and the height of the strip at its top, border and caption,
// by which the user drags it.
struct window_frame {
    std::int32_t border;
    std::int32_t title_height;
};

// The size of the window while none is stored, and of one stored too small.
constexpr std::int32_t default_window_width = 500;
constexpr std::int32_t default_window_height = 250;

// The system's "choose a position" value of CreateWindowExW.
constexpr std::int32_t default_position = static_cast<std::int32_t>(0x80000000u);

// The placement to create the window with, given the stored one and the monitors (the
// primary first). Whatever the registry held, the window comes up where the user can reach
// its title bar:
// - a width or height below the frame's title height plus border (a window that could not
//   show its title bar and a border below it) becomes the default one;
// - a stored default position (either coordinate) stays the system's choice, with the size
//   made to fit the primary monitor's work area;
// - a place is kept when the title bar, less the side borders, lies wholly on the work areas
//   (on one, or across several side by side); the size then only shrinks to the bounding box
//   of all work areas;
// - any other place is brought onto the nearest monitor (the one the window overlaps most,
//   else the one closest to it): the size kept where it fits that monitor's work area, else
//   shrunk to it, and the window moved just as far as needed to lie wholly on that work area.
// Without monitors (no real system has none) the system places the window.
placement fit_on_monitors(placement stored, const std::vector<monitor_area>& monitors, window_frame frame);

// The normal (restored) rectangle GetWindowPlacement gives, which is in workspace coordinates
// (relative to the work area of the window's monitor), in screen coordinates. The two differ
// when a taskbar stands at the top or left of that monitor.
placement workspace_to_screen(placement normal, const monitor_area& monitor);
