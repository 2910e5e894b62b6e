#include "app/render_win.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "app/back_buffer_view_win.h"
#include "app/graph_geometry.h"
#include "app/scaling.h"

namespace {

constexpr double plot_left = 10.0;        // x of left_time
constexpr double label_gap = 4.0;         // between the axis and the label column
constexpr double horizontal_space = 20.0; // plot_left, label_gap and 6 pixels right of the labels

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

double value_y(const sample_store& store, double value) {
    return store.plot_height - (value - store.y_low) * store.y_scale + store.margin;
}

std::vector<grid_label> make_labels(const sample_store& store) {
    std::vector<grid_label> labels;
    for (double value : grid_labels(store.y_low, store.y_high, store.y_range, store.plot_height)) {
        grid_label label{value, std::wstring(), false};
        label.has_text = label_text(value, label.text);
        labels.push_back(std::move(label));
    }
    return labels;
}

graph_frame measure_frame(sample_store& store, gdip_graphics& graphics,
                          const std::vector<grid_label>& labels) {
    graph_resources& res = store.resources;
    graph_frame frame;
    for (const grid_label& label : labels) {
        if (!label.has_text) continue;
        Gdiplus::RectF box;
        graphics.measure_string(label.text, res.label_font, res.label_format, box);
        frame.label_width = std::max(frame.label_width, box.Width);
        frame.label_height = std::max(frame.label_height, box.Height);
    }
    frame.plot_width = static_cast<double>(store.owner->client_width) - horizontal_space -
                       static_cast<double>(frame.label_width);
    store.x_scale = frame.plot_width / static_cast<double>(store.span_secs);
    frame.has_axis = pixel_coord(frame.plot_width + plot_left, frame.axis_x);
    frame.label_left = static_cast<float>(frame.plot_width + plot_left + label_gap);
    return frame;
}

void draw_grid(sample_store& store, gdip_graphics& graphics, const std::vector<grid_label>& labels,
               const graph_frame& frame) {
    graph_resources& res = store.resources;
    for (const grid_label& label : labels) {
        const double line_y = value_y(store, label.value);
        int y = 0;
        if (!pixel_coord(line_y, y)) continue;
        if (frame.has_axis) graphics.draw_line(res.grid_pen, static_cast<int>(plot_left), y, frame.axis_x, y);
        if (!label.has_text) continue;
        const Gdiplus::RectF layout(
            frame.label_left, static_cast<float>(line_y - static_cast<double>(frame.label_height) * 0.5),
            frame.label_width, frame.label_height);
        graphics.draw_string(label.text, res.label_font, layout, res.label_format, res.label_brush);
    }
}

void draw_axis(sample_store& store, gdip_graphics& graphics, const graph_frame& frame) {
    int top = 0;
    int bottom = 0;
    if (!frame.has_axis || !pixel_coord(store.margin, top) ||
        !pixel_coord(store.margin + store.plot_height, bottom)) {
        return;
    }
    graphics.draw_line(store.resources.axis_pen, frame.axis_x, top, frame.axis_x, bottom);
}

// The view's mapping from time and value to pixels, copied out of the store
// before a walk: the pixel writes could alias the store, and reloading it for
// every sample would cost more than the writes.
struct view_mapping {
    explicit view_mapping(const sample_store& store, double width)
        : y_low(store.y_low), y_high(store.y_high), y_scale(store.y_scale), plot_height(store.plot_height),
          margin(store.margin), right_time(store.right_time), x_scale(store.x_scale), plot_width(width) {}

    bool in_range(double value) const { return y_low <= value && value <= y_high; }
    // The same expression as value_y.
    double y_of(double value) const { return plot_height - (value - y_low) * y_scale + margin; }
    // Distance of `time` from the plot's left edge.
    double offset_of(double time) const { return plot_width - (right_time - time) * x_scale; }

