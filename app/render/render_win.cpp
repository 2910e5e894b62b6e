// Graph rendering: a window's paint and the drawing of its graph into the back buffer.
#include "app/render/render_win.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/graph/grid_labels.h"
#include "app/graph/view_mapping.h"
#include "app/render/back_buffer_view_win.h"
#include "app/render/graph_pixels_win.h"
#include "util/ui/paint_guard_win.h"

namespace {

// At 96 DPI, in pixels; the window's display scale scales them.
constexpr double label_gap = 4.0;         // between the axis and the label column
constexpr double horizontal_space = 20.0; // the plot's left inset, label_gap and 6 pixels right of the labels

struct grid_label {
    double value;
    std::wstring text;
    bool has_text;
};

// Horizontal layout of one drawing pass.
struct graph_frame {
    double plot_width = 0.0;
    int axis_x = 0;
    bool has_axis = false;
    float label_left = 0.0f;
    float label_width = 0.0f;
    float label_height = 0.0f;
};

std::vector<grid_label> make_labels(const sample_store& store) {
    std::vector<grid_label> labels;
    for (double value : grid_labels(store.y_low, store.y_high, store.y_range, store.plot_height)) {
        grid_label label{value, std::wstring(), false};
        label.has_text = label_text(value, label.text);
        labels.push_back(std::move(label));
    }
    return labels;
}

graph_frame measure_frame(graph_view& view, gdip_graphics& graphics, const std::vector<grid_label>& labels) {
    graph_resources& res = view.resources;
    graph_frame frame;
    for (const grid_label& label : labels) {
        if (!label.has_text) continue;
        Gdiplus::RectF box;
        graphics.measure_string(label.text, res.label_font, res.label_format, box);
        frame.label_width = std::max(frame.label_width, box.Width);
        frame.label_height = std::max(frame.label_height, box.Height);
    }
    const display_scale& scale = view.scale;
    const double plot_left = view.store.plot_left;
    frame.plot_width = static_cast<double>(view.client_width) - scale.length(horizontal_space) -
                       static_cast<double>(frame.label_width);
    view.store.x_scale = frame.plot_width / static_cast<double>(view.store.span_secs);
    frame.has_axis = pixel_coord(frame.plot_width + plot_left, frame.axis_x);
    frame.label_left = static_cast<float>(frame.plot_width + plot_left + scale.length(label_gap));
    return frame;
}

void draw_grid(graph_view& view, gdip_graphics& graphics, const std::vector<grid_label>& labels,
               const graph_frame& frame) {
    graph_resources& res = view.resources;
    const view_mapping mapping(view.store, frame.plot_width);
    const thick_line lines(view.scale);
    for (const grid_label& label : labels) {
        const double line_y = mapping.y_of(label.value);
        int y = 0;
        if (!pixel_coord(line_y, y)) continue;
        if (frame.has_axis) {
            const int left = static_cast<int>(view.store.plot_left);
            for (int d = lines.first; d <= lines.last; ++d)
                graphics.draw_line(res.grid_pen, left, y + d, frame.axis_x, y + d);
        }
        if (!label.has_text) continue;
        const Gdiplus::RectF layout(
            frame.label_left, static_cast<float>(line_y - static_cast<double>(frame.label_height) * 0.5),
            frame.label_width, frame.label_height);
        graphics.draw_string(label.text, res.label_font, layout, res.label_format, res.label_brush);
    }
}

void draw_axis(graph_view& view, gdip_graphics& graphics, const graph_frame& frame) {
    const sample_store& store = view.store;
    int top = 0;
    int bottom = 0;
    if (!frame.has_axis || !pixel_coord(store.margin, top) ||
        !pixel_coord(store.margin + store.plot_height, bottom)) {
        return;
    }
    const thick_line lines(view.scale);
    for (int d = lines.first; d <= lines.last; ++d)
        graphics.draw_line(view.resources.axis_pen, frame.axis_x + d, top, frame.axis_x + d, bottom);
}

// The background through a locked view where that gives the pixels of
// GdipGraphicsClear: an opaque colour.
void clear_back_buffer(graph_view& view, gdip_graphics& graphics) {
    // Drawn anew from here: the screen's copy takes it over when the drawing is done.
    view.screen.forget();
    const bool opaque = (view.background_color >> 24) == 0xFF;
    if (opaque && graphics) {
        back_buffer_view pixels(view.back_buffer);
        if (pixels.usable()) {
            pixels.set_color(view.background_color);
            pixels.fill();
            return;
        }
    }
    graphics.clear(view.background_color);
}

void make_back_buffer(graph_view& view) {
    if (view.back_buffer) return;
    view.back_buffer = gdip_bitmap(view.client_width, view.client_height, PixelFormat24bppRGB);
    view.picture.forget();
}

frame_key key_of(const graph_view& view) {
    const sample_store& store = view.store;
    return frame_key{view.client_width,
                     view.client_height,
                     view.background_color,
                     store.span_secs,
                     store.only_avg,
                     store.show_avg,
                     {store.y_low, store.y_high, store.y_range, store.y_scale, store.plot_height,
                      store.margin, store.bucket_width}};
}

// The samples' pixels over the frame kept from an earlier paint: only those that
// changed. False where they cannot be found so; the caller then draws all.
bool update_samples(graph_view& view) {
    const double plot_width = view.picture.plot_width();
    view.store.x_scale = plot_width / static_cast<double>(view.store.span_secs);
    back_buffer_view pixels(view.back_buffer);
    sample_bits bits;
    if (!pixels.usable() || !picture_bits(view, plot_width, pixels.width(), pixels.height(), bits) ||
        bits.curve_by_gdiplus)
        return false;
    return view.picture.update(pixels, view.screen, bits.markers, bits.curve, point_color, avg_color);
}

// The frame and the samples' pixels over it, both kept where the pictures give the pixels.
void draw_whole(graph_view& view, gdip_graphics& graphics, const frame_key& key) {
    view.picture.forget();
    const double plot_width = draw_frame(view, graphics);
    view.plot_width = plot_width;
    graphics.flush();
    {
        back_buffer_view pixels(view.back_buffer);
        sample_bits bits;
        if (pixels.usable() && picture_bits(view, plot_width, pixels.width(), pixels.height(), bits) &&
            !bits.curve_by_gdiplus) {
            view.picture.keep_frame(key, plot_width, pixels);
            draw_sample_bits(pixels, bits);
            view.picture.keep_samples(bits.markers, bits.curve);
            return;
        }
    }
    draw_samples(view, graphics, plot_width);
}

// What changed copied straight to the window from the screen's copy, through a
// DC of the window: what the window does not show of itself (covered, off the
// screen) is left out, and the system asks for it with a paint when it shows
// again. False when the copy is not in step or no DC was had.
bool copy_changes(graph_view& view, HWND hwnd, const std::vector<pixel_rect>& runs) {
    const HDC dc = GetDC(hwnd);
    if (!dc) return false;
    const bool copied = view.screen.copy_to(dc, runs, view.client_width, view.client_height);
    ReleaseDC(hwnd, dc);
    return copied;
}

// The back buffer brought up to date, and the part of the window it changed
// copied at once (`copy_now`, at a repaint tick) or invalidated without erasing,
// for this paint or the next.
gdip_graphics render_for_window(graph_view& view, HWND hwnd, bool copy_now) {
    gdip_graphics graphics;
    try {
        graphics = render_for_screen(view, GetTickCount());
    } catch (...) {
        // Out of memory while drawing: what the back buffer holds stays on the
        // screen, and the next paint draws all again.
        view.picture.forget();
        view.screen.forget();
    }
    const kept_picture::changes changed = view.picture.take_changes();
    // A null window would stand for every window on the desktop.
    const pixel_rect bounds = changed.bounds();
    if (!hwnd || bounds.empty()) return graphics;
    // A tick's few scattered columns cost their own pixels this way; an update
    // region is painted by its bounds, which span the plot.
    if (copy_now && copy_changes(view, hwnd, changed.runs)) return graphics;
    const RECT rect{bounds.left, bounds.top, bounds.right, bounds.bottom};
    InvalidateRect(hwnd, &rect, FALSE);
    return graphics;
}

} // namespace

