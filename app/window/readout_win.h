// The readout under the pointer as a tracking tooltip, and the mouse wheel through the time spans.
#pragma once

#include <windows.h>

#include <string>

#include "app/readout/readout.h"
#include "app/render/graph_view_win.h"
#include "app/window/menus_win.h"
#include "app/window/time_scales.h"

// A standard tooltip control (tooltips_class32) in tracking mode beside the pointer,
// so that screen readers and magnifiers read it as any tooltip, and WM_GETTEXT on it
// returns its text. It shows while the pointer is over the client area and no menu
// is open, follows the pointer, and is made again after each paint, since the graph
// moves under a pointer that stands still. The tooltip is created with the first
// pointer move and belongs to the window, which destroys it.
class pointer_readout {
public:
    pointer_readout() = default;
    pointer_readout(const pointer_readout&) = delete;
    pointer_readout& operator=(const pointer_readout&) = delete;

    // WM_MOUSEMOVE at `at` in the client area of `hwnd`.
    void pointer_moved(graph_view& view, HWND hwnd, POINT at);
    // WM_PAINT, once the paint is done.
    void painted(graph_view& view);
    // WM_MOUSELEAVE: hidden until the pointer comes back.
    void pointer_left();
    // WM_ENTERMENULOOP and WM_EXITMENULOOP: hidden while a menu is open.
    void menu_opened();
    void menu_closed();
    // WM_DESTROY: the tooltip goes with the window.
    void window_destroyed();

    // The tooltip window, null before the first pointer move.
    HWND tooltip() const { return tooltip_; }

private:
    bool make_tooltip(HWND owner);
    void update(graph_view& view);
    void show(const std::wstring& text);
    void hide();
    POINT corner_for(SIZE size) const;
    void track_at(POINT corner);
    void place();

    HWND owner_ = nullptr;
    HWND tooltip_ = nullptr;
    POINT at_{};           // the pointer in client coordinates
    bool inside_ = false;  // the pointer is over the client area
    bool tracked_ = false; // a WM_MOUSELEAVE is asked for
    bool menu_open_ = false;
    bool shown_ = false;
    std::wstring shown_text_;
    POINT placed_{};
    readout_text text_;
};

// WM_MOUSEWHEEL over the client area of `hwnd`: whole notches step the time span
// through the Time Scale menu's choice of it. False when the pointer is not over the
// client area.
bool wheel_time_scale(wheel_notches& notches, menus::_time_scale_menu& menu, HWND hwnd, WPARAM wparam,
                      LPARAM lparam);
