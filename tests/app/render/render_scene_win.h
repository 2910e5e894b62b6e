// Test scenes for the graph drawing: a graph view with its back buffer, GDI+ started once.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/store/scaling.h"
#include "tests/app/render/plain_paint_win.h"

constexpr Gdiplus::ARGB white = 0xFFFFFFFF;
constexpr Gdiplus::ARGB marker_argb = 0xFF8FA2FE;
constexpr Gdiplus::ARGB grid_argb = 0xFFE0E0E0;
constexpr Gdiplus::ARGB axis_argb = 0xFF000000;
constexpr Gdiplus::ARGB avg_argb = 0xFF0022CC;

class gdiplus_environment : public ::testing::Environment {
public:
    void SetUp() override {
        session_ = new gdiplus_session;
        ASSERT_TRUE(session_->started());
    }
    void TearDown() override { delete session_; }

private:
    gdiplus_session* session_ = nullptr;
};

inline ::testing::Environment* const gdiplus_env =
    ::testing::AddGlobalTestEnvironment(new gdiplus_environment);

using pixel_map = std::map<std::pair<int, int>, Gdiplus::ARGB>;

// Every pixel of the bitmap as opaque ARGB, row by row, read through one lock:
// a sequence of paints compares many.
inline std::vector<Gdiplus::ARGB> all_pixels(gdip_bitmap& bitmap) {
    std::vector<Gdiplus::ARGB> pixels;
    const gdip_bitmap_lock lock(bitmap, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB);
    if (!lock.locked()) return pixels;
    const Gdiplus::BitmapData& data = lock.data();
    for (UINT y = 0; y < data.Height; ++y) {
        const auto* row = static_cast<const BYTE*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride;
        for (UINT x = 0; x < data.Width; ++x)
            pixels.push_back(0xFF000000u | row[x * 3 + 2] << 16 | row[x * 3 + 1] << 8 | row[x * 3]);
    }
    return pixels;
}

// The first pixel where two bitmaps of one size differ, as "x,y", or "" when none does.
inline std::string first_difference(gdip_bitmap& a, gdip_bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height()) return "size";
    const std::vector<Gdiplus::ARGB> pa = all_pixels(a);
    const std::vector<Gdiplus::ARGB> pb = all_pixels(b);
    if (pa.empty() || pb.empty()) return "unreadable";
    const auto at = std::mismatch(pa.begin(), pa.end(), pb.begin()).first - pa.begin();
    if (at == static_cast<std::ptrdiff_t>(pa.size())) return "";
    return std::to_string(at % a.width()) + "," + std::to_string(at / a.width());
}

inline int count_colour(gdip_bitmap& bitmap, Gdiplus::ARGB color) {
    const std::vector<Gdiplus::ARGB> pixels = all_pixels(bitmap);
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), color));
}

// Rows holding pixels other than white at x >= from, as runs [first, last].
inline std::vector<std::pair<int, int>> ink_runs(gdip_bitmap& bitmap, int from) {
    const std::vector<Gdiplus::ARGB> pixels = all_pixels(bitmap);
    const int width = bitmap.width();
    std::vector<std::pair<int, int>> runs;
    for (int y = 0; y < bitmap.height(); ++y) {
        const auto row = pixels.begin() + y * width;
        if (std::all_of(row + std::min(from, width), row + width, [](Gdiplus::ARGB c) { return c == white; }))
            continue;
        if (!runs.empty() && runs.back().second == y - 1)
            runs.back().second = y;
        else
            runs.push_back({y, y});
    }
    return runs;
}

// A graph view of the given client size with a white back buffer, for drawing
// with draw_graph after the view fields have been set by hand.
struct render_scene {
    graph_view view;
    gdip_graphics graphics;
    sample_store& store = view.store;

    // At a DPI other than 96 the whole picture is scaled: margins, insets, font, lines, markers.
    render_scene(int width, int height, std::uint32_t dpi = base_dpi) {
        if (dpi != base_dpi) view.set_scale(display_scale{dpi});
        view.client_width = width;
        view.client_height = height;
        view.back_buffer = gdip_bitmap(width, height, PixelFormat24bppRGB);
        graphics = gdip_graphics::on_image(view.back_buffer);
        graphics.clear(white);
        store.buckets.clear();
        store.show_avg = false;
    }

    // The value axis from y_low to y_high, scaled as scale_y does.
    void set_values(double y_low, double y_high) {
        store.y_low = y_low;
        store.y_high = y_high;
        store.y_range = y_high - y_low;
        store.plot_height = view.client_height - 2.0 * store.margin;
        store.y_scale = store.y_range != 0.0 ? store.plot_height / store.y_range : 0.0;
    }
    // The time axis ending at right_time and spanning `span` seconds.
    void set_times(double right_time, std::uint32_t span) {
        store.right_time = right_time;
        store.span_secs = span;
        store.left_time = right_time - span;
    }
    // Samples added in time order, as the intake would store them.
    void add(double time, double rtt) {
        store.sample_changes.changed_at(store.samples.size());
        store.samples.push_back(ping_sample{time, rtt});
    }
    // Averaging buckets of `width` seconds over all samples.
    void average(double width) {
        store.show_avg = true;
        store.bucket_width = width;
        rebuild_buckets(store);
    }
    void draw() { draw_graph(view, graphics); }
    void draw_plain() { draw_samples_plain(view, graphics, draw_frame(view, graphics)); }

    Gdiplus::ARGB at(int x, int y) { return view.back_buffer.pixel(x, y); }
    int width() const { return view.client_width; }
    int height() const { return view.client_height; }

    // The pixels that differ from `other` (same size), or of one colour only, with their colour here.
    pixel_map differences(render_scene& other) {
        return pixels_where(all_pixels(other.view.back_buffer), false);
    }
    pixel_map pixels_of(Gdiplus::ARGB color) {
        return pixels_where(std::vector<Gdiplus::ARGB>(width() * height(), color), true);
    }

private:
    pixel_map pixels_where(const std::vector<Gdiplus::ARGB>& other, bool equal) {
        const std::vector<Gdiplus::ARGB> mine = all_pixels(view.back_buffer);
        pixel_map found;
        for (std::size_t i = 0; i < mine.size() && i < other.size(); ++i)
            if ((mine[i] == other[i]) == equal)
                found[{static_cast<int>(i) % width(), static_cast<int>(i) / width()}] = mine[i];
        return found;
    }
};
