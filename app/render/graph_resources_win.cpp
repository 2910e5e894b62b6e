// The graph's drawing resources: pens, label font, string format and brush, made for one display scale.
#include "app/render/graph_resources_win.h"

namespace {
constexpr float label_size_px = 12.0f;
constexpr float line_width = 1.0f;
} // namespace

gdip_font create_label_font(const wchar_t* family_name, display_scale scale) {
    const auto size_px = static_cast<float>(scale.length(label_size_px));
    {
        gdip_font_family family(family_name);
        if (family) {
            gdip_font font(family, size_px, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
            if (font) return font;
        }
    }
    gdip_font_family fallback = gdip_font_family::generic_sans_serif();
    return gdip_font(fallback, size_px, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
}

graph_resources::graph_resources() : graph_resources(L"Arial") {}

graph_resources::graph_resources(const wchar_t* label_family, display_scale scale)
    : label_family_(label_family) {
    make(scale);
}

graph_resources::~graph_resources() {
    release();
}

void graph_resources::remake(display_scale scale) {
    release();
    make(scale);
}

// The pens stay one pixel wide at every scale: a line of thickness t is drawn as t lines side
// by side, whose pixels are known exactly, where a wide GDI+ pen places its edges by rules of
// its own.
void graph_resources::make(display_scale scale) {
    // Creation order: average, grid and axis pens, then the label's font, format and brush.
    avg_pen = gdip_pen(avg_color, line_width, Gdiplus::UnitWorld);
    grid_pen = gdip_pen(grid_color, line_width, Gdiplus::UnitWorld);
    axis_pen = gdip_pen(axis_color, line_width, Gdiplus::UnitWorld);
    label_font = create_label_font(label_family_, scale);
    label_format = gdip_string_format(0, LANG_NEUTRAL);
    label_format.set_alignment(Gdiplus::StringAlignmentNear);
    label_brush = gdip_solid_brush(label_color);
}

void graph_resources::release() {
    // Release order differs from both the creation and the declaration order.
    axis_pen.reset();
    grid_pen.reset();
    avg_pen.reset();
    label_font.reset();
    label_format.reset();
    label_brush.reset();
}
