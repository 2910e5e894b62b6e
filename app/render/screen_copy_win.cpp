// The screen's copy of the back buffer: made, kept in step, and copied to the window.
#include "app/render/screen_copy_win.h"

#include <utility>

bool screen_copy::fit(int width, int height) {
    if (bits_ && width == width_ && height == height_) return true;
    in_step_ = false;
    dc_.reset();
    bitmap_.reset();
    bits_ = nullptr;
    width_ = height_ = 0;
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first, as the back buffer
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    owned_gdi<HBITMAP> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    owned_dc dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !bits || !dc || !SelectObject(dc.get(), bitmap.get())) return false;
    bitmap_ = std::move(bitmap);
    dc_ = std::move(dc);
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
}

void screen_copy::catch_up(const back_buffer_view& pixels) {
    if (in_step_ || !bits_ || !pixels.usable() || pixels.width() != width_ || pixels.height() != height_)
        return;
    for (int y = 0; y < height_; ++y) {
        std::uint32_t* row = bits_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
        for (int x = 0; x < width_; ++x) row[x] = pixels.rgb(x, y);
    }
    in_step_ = true;
}

bool screen_copy::copy_to(HDC dc, const RECT& area, int width, int height) const {
    return copy_to(dc, {pixel_rect{area.left, area.top, area.right, area.bottom}}, width, height);
}

bool screen_copy::copy_to(HDC dc, const std::vector<pixel_rect>& areas, int width, int height) const {
    if (!in_step_ || width != width_ || height != height_) return false;
    bool copied = true;
    for (const pixel_rect& area : areas)
        copied &= BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, dc_.get(),
                         area.left, area.top, SRCCOPY) != FALSE;
    // GDI may batch its calls: the copy is done with the bitmap's memory before it is written again.
    GdiFlush();
    return copied;
}
