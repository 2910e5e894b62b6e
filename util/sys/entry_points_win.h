// entry_points: the optional system entry points that the program resolves at start-up.
#pragma once

#include "util/sys/lib_loader_win.h"

#include <windows.h>

#include <commctrl.h>

struct layered_window_traits {
    using function = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
    static constexpr const wchar_t* library = L"USER32.DLL";
    static constexpr const char* entry = "UpdateLayeredWindow";
};

struct mouse_tracking_traits {
    using function = BOOL(WINAPI*)(TRACKMOUSEEVENT*);
    static constexpr const wchar_t* library = L"COMCTL32.DLL";
    static constexpr const char* entry = "_TrackMouseEvent";
};

struct common_controls_traits {
    using function = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    static constexpr const wchar_t* library = L"COMCTL32.DLL";
    static constexpr const char* entry = "InitCommonControlsEx";
};

// Windows 10 1607 and later: the DPI of the monitor a window is on, for a program aware of
// each monitor's scale.
struct dpi_for_window_traits {
    using function = UINT(WINAPI*)(HWND);
    static constexpr const wchar_t* library = L"USER32.DLL";
    static constexpr const char* entry = "GetDpiForWindow";
};

using layered_window_entry = fixed_proc<layered_window_traits>;
using mouse_tracking_entry = fixed_proc<mouse_tracking_traits>;
using dpi_for_window_entry = fixed_proc<dpi_for_window_traits>;

// Registers the bar classes (status bar, toolbar, tooltips) once, when the
// system offers InitCommonControlsEx.
class common_controls_entry : public fixed_proc<common_controls_traits> {
public:
    explicit common_controls_entry(lib_loader& loader);
};

// Two entry points of one library whose names are kept scrambled in the
// program; built one after the other, released in reverse.
struct named_entry_pair {
    explicit named_entry_pair(lib_loader& loader);

    dyn_proc first;
    dyn_proc second;
};

// The process-wide holders, in the order they are built.
extern common_controls_entry process_common_controls_entry;
extern layered_window_entry process_layered_window_entry;
extern mouse_tracking_entry process_mouse_tracking_entry;
extern named_entry_pair process_named_entries;
