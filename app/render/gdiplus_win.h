// Thin move-only owners of GDI+ flat-API objects that remember the last non-OK status.
#pragma once

#include <windows.h>
// GDI+ needs the COM declarations that WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

// The Windows SDK's GDI+ headers use min and max unqualified, which NOMINMAX removes.
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

// Starts GDI+ for the life of the object; everything below needs it running.
class gdiplus_session {
public:
    gdiplus_session();
    ~gdiplus_session();
    gdiplus_session(const gdiplus_session&) = delete;
    gdiplus_session& operator=(const gdiplus_session&) = delete;

    bool started() const { return status_ == Gdiplus::Ok; }

private:
    ULONG_PTR token_ = 0;
    Gdiplus::Status status_ = Gdiplus::GdiplusNotInitialized;
};

// Owns one GDI+ object of type T, released with `release`. Every call made through
// the owner passes its status to `check`, which keeps the last one that was not Ok.
// A call on an owner without an object is not made; it records InvalidParameter.
template <class T, Gdiplus::GpStatus(WINGDIPAPI* release)(T*)>
class gdip_owner {
public:
    gdip_owner() = default;
    ~gdip_owner() { reset(); }
    gdip_owner(gdip_owner&& other) noexcept
        : object_(std::exchange(other.object_, nullptr)), last_status_(other.last_status_) {}
    gdip_owner& operator=(gdip_owner&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = std::exchange(other.object_, nullptr);
            last_status_ = other.last_status_;
        }
        return *this;
    }
    gdip_owner(const gdip_owner&) = delete;
    gdip_owner& operator=(const gdip_owner&) = delete;

    T* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    Gdiplus::Status last_status() const { return last_status_; }

    void reset() {
        if (object_) check(release(std::exchange(object_, nullptr)));
    }

    Gdiplus::Status check(Gdiplus::Status status) {
        if (status != Gdiplus::Ok) last_status_ = status;
        return status;
    }

protected:
    // Runs a creating call that writes the new object through its last argument.
    template <class Create, class... Args>
    void create(Create create_fn, Args... args) {
        reset();
        T* made = nullptr;
        if (check(create_fn(args..., &made)) == Gdiplus::Ok) object_ = made;
    }
    // Runs `call` with the object, or records InvalidParameter when there is none.
    template <class Call>
    Gdiplus::Status with_object(Call call) {
        if (!object_) return check(Gdiplus::InvalidParameter);
        return check(call(object_));
    }

private:
    T* object_ = nullptr;
    Gdiplus::Status last_status_ = Gdiplus::Ok;
};

namespace gdip_detail {
inline Gdiplus::GpStatus WINGDIPAPI dispose_bitmap(Gdiplus::GpBitmap* bitmap) {
    return Gdiplus::DllExports::GdipDisposeImage(bitmap);
}
inline Gdiplus::GpStatus WINGDIPAPI delete_solid_fill(Gdiplus::GpSolidFill* brush) {
    return Gdiplus::DllExports::GdipDeleteBrush(brush);
}
} // namespace gdip_detail

class gdip_bitmap : public gdip_owner<Gdiplus::GpBitmap, gdip_detail::dispose_bitmap> {
public:
    gdip_bitmap() = default;
    // A bitmap whose memory GDI+ allocates; none when the size is not positive or
    // the memory cannot be had.
    gdip_bitmap(int width, int height, Gdiplus::PixelFormat format);

    int width();
    int height();
    Gdiplus::Status set_pixel(int x, int y, Gdiplus::ARGB color);
    // The pixel as ARGB, or 0 when it cannot be read.
    Gdiplus::ARGB pixel(int x, int y);
};

// Keeps a rectangle of a bitmap locked in memory in one pixel format until destroyed.
class gdip_bitmap_lock {
public:
    gdip_bitmap_lock(gdip_bitmap& bitmap, unsigned mode, Gdiplus::PixelFormat format);
    ~gdip_bitmap_lock();
    gdip_bitmap_lock(const gdip_bitmap_lock&) = delete;
    gdip_bitmap_lock& operator=(const gdip_bitmap_lock&) = delete;

    bool locked() const { return locked_; }
    const Gdiplus::BitmapData& data() const { return data_; }

private:
    gdip_bitmap& bitmap_;
    Gdiplus::BitmapData data_{};
    bool locked_ = false;
};

class gdip_pen : public gdip_owner<Gdiplus::GpPen, Gdiplus::DllExports::GdipDeletePen> {
public:
    gdip_pen() = default;
    gdip_pen(Gdiplus::ARGB color, float width, Gdiplus::Unit unit);
};

class gdip_solid_brush : public gdip_owner<Gdiplus::GpSolidFill, gdip_detail::delete_solid_fill> {
public:
    gdip_solid_brush() = default;
    explicit gdip_solid_brush(Gdiplus::ARGB color);
};

class gdip_font_family : public gdip_owner<Gdiplus::GpFontFamily, Gdiplus::DllExports::GdipDeleteFontFamily> {
public:
    gdip_font_family() = default;
    // The installed family of this name; none when it is not found.
    explicit gdip_font_family(const wchar_t* name);
    static gdip_font_family generic_sans_serif();
    // The family's name, empty when it cannot be had.
    std::wstring name();
};

class gdip_font : public gdip_owner<Gdiplus::GpFont, Gdiplus::DllExports::GdipDeleteFont> {
public:
    gdip_font() = default;
    gdip_font(gdip_font_family& family, float size, int style, Gdiplus::Unit unit);
    // The name of the family the font was made from, empty when it cannot be had.
    std::wstring family_name();
};

class gdip_string_format
    : public gdip_owner<Gdiplus::GpStringFormat, Gdiplus::DllExports::GdipDeleteStringFormat> {
public:
    gdip_string_format() = default;
    gdip_string_format(int flags, LANGID language);
    Gdiplus::Status set_alignment(Gdiplus::StringAlignment alignment);
};

class gdip_graphics : public gdip_owner<Gdiplus::GpGraphics, Gdiplus::DllExports::GdipDeleteGraphics> {
public:
    gdip_graphics() = default;
    // Graphics drawing into the bitmap; none when the bitmap is none.
    static gdip_graphics on_image(gdip_bitmap& bitmap);
    static gdip_graphics on_dc(HDC dc);

    Gdiplus::Status clear(Gdiplus::ARGB color);
    Gdiplus::Status draw_line(gdip_pen& pen, int x1, int y1, int x2, int y2);
    // The bounding box of the text laid out from an empty rectangle at (0, 0).
    Gdiplus::Status measure_string(const std::wstring& text, gdip_font& font, gdip_string_format& format,
                                   Gdiplus::RectF& box);
    Gdiplus::Status draw_string(const std::wstring& text, gdip_font& font, const Gdiplus::RectF& layout,
                                gdip_string_format& format, gdip_solid_brush& brush);
    Gdiplus::Status draw_image(gdip_bitmap& bitmap, int x, int y);
    // The part of `bitmap` from (x, y), `width` by `height` pixels, unscaled at the same place.
    Gdiplus::Status draw_image_part(gdip_bitmap& bitmap, int x, int y, int width, int height);
    // Waits until everything drawn so far has reached the target.
    Gdiplus::Status flush();
};
