// Test scenes for the graph drawing: a graph view with its back buffer, GDI+ started once.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
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

// The first pixel where two bitmaps of one size differ, as "x,y", or "" when none
// does. Read through locks, a row at a time: a sequence of paints compares many.
inline std::string first_difference(gdip_bitmap& a, gdip_bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height()) return "size";
    const gdip_bitmap_lock lock_a(a, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB);
    const gdip_bitmap_lock lock_b(b, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB);
    if (!lock_a.locked() || !lock_b.locked()) return "unreadable";
    const Gdiplus::BitmapData& da = lock_a.data();
    const Gdiplus::BitmapData& db = lock_b.data();
    for (UINT y = 0; y < da.Height; ++y) {
        const auto* row_a = static_cast<const BYTE*>(da.Scan0) + static_cast<std::ptrdiff_t>(y) * da.Stride;
        const auto* row_b = static_cast<const BYTE*>(db.Scan0) + static_cast<std::ptrdiff_t>(y) * db.Stride;
        for (UINT x = 0; x < da.Width; ++x)
            if (std::memcmp(row_a + x * 3, row_b + x * 3, 3) != 0)
                return std::to_string(x) + "," + std::to_string(y);
    }
    return "";
}

// How many pixels of the bitmap have this colour, read through a lock.
inline int count_colour(gdip_bitmap& bitmap, Gdiplus::ARGB color) {
    const gdip_bitmap_lock lock(bitmap, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB);
    if (!lock.locked()) return 0;
    const Gdiplus::BitmapData& data = lock.data();
    const BYTE rgb[3] = {static_cast<BYTE>(color), static_cast<BYTE>(color >> 8),
                         static_cast<BYTE>(color >> 16)};
    int count = 0;
    for (UINT y = 0; y < data.Height; ++y) {
        const auto* row = static_cast<const BYTE*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride;
        for (UINT x = 0; x < data.Width; ++x) count += std::memcmp(row + x * 3, rgb, 3) == 0;
    }
    return count;
}

// A graph view of the given client size with a white back buffer, for drawing
// with draw_graph after the view fields have been set by hand.
struct render_scene {
    graph_view view;
    gdip_graphics graphics;
    sample_store& store = view.store;

    render_scene(int width, int height) {
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

    // The pixels that differ from `other` (same size), with their colour here.
    pixel_map differences(render_scene& other) {
        pixel_map found;
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x)
                if (at(x, y) != other.at(x, y)) found[{x, y}] = at(x, y);
        return found;
    }
    // The pixels of one colour.
    pixel_map pixels_of(Gdiplus::ARGB color) {
        pixel_map found;
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x)
                if (at(x, y) == color) found[{x, y}] = color;
        return found;
    }
};