    double y_low, y_high, y_scale, plot_height, margin, right_time, x_scale, plot_width;
};

// Walks the visible samples: recomputes win_min and win_max from all of them and,
// unless only the average is shown, hands the marker point of each one inside the
// value range to `put`.
template <class Put>
void walk_samples(sample_store& store, double plot_width, Put put) {
    double low = 60000.0;
    double high = -1.0;
    const bool markers = !store.only_avg;
    const view_mapping view(store, plot_width);
    const ping_sample* const first = store.samples.data() + store.first_visible;
    const ping_sample* const end = store.samples.data() + store.samples.size();
    for (const ping_sample* sample = first; sample < end; ++sample) {
        const double rtt = sample->rtt;
        if (rtt < low) low = rtt;
        if (rtt > high) high = rtt;
        if (!markers || !view.in_range(rtt)) continue;
        int x = 0;
        int y = 0;
        if (pixel_coord(view.offset_of(sample->time) + plot_left, x) && pixel_coord(view.y_of(rtt), y)) {
            put(x, y);
        }
    }
    store.win_min = low;
    store.win_max = high;
}

// Index of the first bucket whose nominal end lies right of left_time; the ends
// grow with the bucket index, so every bucket before it would be skipped.
std::size_t first_bucket_after(const sample_store& store) {
    const avg_bucket_list& list = store.buckets;
    std::size_t low = 0;
    std::size_t high = list.size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        const double end = static_cast<double>(list.index_at(mid)) * store.bucket_width +
                           store.bucket_origin + store.bucket_width;
        if (end <= store.left_time)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

// Walks the buckets of the average curve and hands each line of the staircase,
// in drawing order, to `line`.
template <class Line>
void walk_average(const sample_store& store, double plot_width, Line line) {
    const avg_bucket_list& list = store.buckets;
    const double width = store.bucket_width;
    const double origin = store.bucket_origin;
    const view_mapping view(store, plot_width);
    const std::size_t count_of_buckets = list.size();
    int prev_y = -1; // -1: the curve is broken
    std::int64_t prev_index = -1;
    for (std::size_t i = first_bucket_after(store); i < count_of_buckets; ++i) {
        const std::int64_t index = list.index_at(i);
        // Buckets missing from the list are empty, and an empty bucket breaks the curve.
        if (index != prev_index + 1) prev_y = -1;
        prev_index = index;
        const avg_bucket& bucket = list.bucket_at(i);
        if (bucket.count == 0) {
            prev_y = -1;
            continue;
        }
        const double count = static_cast<double>(bucket.count);
        const double mean_rtt = bucket.sum_rtt / count;
        if (!view.in_range(mean_rtt)) {
            prev_y = -1;
            continue;
        }
        const double mean_time = bucket.sum_time / count;
        const double start = origin + width * std::floor((mean_time - origin) / width);
        const double left = view.offset_of(start);
        const double right = plot_width - (view.right_time - start - width) * view.x_scale;
        int y = 0;
        int x1 = 0;
        int x2 = 0;
        if (std::isnan(left) || std::isnan(right) || !pixel_coord(view.y_of(mean_rtt), y) ||
            !pixel_coord(std::max(0.0, left) + plot_left, x1) ||
            !pixel_coord(std::min(plot_width, right) + plot_left, x2)) {
            prev_y = -1;
            continue;
        }
        if (prev_y != -1) line(x1, prev_y, x1, y);
        line(x1, y, x2, y);
        prev_y = y;
    }
}

// Marker centres already set in this pass. When many samples share each pixel
// (a week at 10 Hz in a small window), looking a centre up costs less than
// writing its five pixels again; with few samples per pixel the look-ups cost more.
class marker_stamps {
public:
    marker_stamps(int width, int height)
        : width_(width), height_(height),
          seen_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}
    // False when the centre was seen before in this pass; centres outside the
    // bitmap are never remembered.
    bool first_time(int x, int y) {
        if (static_cast<unsigned>(x) >= static_cast<unsigned>(width_) ||
            static_cast<unsigned>(y) >= static_cast<unsigned>(height_))
            return true;
        std::uint8_t& seen = seen_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                   static_cast<std::size_t>(x)];
        if (seen) return false;
        seen = 1;
        return true;
    }

private:
    int width_;
    int height_;
    std::vector<std::uint8_t> seen_;
};

// Visible samples per bitmap pixel from which the stamps pay (measured under Wine).
constexpr std::size_t stamp_samples_per_pixel = 2;

// Markers and curve through GDI+ calls: draw_marker per sample, one line per step.
void draw_samples_with_gdiplus(sample_store& store, gdip_graphics& graphics, double plot_width) {
    brisk_window& window = *store.owner;
    walk_samples(store, plot_width, [&window, &store](int x, int y) { draw_marker(window, store, x, y); });
    if (!store.show_avg) return;
    gdip_pen& pen = store.resources.avg_pen;
    walk_average(store, plot_width, [&graphics, &pen](int x1, int y1, int x2, int y2) {
        graphics.draw_line(pen, x1, y1, x2, y2);
    });
}

