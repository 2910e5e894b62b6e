// Test scenes for the graph drawing: a window record with its back buffer, GDI+ started once.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/render/render_win.h"
#include "app/store/scaling.h"

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

// A reproducible sequence for the tests' random data: the next value of `state`.
inline std::uint32_t next(std::uint32_t& state) {
    state = state * 1103515245u + 12345u;
    return state >> 8;
}

// The first pixel where two bitmaps of one size differ, as "x,y", or "" when none does.
inline std::string first_difference(gdip_bitmap& a, gdip_bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height()) return "size";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return std::to_string(x) + "," + std::to_string(y);
    return "";
}

// A window record of the given client size with a white back buffer, for drawing
// with draw_graph after the view fields have been set by hand.
struct render_scene {
    brisk_window window;
    gdip_graphics graphics;
    sample_store& store = window.store;

    render_scene(int width, int height) {
        window.client_width = width;
        window.client_height = height;
        window.back_buffer = gdip_bitmap(width, height, PixelFormat24bppRGB);
        graphics = gdip_graphics::on_image(window.back_buffer);
        graphics.clear(white);
        store.buckets.clear();
        store.show_avg = false;
    }

    // The value axis from y_low to y_high, scaled as scale_y does.
    void set_values(double y_low, double y_high) {
        store.y_low = y_low;
        store.y_high = y_high;
        store.y_range = y_high - y_low;
        store.plot_height = window.client_height - 2.0 * store.margin;
        store.y_scale = store.y_range != 0.0 ? store.plot_height / store.y_range : 0.0;
    }
    // The time axis ending at right_time and spanning `span` seconds.
    void set_times(double right_time, std::uint32_t span) {
        store.right_time = right_time;
        store.span_secs = span;
        store.left_time = right_time - span;
    }
    void add(double time, double rtt) { store.samples.push_back(ping_sample{time, rtt}); }
    // Averaging buckets of `width` seconds over all samples.
    void average(double width) {
        store.show_avg = true;
        store.bucket_width = width;
        rebuild_buckets(store);
    }
    void draw(pixel_path markers = pixel_path::locked_view) { draw_graph(store, graphics, markers); }

    Gdiplus::ARGB at(int x, int y) { return window.back_buffer.pixel(x, y); }
    int width() const { return window.client_width; }
    int height() const { return window.client_height; }

    // Every pixel, row by row.
    std::vector<Gdiplus::ARGB> pixels() {
        std::vector<Gdiplus::ARGB> all;
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x) all.push_back(at(x, y));
        return all;
    }
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
