// Owners of GDI+ flat-API objects: creation, drawing calls and their last status.
#include "app/render/gdiplus_win.h"

namespace flat = Gdiplus::DllExports;

gdiplus_session::gdiplus_session() {
    Gdiplus::GdiplusStartupInput input;
    status_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr);
}

gdiplus_session::~gdiplus_session() {
    if (status_ == Gdiplus::Ok) Gdiplus::GdiplusShutdown(token_);
}

gdip_bitmap::gdip_bitmap(int width, int height, Gdiplus::PixelFormat format) {
    if (width <= 0 || height <= 0) {
        check(Gdiplus::InvalidParameter);
        return;
    }
    create(flat::GdipCreateBitmapFromScan0, width, height, 0, format, static_cast<BYTE*>(nullptr));
}

int gdip_bitmap::width() {
    UINT value = 0;
    with_object([&](Gdiplus::GpBitmap* b) { return flat::GdipGetImageWidth(b, &value); });
    return static_cast<int>(value);
}

int gdip_bitmap::height() {
    UINT value = 0;
    with_object([&](Gdiplus::GpBitmap* b) { return flat::GdipGetImageHeight(b, &value); });
    return static_cast<int>(value);
}

Gdiplus::Status gdip_bitmap::set_pixel(int x, int y, Gdiplus::ARGB color) {
    return with_object([&](Gdiplus::GpBitmap* b) { return flat::GdipBitmapSetPixel(b, x, y, color); });
}

Gdiplus::ARGB gdip_bitmap::pixel(int x, int y) {
    Gdiplus::ARGB color = 0;
    with_object([&](Gdiplus::GpBitmap* b) { return flat::GdipBitmapGetPixel(b, x, y, &color); });
    return color;
}

gdip_bitmap_lock::gdip_bitmap_lock(gdip_bitmap& bitmap, unsigned mode, Gdiplus::PixelFormat format)
    : bitmap_(bitmap) {
    const int width = bitmap.width();
    const int height = bitmap.height();
    if (width <= 0 || height <= 0) return;
    const Gdiplus::Rect whole(0, 0, width, height);
    locked_ =
        bitmap.check(flat::GdipBitmapLockBits(bitmap.get(), &whole, mode, format, &data_)) == Gdiplus::Ok;
}

gdip_bitmap_lock::~gdip_bitmap_lock() {
    if (locked_) bitmap_.check(flat::GdipBitmapUnlockBits(bitmap_.get(), &data_));
}

gdip_pen::gdip_pen(Gdiplus::ARGB color, float width, Gdiplus::Unit unit) {
    create(flat::GdipCreatePen1, color, width, static_cast<Gdiplus::GpUnit>(unit));
}

gdip_solid_brush::gdip_solid_brush(Gdiplus::ARGB color) {
    create(flat::GdipCreateSolidFill, color);
}

gdip_font_family::gdip_font_family(const wchar_t* name) {
    create(flat::GdipCreateFontFamilyFromName, name, static_cast<Gdiplus::GpFontCollection*>(nullptr));
}

gdip_font_family gdip_font_family::generic_sans_serif() {
    gdip_font_family family;
    family.create(flat::GdipGetGenericFontFamilySansSerif);
    return family;
}

std::wstring gdip_font_family::name() {
    WCHAR text[LF_FACESIZE] = {};
    if (with_object([&](Gdiplus::GpFontFamily* f) {
            return flat::GdipGetFamilyName(f, text, LANG_NEUTRAL);
        }) != Gdiplus::Ok) {
        return std::wstring();
    }
    return std::wstring(text);
}

gdip_font::gdip_font(gdip_font_family& family, float size, int style, Gdiplus::Unit unit) {
    if (!family) {
        check(Gdiplus::InvalidParameter);
        return;
    }
    create(flat::GdipCreateFont, static_cast<const Gdiplus::GpFontFamily*>(family.get()), size, style, unit);
}

