// The placement rule's view of the real system: its monitors, the main window's frame, and
// the normal place of a window that is minimised or maximised.
#pragma once

#include <windows.h>

#include <vector>

#include "app/window/placement.h"

// Every display monitor with its work area, as GetMonitorInfoW gives them; the primary
// monitor first.
std::vector<monitor_area> display_monitors();

// The frame of a window of this style without a menu bar, as AdjustWindowRectEx gives it.
window_frame frame_of_style(DWORD style, DWORD ex_style);

// The place and size the window has, or will have again once restored, when it is in its
// normal state, in screen coordinates: GetWindowPlacement's normal rectangle, converted from
// workspace coordinates unless the window is a tool window. False when the window has none.
bool normal_place(HWND window, placement& place);
