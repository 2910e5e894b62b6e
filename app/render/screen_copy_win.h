// The back buffer's pixels in the screen's layout, from which a paint copies rows as they are.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/render/back_buffer_view_win.h"
#include "util/sys/handle_owner_win.h"

// A copy of the back buffer in a 32-bit bitmap of the system's (a DIB section),
// kept in step with it. The back buffer has three bytes a pixel and the screen
// four: copying the back buffer to the window turns every pixel of the part
// copied round, which for a large window costs more than drawing what changed;
// from this copy the system copies rows. The kept picture writes the pixels it
// changes into both; after anything else was drawn the copy takes the back
// buffer over whole.
class screen_copy {
public:
    // Makes the copy `width` by `height` pixels: anew, and out of step, when the
    // size changed. False when no bitmap could be made; the copy is then unusable
    // until a later call succeeds.
    bool fit(int width, int height);
    // What the copy holds no longer shows the back buffer (it was drawn anew).
    void forget() { in_step_ = false; }
    bool in_step() const { return in_step_; }

    // Sets a pixel to 0xRRGGBB; outside the copy, or with none, nothing.
    void put_rgb(int x, int y, std::uint32_t rgb) {
        if (bits_ && static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
            static_cast<unsigned>(y) < static_cast<unsigned>(height_))
            bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                  static_cast<std::size_t>(x)] = rgb;
    }
    // The pixel at x, y as 0xRRGGBB; x and y inside the copy.
    std::uint32_t rgb(int x, int y) const {
        return bits_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                     static_cast<std::size_t>(x)] &
               0xFFFFFF;
    }
    // When out of step and of the back buffer's size: takes all its pixels, and is in step.
    void catch_up(const back_buffer_view& pixels);
    // Copies `area` of the copy to the same place of `dc`. False, having copied
    // nothing, when the copy is not in step with a back buffer of `width` by `height`.
    bool copy_to(HDC dc, const RECT& area, int width, int height) const;
    // The same for each of `areas`.
    bool copy_to(HDC dc, const std::vector<pixel_rect>& areas, int width, int height) const;

private:
    owned_gdi<HBITMAP> bitmap_;
    owned_dc dc_; // holds bitmap_ selected; goes first
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    bool in_step_ = false;
};