std::wstring gdip_font::family_name() {
    Gdiplus::GpFontFamily* raw = nullptr;
    if (with_object([&](Gdiplus::GpFont* f) { return flat::GdipGetFamily(f, &raw); }) != Gdiplus::Ok)
        return std::wstring();
    WCHAR text[LF_FACESIZE] = {};
    const bool named = flat::GdipGetFamilyName(raw, text, LANG_NEUTRAL) == Gdiplus::Ok;
    flat::GdipDeleteFontFamily(raw);
    return named ? std::wstring(text) : std::wstring();
}

gdip_string_format::gdip_string_format(int flags, LANGID language) {
    create(flat::GdipCreateStringFormat, flags, language);
}

Gdiplus::Status gdip_string_format::set_alignment(Gdiplus::StringAlignment alignment) {
    return with_object(
        [&](Gdiplus::GpStringFormat* f) { return flat::GdipSetStringFormatAlign(f, alignment); });
}

gdip_graphics gdip_graphics::on_image(gdip_bitmap& bitmap) {
    gdip_graphics graphics;
    if (!bitmap) {
        graphics.check(Gdiplus::InvalidParameter);
        return graphics;
    }
    graphics.create(flat::GdipGetImageGraphicsContext, static_cast<Gdiplus::GpImage*>(bitmap.get()));
    return graphics;
}

gdip_graphics gdip_graphics::on_dc(HDC dc) {
    gdip_graphics graphics;
    graphics.create(flat::GdipCreateFromHDC, dc);
    return graphics;
}

Gdiplus::Status gdip_graphics::clear(Gdiplus::ARGB color) {
    return with_object([&](Gdiplus::GpGraphics* g) { return flat::GdipGraphicsClear(g, color); });
}

Gdiplus::Status gdip_graphics::draw_line(gdip_pen& pen, int x1, int y1, int x2, int y2) {
    if (!pen) return check(Gdiplus::InvalidParameter);
    return with_object(
        [&](Gdiplus::GpGraphics* g) { return flat::GdipDrawLineI(g, pen.get(), x1, y1, x2, y2); });
}

Gdiplus::Status gdip_graphics::measure_string(const std::wstring& text, gdip_font& font,
                                              gdip_string_format& format, Gdiplus::RectF& box) {
    box = Gdiplus::RectF();
    if (!font || !format) return check(Gdiplus::InvalidParameter);
    const Gdiplus::RectF layout(0.0f, 0.0f, 0.0f, 0.0f);
    return with_object([&](Gdiplus::GpGraphics* g) {
        return flat::GdipMeasureString(g, text.c_str(), static_cast<INT>(text.size()), font.get(), &layout,
                                       format.get(), &box, nullptr, nullptr);
    });
}

Gdiplus::Status gdip_graphics::draw_string(const std::wstring& text, gdip_font& font,
                                           const Gdiplus::RectF& layout, gdip_string_format& format,
                                           gdip_solid_brush& brush) {
    if (!font || !format || !brush) return check(Gdiplus::InvalidParameter);
    return with_object([&](Gdiplus::GpGraphics* g) {
        return flat::GdipDrawString(g, text.c_str(), static_cast<INT>(text.size()), font.get(), &layout,
                                    format.get(), brush.get());
    });
}

Gdiplus::Status gdip_graphics::draw_image(gdip_bitmap& bitmap, int x, int y) {
    if (!bitmap) return check(Gdiplus::InvalidParameter);
    return with_object([&](Gdiplus::GpGraphics* g) { return flat::GdipDrawImageI(g, bitmap.get(), x, y); });
}

Gdiplus::Status gdip_graphics::draw_image_part(gdip_bitmap& bitmap, int x, int y, int width, int height) {
    if (!bitmap) return check(Gdiplus::InvalidParameter);
    return with_object([&](Gdiplus::GpGraphics* g) {
        return flat::GdipDrawImagePointRectI(g, bitmap.get(), x, y, x, y, width, height, Gdiplus::UnitPixel);
    });
}

Gdiplus::Status gdip_graphics::flush() {
    return with_object(
        [](Gdiplus::GpGraphics* g) { return flat::GdipFlush(g, Gdiplus::FlushIntentionSync); });
}
