// The readout's tracking tooltip beside the pointer, and the wheel through the time spans.
#include "app/window/readout_win.h"

#include <commctrl.h>
#include <cstddef>
#include <windowsx.h>

#include "app/store/sample_clock.h"
#include "util/sys/entry_points_win.h"

namespace {

// The text lines are short; the width only makes the control break lines at "\r\n".
constexpr int tooltip_max_width = 1000;
constexpr UINT_PTR tool_id = 1;

// The tool's description as every version of the control takes it: the size of the
// second version (up to lParam), which the controls without a manifest for version 6
// require. Computed with offsetof: the SDK's TTTOOLINFOW_V2_SIZE takes a member of a null
// pointer, which a checked build stops at.
TOOLINFOW tool_of(HWND owner) {
    TOOLINFOW tool{};
    tool.cbSize = offsetof(TOOLINFOW, lParam) + sizeof(tool.lParam);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = owner;
    tool.uId = tool_id;
    return tool;
}

// The readout's text is ASCII.
std::wstring widened(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

} // namespace

bool pointer_readout::make_tooltip(HWND owner) {
    if (tooltip_) return true;
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, nullptr, nullptr);
    if (!tooltip_) return false;
    owner_ = owner;
    TOOLINFOW tool = tool_of(owner);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, tooltip_max_width);
    return true;
}

void pointer_readout::pointer_moved(graph_view& view, HWND hwnd, POINT at) {
    at_ = at;
    inside_ = true;
    // Without the notice of the pointer leaving, a readout could stay behind: none is shown.
    if (!tracked_) {
        const mouse_tracking_entry::function track = process_mouse_tracking_entry.get();
        TRACKMOUSEEVENT leave{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, 0};
        tracked_ = track && track(&leave);
    }
    if (tracked_ && make_tooltip(hwnd)) update(view);
}

void pointer_readout::painted(graph_view& view) {
    if (tooltip_ && inside_ && tracked_) update(view);
}

void pointer_readout::pointer_left() {
    tracked_ = false;
    inside_ = false;
    hide();
}

void pointer_readout::menu_opened() {
    menu_open_ = true;
    hide();
}

void pointer_readout::menu_closed() {
    menu_open_ = false;
}

void pointer_readout::window_destroyed() {
    tooltip_ = nullptr;
    owner_ = nullptr;
    shown_ = false;
}

void pointer_readout::update(graph_view& view) {
    if (menu_open_ || !view.graph_drawn) return hide();
    std::string text;
    {
        lock_guard hold(view.store.lock);
        if (!view.store.samples.empty()) {
            readout_place place;
            place.x = at_.x;
            place.y = at_.y;
            place.plot_width = view.plot_width;
            place.clock = arrival_clock(view, view.store.samples.back().time);
            place.now_local_ms = local_ms_now();
            text = text_.make(view.store, view.pictures.extremes, place);
        }
    }
    if (text.empty()) return hide();
    show(widened(text));
}

void pointer_readout::show(const std::wstring& text) {
    const bool new_text = text != shown_text_;
    if (new_text) {
        shown_text_ = text;
        TOOLINFOW tool = tool_of(owner_);
        tool.lpszText = const_cast<wchar_t*>(shown_text_.c_str());
        SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    if (!shown_) {
        placed_ = corner_for(SIZE{0, 0});
        track_at(placed_);
        TOOLINFOW tool = tool_of(owner_);
        SendMessageW(tooltip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
        shown_ = true;
    } else if (new_text) {
        // Some versions of the control size a tracking tooltip for a new text only when
        // told where it is.
        track_at(placed_);
    }
    place();
}

void pointer_readout::hide() {
    if (!shown_ || !tooltip_) return;
    TOOLINFOW tool = tool_of(owner_);
    SendMessageW(tooltip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    shown_ = false;
}

void pointer_readout::track_at(POINT corner) {
    SendMessageW(tooltip_, TTM_TRACKPOSITION, 0, MAKELPARAM(corner.x, corner.y));
}

// Beside the pointer, right of it and below the cursor's arrow where the screen has
// room, else left of it or above it: the tooltip never covers the pointer, nor the
// marker within reach of it that it describes.
POINT pointer_readout::corner_for(SIZE size) const {
    POINT pointer = at_;
    ClientToScreen(owner_, &pointer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& area = monitor.rcWork;
    const int clear = readout_reach + 2;
    POINT corner{pointer.x + GetSystemMetrics(SM_CXCURSOR) / 2,
                 pointer.y + GetSystemMetrics(SM_CYCURSOR) * 2 / 3};
    if (corner.x + size.cx > area.right) corner.x = pointer.x - clear - size.cx;
    if (corner.y + size.cy > area.bottom) corner.y = pointer.y - clear - size.cy;
    return corner;
}

void pointer_readout::place() {
    RECT tip{};
    GetWindowRect(tooltip_, &tip);
    const POINT corner = corner_for(SIZE{tip.right - tip.left, tip.bottom - tip.top});
    if (corner.x == placed_.x && corner.y == placed_.y) return;
    placed_ = corner;
    track_at(corner);
}

bool wheel_time_scale(wheel_notches& notches, menus::_time_scale_menu& menu, HWND hwnd, WPARAM wparam,
                      LPARAM lparam) {
    POINT at{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    ScreenToClient(hwnd, &at);
    RECT client{};
    GetClientRect(hwnd, &client);
    if (!PtInRect(&client, at)) return false;
    const std::uint32_t span =
        stepped_time_scale(menu.view.x_time, notches.add(GET_WHEEL_DELTA_WPARAM(wparam)));
    if (span != menu.view.x_time) menu.set_time_scale(static_cast<int>(span));
    return true;
}
