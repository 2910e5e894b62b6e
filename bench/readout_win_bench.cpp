// The readout under the pointer with a week of samples at 10 a second on screen.
//
// Each row moves the pointer over the painted graph, one readout per update, as
// the window makes it at every WM_MOUSEMOVE: the time at the column, the nearest
// marker, the averaging step and the statistics of the view. Paths: `sweep`
// crosses the whole plot, `cloud` stays on the band the samples fill, `empty`
// above it, where no marker lies within reach. The last column is what a
// pointer that moves 100 times a second costs, from the mean: the share of one core.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/readout/readout.h"
#include "app/render/render_win.h"
#include "app/store/sample_intake.h"

namespace {

constexpr std::uint32_t week_secs = 604800;
constexpr std::size_t week_10hz = 6048000;
constexpr int updates_per_second = 100;

double now_us() {
    static const double ticks_per_us = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1e6;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticks_per_us;
}

// A week of pings at 10 a second: a slow wave with jitter, as render_win_bench draws it.
std::unique_ptr<graph_view> painted_week(int width, int height) {
    auto view = std::make_unique<graph_view>();
    view->client_width = width;
    view->client_height = height;
    view->settings.x_time = week_secs;
    view->settings.x_time_changed = true;
    view->settings.avg_time = 1.0;
    view->last_data_tick = 1000;
    std::vector<ping_sample> batch;
    std::uint32_t state = 1;
    for (std::size_t i = 0; i < week_10hz; ++i) {
        state = state * 1664525u + 1013904223u;
        const double time = static_cast<double>(i) / 10.0;
        batch.push_back(ping_sample{time, 20.0 + 8.0 * std::sin(time / 3600.0) + (state >> 24) / 32.0});
        if (batch.size() == 10000 || i + 1 == week_10hz) {
            append_samples(view->store, batch.data(), batch.size());
            batch.clear();
        }
    }
    render_back_buffer(*view, view->last_data_tick);
    return view;
}

struct path_point {
    int x;
    int y;
};

// `count` pointer places of a path through the plot: across it all, on the samples' band, or above it.
std::vector<path_point> path(const graph_view& view, const char* kind, int count) {
    const sample_store& store = view.store;
    const view_mapping mapping(store, view.plot_width);
    const int left = static_cast<int>(store.plot_left);
    const int width = std::max(1, static_cast<int>(view.plot_width));
    // The samples lie between 12 and 36, the wave's middle third between 18 and 30.
    const int band_top = static_cast<int>(mapping.y_of(30.0));
    const int band_bottom = static_cast<int>(mapping.y_of(18.0));
    const int above = static_cast<int>(mapping.y_of(36.0));
    const int top = static_cast<int>(store.margin);
    std::vector<path_point> points;
    for (int i = 0; i < count; ++i) {
        const int x = left + (i * 7) % width;
        int y = top + (i * 13) % std::max(1, static_cast<int>(store.plot_height));
        if (kind[0] == 'c') y = band_top + (i * 5) % std::max(1, band_bottom - band_top);
        if (kind[0] == 'e') y = top + (i * 3) % std::max(1, above - top - 2 * readout_reach);
        points.push_back(path_point{x, y});
    }
    return points;
}

struct readout_timing {
    double mean_us;
    double median_us;
    double max_us;
    std::size_t with_sample; // readouts that found a marker within reach
};

readout_timing time_path(graph_view& view, const std::vector<path_point>& points) {
    readout_text text;
    readout_place place;
    place.plot_width = view.plot_width;
    place.clock.newest_time = view.store.samples.back().time;
    place.clock.newest_local_ms = 13000000000000;
    place.now_local_ms = place.clock.newest_local_ms;
    std::vector<double> times;
    std::size_t with_sample = 0;
    for (const path_point& p : points) {
        place.x = p.x;
        place.y = p.y;
        const double start = now_us();
        std::string made;
        {
            lock_guard hold(view.store.lock);
            made = text.make(view.store, view.pictures.extremes, place);
        }
        times.push_back(now_us() - start);
        if (made.find("Sample ") != std::string::npos) ++with_sample;
    }
    double total = 0.0;
    for (double t : times) total += t;
    std::sort(times.begin(), times.end());
    return readout_timing{total / static_cast<double>(times.size()), times[times.size() / 2], times.back(),
                          with_sample};
}

} // namespace

int main() {
    gdiplus_session gdiplus;
    if (!gdiplus.started()) {
        std::printf("GDI+ did not start\n");
        return 1;
    }
    std::printf("Readout under the pointer, 6,048,000 samples (10 Hz week) on screen, average 1 s; %d "
                "updates a path\n",
                2000);
    std::printf("%-10s %-7s %10s %10s %10s %12s %14s\n", "size", "path", "mean us", "median us", "max us",
                "with sample", "core at 100/s");
    const int sizes[][2] = {{500, 250}, {1920, 1080}};
    for (const auto& size : sizes) {
        const std::unique_ptr<graph_view> view = painted_week(size[0], size[1]);
        char dims[16];
        std::snprintf(dims, sizeof dims, "%dx%d", size[0], size[1]);
        for (const char* kind : {"sweep", "cloud", "empty"}) {
            const std::vector<path_point> points = path(*view, kind, 2000);
            time_path(*view, points); // the first pass mends the block extremes it reads
            const readout_timing t = time_path(*view, points);
            std::printf("%-10s %-7s %10.1f %10.1f %10.1f %12zu %13.3f%%\n", dims, kind, t.mean_us,
                        t.median_us, t.max_us, t.with_sample, t.mean_us * updates_per_second / 1e6 * 100.0);
            std::fflush(stdout);
        }
    }
    return 0;
}
