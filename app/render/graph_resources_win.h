// The sample store's drawing resources: pens, label font, string format and brush.
#pragma once

#include "app/render/gdiplus_win.h"
#include "app/store/display_scale.h"

// Colours of the picture (ARGB); the background is the window's own (graph_view).
constexpr Gdiplus::ARGB point_color = 0xFF8FA2FE; // the sample markers
constexpr Gdiplus::ARGB avg_color = 0xFF0022CC;
constexpr Gdiplus::ARGB grid_color = 0xFFE0E0E0;
constexpr Gdiplus::ARGB axis_color = 0xFF000000;
constexpr Gdiplus::ARGB label_color = 0xFF000000;

// Created together with the store and released with it. A resource that could
// not be created is held as none; drawing with it then does nothing.
struct graph_resources {
    // Label font of the family "Arial" (with the generic sans-serif fallback), at the
    // base scale.
    graph_resources();
    explicit graph_resources(const wchar_t* label_family, display_scale scale = {});
    ~graph_resources();
    graph_resources(const graph_resources&) = delete;
    graph_resources& operator=(const graph_resources&) = delete;

    // Releases everything and makes it again, of the same family, at `scale`.
    void remake(display_scale scale);

    gdip_pen axis_pen;
    gdip_pen grid_pen;
    gdip_pen avg_pen;
    gdip_font label_font;
    gdip_string_format label_format;
    gdip_solid_brush label_brush;

private:
    void make(display_scale scale);
    void release();

    const wchar_t* label_family_;
};

// A regular font of the named family, 12 pixels high at the base scale, or of the generic
// sans-serif family when the named family or a font of it cannot be created.
gdip_font create_label_font(const wchar_t* family_name, display_scale scale = {});
