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
    if (!view.back_buffer)
        view.back_buffer = gdip_bitmap(view.client_width, view.client_height, PixelFormat24bppRGB);
    gdip_graphics graphics = gdip_graphics::on_image(view.back_buffer);
    clear_back_buffer(view, graphics);
    apply_view_settings(view.store, view.settings(), now_tick - view.last_data_tick, view.client_height);
    return graphics;
}

gdip_graphics render_back_buffer(graph_view& view, std::uint32_t now_tick) {
    gdip_graphics graphics = prepare_back_buffer(view, now_tick);
    lock_guard hold(view.store.lock);
    view.graph_drawn = update_view(view.store, view.client_height);
    if (view.graph_drawn) draw_graph(view, graphics);
    return graphics;
}

void paint(graph_view& view, HWND hwnd) {
    gdip_graphics buffer_graphics;
    try {
        buffer_graphics = render_back_buffer(view, GetTickCount());
    } catch (...) {
        // Out of memory while drawing: show what the back buffer holds and try
        // again at the next paint; BeginPaint must run either way or WM_PAINT repeats.
    }
    const paint_guard painting(hwnd);
    if (painting.dc()) {
        // Deleted at the end of this block, before the guard releases the DC it draws on.
        gdip_graphics screen = gdip_graphics::on_dc(painting.dc());
        screen.draw_image(view.back_buffer, 0, 0);
    }
}