// The same pixels written into one locked view. False, having drawn nothing, when
// the bitmap cannot be locked.
bool draw_samples_in_view(sample_store& store, gdip_graphics& graphics, double plot_width) {
    graphics.flush();
    back_buffer_view view(store.owner->back_buffer);
    if (!view.usable()) return false;
    view.set_color(store.point_color);
    const std::size_t visible = store.samples.size() - store.first_visible;
    const std::size_t pixels =
        static_cast<std::size_t>(view.width()) * static_cast<std::size_t>(view.height());
    if (!store.only_avg && visible >= stamp_samples_per_pixel * pixels) {
        marker_stamps stamps(view.width(), view.height());
        walk_samples(store, plot_width, [&view, &stamps](int x, int y) {
            if (stamps.first_time(x, y)) view.marker(x, y);
        });
    } else {
        walk_samples(store, plot_width, [&view](int x, int y) { view.marker(x, y); });
    }
    if (!store.show_avg || !store.resources.avg_pen) return true;
    const line_ends& ends = gdiplus_line_ends();
    if (ends.known) {
        view.set_color(avg_color);
        walk_average(store, plot_width,
                     [&view, &ends](int x1, int y1, int x2, int y2) { view.line(ends, x1, y1, x2, y2); });
        return true;
    }
    gdip_pen& pen = store.resources.avg_pen;
    walk_average(store, plot_width, [&graphics, &pen](int x1, int y1, int x2, int y2) {
        graphics.draw_line(pen, x1, y1, x2, y2);
    });
    return true;
}

} // namespace

void draw_marker(brisk_window& window, sample_store& store, int x, int y) {
    const Gdiplus::ARGB color = store.point_color;
    gdip_bitmap& bitmap = window.back_buffer;
    // A neighbour beyond the int range lies outside every bitmap.
    const auto put = [&](std::int64_t px, std::int64_t py) {
        if (px < INT32_MIN || px > INT32_MAX || py < INT32_MIN || py > INT32_MAX) return;
        bitmap.set_pixel(static_cast<int>(px), static_cast<int>(py), color);
    };
    const std::int64_t cx = x;
    const std::int64_t cy = y;
    put(cx - 1, cy);
    put(cx, cy);
    put(cx + 1, cy);
    put(cx, cy - 1);
    put(cx, cy + 1);
}

void draw_graph(sample_store& store, gdip_graphics& graphics, pixel_path path) {
    if (!store.owner) return;
    const std::vector<grid_label> labels = make_labels(store);
    const graph_frame frame = measure_frame(store, graphics, labels);
    draw_grid(store, graphics, labels, frame);
    draw_axis(store, graphics, frame);
    if (path == pixel_path::locked_view && draw_samples_in_view(store, graphics, frame.plot_width)) return;
    draw_samples_with_gdiplus(store, graphics, frame.plot_width);
}

namespace {

// The background through a locked view where that gives the pixels of GdipGraphicsClear:
// an opaque colour.
void clear_back_buffer(brisk_window& window, gdip_graphics& graphics, pixel_path path) {
    const bool opaque = (window.background_color >> 24) == 0xFF;
    if (path == pixel_path::locked_view && opaque && graphics) {
        back_buffer_view view(window.back_buffer);
        if (view.usable()) {
            view.set_color(window.background_color);
            view.fill();
            return;
        }
    }
    graphics.clear(window.background_color);
}

} // namespace

gdip_graphics render_back_buffer(brisk_window& window, std::uint32_t now_tick, pixel_path path) {
    if (!window.back_buffer)
        window.back_buffer = gdip_bitmap(window.client_width, window.client_height, PixelFormat24bppRGB);
    gdip_graphics graphics = gdip_graphics::on_image(window.back_buffer);
    clear_back_buffer(window, graphics, path);

    sample_store& store = window.store;
    store.only_avg = window.only_avg;
    store.idle_secs =
        static_cast<double>(static_cast<std::uint32_t>(now_tick - window.last_data_tick)) / 1000.0;
    store.span_secs = window.x_time;

    if (window.x_time_changed) {
        lock_guard hold(store.lock);
        recompute_window(store, window.client_height);
    }
    window.x_time_changed = false;

    if (window.avg_changed) {
        store.show_avg = window.avg_time > 0.0;
        if (store.show_avg) store.bucket_width = window.avg_time;
        {
            lock_guard hold(store.lock);
            rebuild_buckets(store);
        }
        window.avg_changed = false;
    }

    lock_guard hold(store.lock);
    if (!store.samples.empty() && store.first_visible < store.samples.size()) {
        set_time_window(store);
        scale_y(store, window.client_height);
        draw_graph(store, graphics, path);
    }
    return graphics;
}

void paint(brisk_window& window) {
    gdip_graphics buffer_graphics;
    try {
        buffer_graphics = render_back_buffer(window, GetTickCount());
    } catch (...) {
        // Out of memory while drawing: show what the back buffer holds and try
        // again at the next paint; BeginPaint must run either way or WM_PAINT repeats.
    }
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(window.hwnd, &ps);
    if (dc) {
        gdip_graphics screen = gdip_graphics::on_dc(dc);
        screen.draw_image(window.back_buffer, 0, 0);
        EndPaint(window.hwnd, &ps);
    }
}
