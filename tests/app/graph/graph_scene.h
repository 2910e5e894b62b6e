// A window's graph without the window: its store, pictures, settings, size and clock, for sessions.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "app/graph/graph_pictures.h"
#include "app/graph/grid_labels.h"
#include "app/store/sample_intake.h"
#include "app/store/view_settings.h"
#include "tests/app/graph/pass_pixels.h"

// The width the value labels take beside the plot, as "12.5" measures in Arial.
constexpr double scene_label_width = 28.0;

// The target of a graph_session that paints nothing: each frame compares the
// pixels the pictures give with those of the plain walk, under one line rule.
class graph_scene {
public:
    // At a display scale other than 96 DPI, with the margins, insets, marker and lines of that scale.
    explicit graph_scene(const line_ends& ends, display_scale scale = {}) : ends_(ends), scale_(scale) {
        store_.margin = scale.length(10.0);
        store_.plot_left = scale.length(10.0);
    }

    void append(const std::vector<ping_sample>& batch, std::uint32_t now) {
        if (append_samples(store_, batch.data(), batch.size()) != 0) last_data_tick_ = now;
    }
    void set_span(std::uint32_t seconds) {
        settings_.x_time = seconds;
        settings_.x_time_changed = true;
    }
    void set_average(double seconds) {
        settings_.avg_time = seconds;
        settings_.avg_changed = true;
    }
    void toggle_only_avg() { settings_.only_avg = !settings_.only_avg; }
    // As WM_SIZE does: a new client size and a forced rescale.
    void resize(int width, int height) {
        width_ = width;
        height_ = height;
        store_.y_high = y_high_rescale;
    }
    void clear(bool all) { all ? clear_all(store_, height_) : clear_outside(store_, height_); }

    // A paint at `now`: the view brought up to date as the paint does, then both
    // pixels. "" when they agree (or nothing is drawn, or the pictures would
    // not be asked); otherwise what differs.
    std::string frame(std::uint32_t now) {
        apply_view_settings(store_, settings_, now - last_data_tick_, height_);
        lock_guard hold(store_.lock);
        if (!update_view(store_, height_)) return "";
        for (double value : grid_labels(store_.y_low, store_.y_high, store_.y_range, store_.plot_height))
            if (!std::isfinite(value)) return "a grid label value is not finite";
        const double plot_width = width_ - scale_.length(20.0 + scene_label_width);
        store_.x_scale = plot_width / static_cast<double>(store_.span_secs);
        if (!view_mapping(store_, plot_width).columns_monotonic()) return "";
        // Where the window is smaller than its margins, a thick curve is drawn plainly.
        if (scale_.thickness() > 1 && !(store_.plot_height > 0.0 && plot_width > 0.0)) return "";
        const pass_pixels plain = plain_pixels(store_, plot_width, ends_, width_, height_, scale_);
        const pass_pixels pictured =
            picture_pixels(pictures_, store_, plot_width, ends_, width_, height_, scale_);
        drawn_markers_ += plain.markers.count();
        drawn_curve_ += plain.curve.count();
        std::string difference = pictured.difference(plain);
        if (difference.empty()) difference = unchanged_columns_kept(pictured);
        if (difference.empty()) return "";
        return difference + ", " + std::to_string(store_.samples.size()) + " samples, " +
               std::to_string(width_) + "x" + std::to_string(height_) + " at " + std::to_string(scale_.dpi) +
               " DPI, span " + std::to_string(settings_.x_time) + " avg " +
               std::to_string(settings_.avg_time);
    }

    // Pixels the plain pictures set so far: that the session drew something worth comparing.
    std::size_t drawn_markers() const { return drawn_markers_; }
    std::size_t drawn_curve() const { return drawn_curve_; }
    const sample_store& store() const { return store_; }
    const graph_pictures& pictures() const { return pictures_; }

private:
    // A column that a picture does not report changed must show the pixels it
    // showed at the picture's paint before: a repaint may leave it as it was.
    std::string unchanged_columns_kept(const pass_pixels& now) {
        std::string failure;
        if (!store_.only_avg) {
            failure = kept("marker", last_markers_, now.markers, pictures_.markers.changes());
            last_markers_ = now.markers;
        }
        if (failure.empty() && store_.show_avg) {
            failure = kept("curve", last_curve_, now.curve, pictures_.curve.changes());
            last_curve_ = now.curve;
        }
        return failure;
    }
    static std::string kept(const char* what, const raster& before, const raster& now,
                            const changed_columns& changes) {
        if (!before.same_size(now)) return "";
        for (int x = 0; x < now.width(); ++x)
            if (!changes.changed(x) && !before.same_column(now, x))
                return std::string(what) + " column " + std::to_string(x) + " changed but not reported";
        return "";
    }

    const line_ends& ends_;
    display_scale scale_;
    sample_store store_;
    graph_pictures pictures_;
    view_settings settings_;
    int width_ = 500;
    int height_ = 250;
    std::uint32_t last_data_tick_ = 0;
    std::size_t drawn_markers_ = 0;
    std::size_t drawn_curve_ = 0;
    raster last_markers_;
    raster last_curve_;
};

// A line rule from nine bits: the point, then the first and the last pixel of
// each direction (down, up, right, left).
inline line_ends line_rule(std::uint32_t bits) {
    line_ends ends;
    ends.known = true;
    ends.point = bits & 1;
    for (int d = 0; d < 4; ++d) {
        ends.first[d] = bits >> (1 + d) & 1;
        ends.last[d] = bits >> (5 + d) & 1;
    }
    return ends;
}
