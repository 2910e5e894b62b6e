// The display scale of the main window: its DPI as the system reports it, and what follows it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/store/display_scale.h"
#include "util/sys/handle_owner_win.h"

// The DPI the system scales everything else on the screen by (LOGPIXELSX of the screen).
std::uint32_t system_dpi();

// The DPI of the monitor the window is on: GetDpiForWindow where the system has it, else the
// system DPI.
std::uint32_t window_dpi(HWND window);

// The window's big and small icons at the sizes its DPI asks for (32 and 16 pixels at 96 DPI).
class window_icons {
public:
    void set(HWND window, std::uint32_t dpi);

private:
    owned_icon big_;
    owned_icon small_;
};
