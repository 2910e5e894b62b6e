// The main window's DPI, from the system's entry point where it has one, and its icons at it.
#include "app/window/display_scale_win.h"

#include "app/window/icon_win.h"
#include "util/sys/entry_points_win.h"
#include "util/sys/module_instance_win.h"

namespace {

constexpr int big_icon_px = 32;
constexpr int small_icon_px = 16;

// Resolved once, on first use, through the process's library loader like the other
// optional entry points.
const dpi_for_window_entry& dpi_for_window() {
    static const dpi_for_window_entry entry(process_lib_loader);
    return entry;
}

HICON icon_at(int size_px) {
    return static_cast<HICON>(LoadImageW(module_instance, main_icon_name, IMAGE_ICON, size_px, size_px, 0));
}

} // namespace

std::uint32_t system_dpi() {
    std::uint32_t dpi = 0;
    if (const HDC screen = GetDC(nullptr)) {
        dpi = static_cast<std::uint32_t>(GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
    }
    return usable_dpi(dpi);
}

std::uint32_t window_dpi(HWND window) {
    if (const auto get_dpi = dpi_for_window().get()) {
        if (const UINT dpi = get_dpi(window)) return usable_dpi(dpi);
    }
    return system_dpi();
}

void window_icons::set(HWND window, std::uint32_t dpi) {
    const display_scale scale{dpi};
    owned_icon big(icon_at(static_cast<int>(scale.length(big_icon_px))));
    owned_icon small(icon_at(static_cast<int>(scale.length(small_icon_px))));
    // The window keeps using the icons it was given until told of new ones: the old ones
    // are destroyed only after.
    if (big) SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
    if (small) SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    if (big) big_ = std::move(big);
    if (small) small_ = std::move(small);
}
