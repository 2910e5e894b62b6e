// The placement rule's view of the real system: monitors, window frames and the normal place, through Win32.
#include "app/window/placement_win.h"

#include <utility>

namespace {

placement placement_of(const RECT& r) {
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

BOOL CALLBACK add_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    auto& monitors = *reinterpret_cast<std::vector<monitor_area>*>(list);
    monitors.push_back({placement_of(info.rcMonitor), placement_of(info.rcWork)});
    if (info.dwFlags & MONITORINFOF_PRIMARY) std::swap(monitors.front(), monitors.back());
    return TRUE;
}

} // namespace

std::vector<monitor_area> display_monitors() {
    std::vector<monitor_area> monitors;
    EnumDisplayMonitors(nullptr, nullptr, add_monitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

window_frame frame_of_style(DWORD style, DWORD ex_style) {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    return {static_cast<std::int32_t>(-frame.left), static_cast<std::int32_t>(-frame.top)};
}

bool normal_place(HWND window, placement& place) {
    WINDOWPLACEMENT stored{};
    stored.length = sizeof stored;
    if (!GetWindowPlacement(window, &stored)) return false;
    place = placement_of(stored.rcNormalPosition);
    if (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return true; // already screen coordinates
    // The workspace is that of the monitor the window is on; for a minimised window that is
    // the monitor of its normal place.
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info))
        place = workspace_to_screen(place, {placement_of(info.rcMonitor), placement_of(info.rcWork)});
    return true;
}
