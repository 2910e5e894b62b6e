// The markers and the curve of a drawing pass: from the pictures into the locked back buffer, or by plain
// GDI+ calls.
#include "app/render/graph_pixels_win.h"

#include "app/graph/marker_shape.h"
#include "app/graph/marker_walk.h"
#include "app/render/back_buffer_view_win.h"
#include "app/render/line_probe_win.h"

namespace {

// The curve's risers and steps as GDI+ lines, each of thickness t drawn as t by t one-pixel
// lines moved by up to t - 1 pixels across and along: a line's pixels with a square of t by t
// around each, whatever rule GDI+ follows at a line's ends.
struct gdiplus_lines {
    gdip_graphics& graphics;
    gdip_pen& pen;
    thick_line offsets;

    void riser(int x, int y1, int y2) {
        for (int dx = offsets.first; dx <= offsets.last; ++dx)
            for (int dy = offsets.first; dy <= offsets.last; ++dy)
                graphics.draw_line(pen, x + dx, y1 + dy, x + dx, y2 + dy);
    }
    void step(int x1, int x2, int y) {
        for (int dy = offsets.first; dy <= offsets.last; ++dy)
            for (int dx = offsets.first; dx <= offsets.last; ++dx)
                graphics.draw_line(pen, x1 + dx, y + dy, x2 + dx, y + dy);
    }
};

void draw_curve_plain(graph_view& view, gdip_graphics& graphics, double plot_width) {
    const average_steps steps(view.store, plot_width);
    gdiplus_lines lines{graphics, view.resources.avg_pen, thick_line(view.scale)};
    walk_curve(steps, lines);
}

// Whether the pictures can draw this pass: a time scale whose columns they can follow, and,
// for lines thicker than a pixel, a plot with room in it (in a window smaller than its margins
// the thin curve may lie outside the bitmap, where a thick one would still reach in).
bool pictures_serve(const graph_view& view, const view_mapping& mapping) {
    if (!mapping.columns_monotonic()) return false;
    return view.scale.thickness() == 1 || (mapping.plot_height > 0.0 && mapping.plot_width > 0.0);
}

// False, having drawn nothing, where the pictures cannot serve.
bool draw_samples_from_pictures(graph_view& view, gdip_graphics& graphics, double plot_width) {
    graphics.flush();
    sample_bits bits;
    {
        back_buffer_view pixels(view.back_buffer);
        if (!pixels.usable() || !picture_bits(view, plot_width, pixels.width(), pixels.height(), bits))
            return false;
        draw_sample_bits(pixels, bits);
    }
    // The view is gone, and with it the lock, before GDI+ draws.
    if (bits.curve_by_gdiplus) draw_curve_plain(view, graphics, plot_width);
    return true;
}

} // namespace

bool picture_bits(graph_view& view, double plot_width, int width, int height, sample_bits& bits) {
    sample_store& store = view.store;
    const view_mapping mapping(store, plot_width);
    if (!pictures_serve(view, mapping)) return false;
    const line_ends& ends = gdiplus_line_ends();
    const bool show_avg = store.show_avg && view.resources.avg_pen;
    view.pictures.follow(store);
    double low = win_none_min;
    double high = win_none_max;
    view.pictures.extremes.find(store, low, high);
    store.win_min = low;
    store.win_max = high;
    bits = sample_bits{nullptr, nullptr, show_avg && !ends.known};
    if (!store.only_avg)
        bits.markers = &view.pictures.markers.pixels(store, mapping, width, height, marker_shape(view.scale));
    if (show_avg && ends.known)
        bits.curve = &view.pictures.curve.pixels(store, average_steps(store, plot_width), ends, width, height,
                                                 thick_line(view.scale));
    return true;
}

void draw_sample_bits(back_buffer_view& pixels, const sample_bits& bits) {
    if (bits.markers) {
        pixels.set_color(point_color);
        pixels.draw_bits(*bits.markers);
    }
    if (bits.curve) {
        pixels.set_color(avg_color);
        pixels.draw_bits(*bits.curve);
    }
}

void draw_marker(graph_view& view, int x, int y) {
    gdip_bitmap& bitmap = view.back_buffer;
    marker_shape(view.scale).each_pixel([&](int dx, int dy) {
        // A neighbour beyond the int range lies outside every bitmap.
        const std::int64_t px = std::int64_t{x} + dx;
        const std::int64_t py = std::int64_t{y} + dy;
        if (px < INT32_MIN || px > INT32_MAX || py < INT32_MIN || py > INT32_MAX) return;
        bitmap.set_pixel(static_cast<int>(px), static_cast<int>(py), point_color);
    });
}

void draw_samples_plain(graph_view& view, gdip_graphics& graphics, double plot_width) {
    sample_store& store = view.store;
    double low = win_none_min;
    double high = win_none_max;
    walk_samples(store, view_mapping(store, plot_width), !store.only_avg, low, high,
                 [&view](int x, int y) { draw_marker(view, x, y); });
    store.win_min = low;
    store.win_max = high;
    if (store.show_avg) draw_curve_plain(view, graphics, plot_width);
}

void draw_samples(graph_view& view, gdip_graphics& graphics, double plot_width) {
    if (!draw_samples_from_pictures(view, graphics, plot_width))
        draw_samples_plain(view, graphics, plot_width);
}
