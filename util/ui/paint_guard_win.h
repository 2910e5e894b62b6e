// paint_guard: BeginPaint and its EndPaint as one object.
#pragma once

#include <windows.h>

// Begins painting the window for the life of the object. Whatever draws on dc() must be
// gone before the guard is: EndPaint releases the DC. BeginPaint validates the window
// even when it yields no DC, so a failed paint is not asked for again at once.
class paint_guard {
public:
    explicit paint_guard(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~paint_guard() {
        if (dc_) EndPaint(window_, &paint_);
    }
    paint_guard(const paint_guard&) = delete;
    paint_guard& operator=(const paint_guard&) = delete;

    // Null when the system gave no display context: there is nothing to draw on.
    HDC dc() const { return dc_; }
    // The part of the client area to paint.
    const RECT& area() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};
