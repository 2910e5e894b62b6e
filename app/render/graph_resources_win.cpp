// The graph's drawing resources: pens, label font, string format and brush, made and released.
#include "app/render/graph_resources_win.h"

namespace {
constexpr float label_size_px = 12.0f;
constexpr float line_width = 1.0f;
} // namespace

gdip_font create_label_font(const wchar_t* family_name) {
    {
        gdip_font_family family(family_name);
        if (family) {
            gdip_font font(family, label_size_px, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
            if (font) return font;
        }
    }
    gdip_font_family fallback = gdip_font_family::generic_sans_serif();
    return gdip_font(fallback, label_size_px, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
}

graph_resources::graph_resources() : graph_resources(L"Arial") {}

graph_resources::graph_resources(const wchar_t* label_family) {
    // Creation order: average, grid and axis pens, then the label's font, format and brush.
    avg_pen = gdip_pen(avg_color, line_width, Gdiplus::UnitWorld);
    grid_pen = gdip_pen(grid_color, line_width, Gdiplus::UnitWorld);
    axis_pen = gdip_pen(axis_color, line_width, Gdiplus::UnitWorld);
    label_font = create_label_font(label_family);
    label_format = gdip_string_format(0, LANG_NEUTRAL);
    label_format.set_alignment(Gdiplus::StringAlignmentNear);
    label_brush = gdip_solid_brush(label_color);
}

graph_resources::~graph_resources() {
    // Release order differs from both the creation and the declaration order.
    axis_pen.reset();
    grid_pen.reset();
    avg_pen.reset();
    label_font.reset();
    label_format.reset();
    label_brush.reset();
}
