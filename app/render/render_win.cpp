#include "app/render/render_win.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "app/graph/graph_geometry.h"
#include "app/graph/graph_mapping.h"
#include "app/render/back_buffer_view_win.h"
#include "app/store/scaling.h"
#include "util/ui/paint_guard_win.h"

namespace {

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
    const view_mapping view(store, frame.plot_width);
    for (const grid_label& label : labels) {
        const double line_y = view.y_of(label.value);
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

// Walks the visible samples: recomputes win_min and win_max from all of them and,
// unless only the average is shown, hands the marker point of each one inside the
// value range to `put`.
template <class Put>
void walk_samples(sample_store& store, double plot_width, Put put) {
    double low = win_none_min;
    double high = win_none_max;
    const bool markers = !store.only_avg;
    const view_mapping view(store, plot_width);
    const ping_sample* const first = store.samples.data() + store.first_visible;
    const ping_sample* const end = store.samples.data() + store.samples.size();
    const auto column_of = [&view](double time, int& x) {
        return pixel_coord(view.offset_of(time) + plot_left, x);
    };
    // Many samples share a column: the time alone tells when a sample lies in the
    // last column found.
    column_times known;
    for (const ping_sample* sample = first; sample < end; ++sample) {
        const double rtt = sample->rtt;
        if (rtt < low) low = rtt;
        if (rtt > high) high = rtt;
        if (!markers || !view.in_range(rtt)) continue;
        int y = 0;
        if (!pixel_coord(view.y_of(rtt), y)) continue;
        const double time = sample->time;
        int x = known.column();
        if (!known.holds(time)) {
            if (!column_of(time, x)) continue;
            known.learn(time, x, view.guess_last_time_in(x), column_of);
        }
        put(x, y);
    }
    store.win_min = low;
    store.win_max = high;
}

// Walks the buckets of the average curve and hands each line of the staircase,
// in drawing order, to `line`.
template <class Line>
void walk_average(const sample_store& store, double plot_width, Line line) {
    const average_steps steps(store, plot_width);
    int prev_y = -1; // -1: the curve is broken
    std::int64_t prev_index = -1;
    for (std::size_t i = steps.first(); i < steps.end(); ++i) {
        const std::int64_t index = steps.index_at(i);
        // Buckets missing from the list are empty, and an empty bucket breaks the curve.
        if (index != prev_index + 1) prev_y = -1;
        prev_index = index;
        const avg_bucket& bucket = steps.bucket_at(i);
        int y = 0;
        int x1 = 0;
        int x2 = 0;
        if (bucket.count == 0 || !steps.row_of(average_steps::mean(bucket.sum_rtt, bucket.count), y) ||
            !steps.columns_of(average_steps::mean(bucket.sum_time, bucket.count), x1, x2)) {
            prev_y = -1;
            continue;
        }
        if (prev_y != -1) line(x1, prev_y, x1, y);
        line(x1, y, x2, y);
        prev_y = y;
    }
}

// Vertical runs of one column gathered while they overlap or touch, and written
// once: all get one colour and nothing reads the pixels in between.
class column_gatherer {
public:
    explicit column_gatherer(back_buffer_view& view) : view_(view) {}
    ~column_gatherer() { flush(); }
    column_gatherer(const column_gatherer&) = delete;
    column_gatherer& operator=(const column_gatherer&) = delete;

    void add(int x, std::int64_t from, std::int64_t to) {
        if (to < from) return;
        if (active_ && x == x_ && from <= to_ + 1 && to >= from_ - 1) {
            from_ = std::min(from_, from);
            to_ = std::max(to_, to);
            return;
        }
        flush();
        active_ = true;
        x_ = x;
        from_ = from;
        to_ = to;
    }
    void flush() {
        if (active_) view_.column(x_, from_, to_);
        active_ = false;
    }

private:
    back_buffer_view& view_;
    bool active_ = false;
    int x_ = 0;
    std::int64_t from_ = 0;
    std::int64_t to_ = 0;
};

// The average curve written into the view, the same pixels as walk_average's
// lines drawn by `ends`. A fine average puts hundreds of steps into each pixel
// column; for those the column is known from the mean time alone and the
// vertical lines are gathered into one run per column, so that a step costs a
// few comparisons instead of two lines.
void draw_average_in_view(const sample_store& store, double plot_width, const line_ends& ends,
                          back_buffer_view& view) {
    const average_steps steps(store, plot_width);
    column_gatherer gather(view);
    // The pixels a vertical line leaves out at its ends, by direction.
    const std::int64_t skip_first_down = ends.first[line_ends::down] ? 0 : 1;
    const std::int64_t skip_last_down = ends.last[line_ends::down] ? 0 : 1;
    const std::int64_t skip_first_up = ends.first[line_ends::up] ? 0 : 1;
    const std::int64_t skip_last_up = ends.last[line_ends::up] ? 0 : 1;
    // An empty run, which leaves any other run as it is under min and max.
    constexpr std::int64_t no_row_from = std::int64_t{1} << 40;
    constexpr std::int64_t no_row_to = -no_row_from;
    step_columns columns(steps);
    int prev_y = -1;
    std::int64_t prev_index = -1;
    for (std::size_t i = steps.first(); i < steps.end(); ++i) {
        const std::int64_t index = steps.index_at(i);
        if (index != prev_index + 1) prev_y = -1;
        prev_index = index;
        const avg_bucket& bucket = steps.bucket_at(i);
        int y = 0;
        if (bucket.count == 0 || !steps.row_of(average_steps::mean(bucket.sum_rtt, bucket.count), y)) {
            prev_y = -1;
            continue;
        }
        const double mean_time = average_steps::mean(bucket.sum_time, bucket.count);
        int x1 = 0;
        int x2 = 0;
        if (!columns.find(mean_time, x1, x2)) {
            prev_y = -1;
            continue;
        }
        // The vertical line from prev_y and, where the step starts and ends in one
        // column, the point of its horizontal line. Each is a run, empty or next to
        // row y, so together they are one run. Selections rather than branches: the
        // rows of noisy data go up and down at random.
        const bool point_drawn = ends.point && x1 == x2;
        std::int64_t from = point_drawn ? y : no_row_from;
        std::int64_t to = point_drawn ? y : no_row_to;
        if (prev_y != -1) {
            const bool down = prev_y < y;
            std::int64_t line_from =
                down ? std::int64_t{prev_y} + skip_first_down : std::int64_t{y} + skip_last_up;
            std::int64_t line_to =
                down ? std::int64_t{y} - skip_last_down : std::int64_t{prev_y} - skip_first_up;
            if (prev_y == y) {
                line_from = ends.point ? y : no_row_from;
                line_to = ends.point ? y : no_row_to;
            }
            const bool empty = line_from > line_to;
            from = std::min(from, empty ? no_row_from : line_from);
            to = std::max(to, empty ? no_row_to : line_to);
        }
        gather.add(x1, from, to);
        if (x1 != x2) view.line(ends, x1, y, x2, y);
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

// Markers written into one locked view, and the curve too where GDI+'s line ends
// are known (and `curve_in_view`). False, having drawn nothing, when the bitmap
// cannot be locked.
bool draw_samples_in_view(sample_store& store, gdip_graphics& graphics, double plot_width,
                          bool curve_in_view) {
    graphics.flush();
    const bool show_avg = store.show_avg && store.resources.avg_pen;
    const line_ends& ends = gdiplus_line_ends();
    {
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
        if (!show_avg) return true;
        if (curve_in_view && ends.known) {
            view.set_color(avg_color);
            draw_average_in_view(store, plot_width, ends, view);
            return true;
        }
    }
    // The view is gone, and with it the lock: GDI+ may refuse to draw on a locked
    // bitmap, or write the locked copy back over the lines when it is unlocked.
    gdip_pen& pen = store.resources.avg_pen;
    walk_average(store, plot_width, [&graphics, &pen](int x1, int y1, int x2, int y2) {
        graphics.draw_line(pen, x1, y1, x2, y2);
    });
    return true;
}

// The marker pixels of column x: the centres of columns x - 1, x and x + 1, and
// those of column x moved a row up and a row down. `centres` has columns -1 to
// the bitmap's width and rows from -1; `out` receives rows from -1.
void marker_column(const column_bits& centres, int x, std::uint64_t* out) {
    const std::size_t words = centres.words();
    const std::uint64_t* left = centres.column(x - 1);
    const std::uint64_t* mid = centres.column(x);
    const std::uint64_t* right = centres.column(x + 1);
    for (std::size_t k = 0; k < words; ++k) {
        const std::uint64_t below = (mid[k] << 1) | (k > 0 ? mid[k - 1] >> 63 : 0);
        const std::uint64_t above = (mid[k] >> 1) | (k + 1 < words ? mid[k + 1] << 63 : 0);
        out[k] = left[k] | mid[k] | right[k] | below | above;
    }
}

// Markers and curve written into one locked view from the store's block
// summaries, so that a paint costs what the window's pixels need, not what the
// history holds. False, having drawn nothing, when the time scale gives columns
// that the summaries cannot follow or the bitmap cannot be locked.
bool draw_samples_summarised(sample_store& store, gdip_graphics& graphics, double plot_width) {
    const view_mapping mapping(store, plot_width);
    if (!mapping.columns_monotonic()) return false;
    graphics.flush();
    const line_ends& ends = gdiplus_line_ends();
    const bool show_avg = store.show_avg && store.resources.avg_pen;
    {
        back_buffer_view view(store.owner->back_buffer);
        if (!view.usable()) return false;
        const int width = view.width();
        const int height = view.height();
        double low = win_none_min;
        double high = win_none_max;
        store.marker_blocks.extremes(store, mapping, height, low, high);
        store.win_min = low;
        store.win_max = high;
        if (!store.only_avg) {
            const column_bits& centres = store.marker_blocks.centres(store, mapping, width, height);
            std::vector<std::uint64_t> column(centres.words());
            view.set_color(store.point_color);
            for (int x = 0; x < width; ++x) {
                marker_column(centres, x, column.data());
                view.column_bits(x, column.data(), column.size(), centres.first_row());
            }
        }
        if (!show_avg) return true;
        if (ends.known) {
            const average_steps steps(store, plot_width);
            std::vector<curve_step> wide;
            const column_bits& pixels = store.curve_blocks.pixels(store, steps, ends, width, height, wide);
            view.set_color(avg_color);
            for (int x = 0; x < width; ++x) view.column_bits(x, pixels.column(x), pixels.words(), 0);
            for (const curve_step& step : wide) view.line(ends, step.x1, step.y, step.x2, step.y);
            return true;
        }
    }
    // GDI+'s line ends are not known: the curve through GDI+, after the view is gone.
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
    if (path == pixel_path::summaries && draw_samples_summarised(store, graphics, frame.plot_width)) return;
    if (path != pixel_path::gdiplus && draw_samples_in_view(store, graphics, frame.plot_width,
                                                            path != pixel_path::locked_view_gdiplus_curve)) {
        return;
    }
    draw_samples_with_gdiplus(store, graphics, frame.plot_width);
}

namespace {

// The background through a locked view where that gives the pixels of GdipGraphicsClear:
// an opaque colour.
void clear_back_buffer(brisk_window& window, gdip_graphics& graphics, pixel_path path) {
    const bool opaque = (window.background_color >> 24) == 0xFF;
    if (path != pixel_path::gdiplus && opaque && graphics) {
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
    const paint_guard painting(window.hwnd);
    if (painting.dc()) {
        // Deleted at the end of this block, before the guard releases the DC it draws on.
        gdip_graphics screen = gdip_graphics::on_dc(painting.dc());
        screen.draw_image(window.back_buffer, 0, 0);
    }
}
