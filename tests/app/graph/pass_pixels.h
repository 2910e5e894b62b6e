// The pixels of one drawing pass's markers and curve, drawn plainly and from the pictures, for comparing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/graph/curve_walk.h"
#include "app/graph/graph_pictures.h"
#include "app/graph/line_ends.h"
#include "app/graph/marker_shape.h"
#include "app/graph/marker_walk.h"
#include "app/store/sample_store.h"

// One bit a pixel; pixels outside are skipped, as on a bitmap.
class raster {
public:
    raster() : raster(0, 0) {}
    raster(int width, int height)
        : width_(width), height_(height), bits_(static_cast<std::size_t>(width * height)) {}

    void pixel(int x, int y) {
        if (x >= 0 && x < width_ && y >= 0 && y < height_)
            bits_[static_cast<std::size_t>(y * width_ + x)] = 1;
    }
    void column(int x, std::int64_t from, std::int64_t to) {
        for (std::int64_t y = std::max<std::int64_t>(from, 0); y <= to && y < height_; ++y)
            pixel(x, static_cast<int>(y));
    }
    void row(int y, std::int64_t from, std::int64_t to) {
        for (std::int64_t x = std::max<std::int64_t>(from, 0); x <= to && x < width_; ++x)
            pixel(static_cast<int>(x), y);
    }
    void draw_bits(const column_bits& bits) {
        for (int x = bits.first_column(); x < bits.first_column() + bits.columns(); ++x)
            for (int y = bits.first_row(); y < bits.first_row() + bits.rows(); ++y) {
                const std::size_t b = static_cast<std::size_t>(y - bits.first_row());
                if (bits.column(x)[b / 64] >> (b % 64) & 1) pixel(x, y);
            }
    }

    std::size_t count() const {
        std::size_t set = 0;
        for (unsigned char bit : bits_) set += bit;
        return set;
    }
    bool same_size(const raster& other) const { return width_ == other.width_ && height_ == other.height_; }
    bool same_column(const raster& other, int x) const {
        for (int y = 0; y < height_; ++y) {
            const std::size_t i = static_cast<std::size_t>(y * width_ + x);
            if (bits_[i] != other.bits_[i]) return false;
        }
        return true;
    }
    int width() const { return width_; }

    // The first pixel set in one picture only, as "x,y", or "" when there is none.
    std::string first_difference(const raster& other) const {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const std::size_t i = static_cast<std::size_t>(y * width_ + x);
                if (bits_[i] != other.bits_[i]) return std::to_string(x) + "," + std::to_string(y);
            }
        return "";
    }

private:
    int width_;
    int height_;
    std::vector<unsigned char> bits_;
};

// What one drawing pass sets: the marker pixels, the curve pixels and the extremes.
struct pass_pixels {
    pass_pixels(int width, int height) : markers(width, height), curve(width, height) {}

    raster markers;
    raster curve;
    double low = win_none_min;
    double high = win_none_max;

    // What differs from `other`, or "" when nothing does.
    std::string difference(const pass_pixels& other) const {
        const std::string marker = markers.first_difference(other.markers);
        if (!marker.empty()) return "marker pixel " + marker;
        const std::string line = curve.first_difference(other.curve);
        if (!line.empty()) return "curve pixel " + line;
        if (low != other.low || high != other.high) return "extremes";
        return "";
    }
};

// The plain drawing: the pixels of every marker, and every riser and step of the
// curve as a line whose end pixels `ends` gives, as GDI+ would draw them; at a
// scale of thicker lines, t by t such lines moved by up to t - 1 pixels.
inline pass_pixels plain_pixels(const sample_store& store, double plot_width, const line_ends& ends,
                                int width, int height, const display_scale& scale = {}) {
    pass_pixels picture(width, height);
    raster& markers = picture.markers;
    const marker_shape shape(scale);
    walk_samples(store, view_mapping(store, plot_width), !store.only_avg, picture.low, picture.high,
                 [&markers, &shape](int x, int y) {
                     shape.each_pixel([&](int dx, int dy) { markers.pixel(x + dx, y + dy); });
                 });
    if (!store.show_avg) return picture;
    struct lines {
        const line_ends& ends;
        raster& out;
        thick_line offsets;
        void riser(int x, int y1, int y2) {
            for (int dx = offsets.first; dx <= offsets.last; ++dx)
                for (int dy = offsets.first; dy <= offsets.last; ++dy)
                    draw_straight_line(ends, x + dx, y1 + dy, x + dx, y2 + dy, out);
        }
        void step(int x1, int x2, int y) {
            for (int dx = offsets.first; dx <= offsets.last; ++dx)
                for (int dy = offsets.first; dy <= offsets.last; ++dy)
                    draw_straight_line(ends, x1 + dx, y + dy, x2 + dx, y + dy, out);
        }
    } curve{ends, picture.curve, thick_line(scale)};
    walk_curve(average_steps(store, plot_width), curve);
    return picture;
}

// The same pixels as the paint takes them from the pictures, which first follow
// the store's changes. The time scale must pass columns_monotonic().
inline pass_pixels picture_pixels(graph_pictures& pictures, sample_store& store, double plot_width,
                                  const line_ends& ends, int width, int height,
                                  const display_scale& scale = {}) {
    pass_pixels picture(width, height);
    const view_mapping view(store, plot_width);
    pictures.follow(store);
    pictures.extremes.find(store, picture.low, picture.high);
    if (!store.only_avg)
        picture.markers.draw_bits(pictures.markers.pixels(store, view, width, height, marker_shape(scale)));
    if (store.show_avg)
        picture.curve.draw_bits(pictures.curve.pixels(store, average_steps(store, plot_width), ends, width,
                                                      height, thick_line(scale)));
    return picture;
}