double draw_frame(graph_view& view, gdip_graphics& graphics) {
    const std::vector<grid_label> labels = make_labels(view.store);
    const graph_frame frame = measure_frame(view, graphics, labels);
    draw_grid(view, graphics, labels, frame);
    draw_axis(view, graphics, frame);
    return frame.plot_width;
}

void draw_graph(graph_view& view, gdip_graphics& graphics) {
    view.plot_width = draw_frame(view, graphics);
    draw_samples(view, graphics, view.plot_width);
}

gdip_graphics prepare_back_buffer(graph_view& view, std::uint32_t now_tick) {
    make_back_buffer(view);
    view.picture.forget();
    gdip_graphics graphics = gdip_graphics::on_image(view.back_buffer);
    clear_back_buffer(view, graphics);
    apply_view_settings(view.store, view.settings, now_tick - view.last_data_tick, view.client_height);
    return graphics;
}

gdip_graphics render_back_buffer(graph_view& view, std::uint32_t now_tick) {
    make_back_buffer(view);
    apply_view_settings(view.store, view.settings, now_tick - view.last_data_tick, view.client_height);
    gdip_graphics graphics;
    lock_guard hold(view.store.lock);
    view.graph_drawn = update_view(view.store, view.client_height);
    if (!view.graph_drawn) {
        if (view.picture.shows_background()) return graphics;
        graphics = gdip_graphics::on_image(view.back_buffer);
        clear_back_buffer(view, graphics);
        view.picture.keep_background(view.client_width, view.client_height);
        return graphics;
    }
    const frame_key key = key_of(view);
    if (view.picture.holds(key) && update_samples(view)) return graphics;
    graphics = gdip_graphics::on_image(view.back_buffer);
    clear_back_buffer(view, graphics);
    draw_whole(view, graphics, key);
    return graphics;
}

gdip_graphics render_for_screen(graph_view& view, std::uint32_t now_tick) {
    view.screen.fit(view.client_width, view.client_height);
    gdip_graphics graphics = render_back_buffer(view, now_tick);
    if (!view.screen.in_step() && view.back_buffer) {
        if (graphics) graphics.flush();
        const back_buffer_view pixels(view.back_buffer);
        view.screen.catch_up(pixels);
    }
    return graphics;
}

void refresh(graph_view& view, HWND hwnd) {
    render_for_window(view, hwnd, true);
    view.rendered_for_paint = true;
}

void paint(graph_view& view, HWND hwnd) {
    gdip_graphics buffer_graphics;
    const bool fits = view.back_buffer && view.back_buffer.width() == view.client_width &&
                      view.back_buffer.height() == view.client_height;
    if (!view.rendered_for_paint || !fits) buffer_graphics = render_for_window(view, hwnd, false);
    view.rendered_for_paint = false;
    const paint_guard painting(hwnd);
    if (painting.dc()) {
        const RECT& area = painting.area();
        if (view.screen.copy_to(painting.dc(), area, view.client_width, view.client_height)) return;
        // Deleted at the end of this block, before the guard releases the DC it draws on.
        gdip_graphics screen = gdip_graphics::on_dc(painting.dc());
        screen.draw_image_part(view.back_buffer, area.left, area.top, area.right - area.left,
                               area.bottom - area.top);
    }
}
