// Repaint of the graph into the back buffer for a week of samples, at two window sizes.
//
// Each row renders the same steady view repeatedly (no new samples, no settings
// change) and prints the median and the shortest time of one render_back_buffer
// call: clear, grid and labels, axis, markers and average curve. On a machine
// shared with other work the shortest time is the steadier of the two.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/render_win.h"

namespace {

constexpr std::uint32_t week_secs = 604800;

double now_ms() {
    static const double ticks_per_ms = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticks_per_ms;
}

// A week of pings at `per_second` samples a second: a slow wave with jitter.
void fill(brisk_window& window, std::size_t count, int per_second) {
    std::vector<ping_sample> batch;
    std::uint32_t state = 1;
    for (std::size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        const double time = static_cast<double>(i) / per_second;
        const double rtt = 20.0 + 8.0 * std::sin(time / 3600.0) + (state >> 24) / 32.0;
        batch.push_back(ping_sample{time, rtt});
        if (batch.size() == 10000 || i + 1 == count) {
            append_samples(window.store, batch.data(), batch.size());
            batch.clear();
        }
    }
}

struct bench_case {
    std::size_t samples;
    int per_second;
    int width;
    int height;
    double avg_time; // seconds, 0 = no curve
    pixel_path markers;
};

struct timing {
    double median_ms;
    double min_ms;
};

timing render_ms(const bench_case& c, int runs) {
    auto window = std::make_unique<brisk_window>();
    window->client_width = c.width;
    window->client_height = c.height;
    window->x_time = week_secs;
    window->x_time_changed = true;
    window->avg_time = c.avg_time;
    window->last_data_tick = 1000;
    fill(*window, c.samples, c.per_second);
    render_back_buffer(*window, window->last_data_tick, c.markers); // settings, buckets
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = now_ms();
        render_back_buffer(*window, window->last_data_tick, c.markers);
        times.push_back(now_ms() - start);
    }
    std::sort(times.begin(), times.end());
    return timing{times[times.size() / 2], times.front()};
}

const char* avg_name(double avg_time) {
    if (avg_time <= 0.0) return "off";
    if (avg_time == 1.0) return "1 s";
    if (avg_time == 3600.0) return "1 h";
    return "?";
}

} // namespace

int main() {
    gdiplus_session gdiplus;
    if (!gdiplus.started()) {
        std::printf("GDI+ did not start\n");
        return 1;
    }
    std::printf("%-22s %-10s %-8s %-12s %10s %10s\n", "samples (1 week)", "size", "average", "pixels",
                "ms/paint", "min ms");
    const int sizes[][2] = {{500, 250}, {1920, 1080}};
    const struct {
        std::size_t count;
        int per_second;
        const char* name;
    } loads[] = {{0, 1, "0 (empty)"}, {604800, 1, "604,800 (1 Hz)"}, {6048000, 10, "6,048,000 (10 Hz)"}};
    for (const auto& size : sizes) {
        for (const auto& load : loads) {
            const int runs = load.count > 1000000 ? 9 : 21;
            for (double avg : {3600.0, 1.0, 0.0}) {
                for (pixel_path m : {pixel_path::locked_view, pixel_path::gdiplus}) {
                    if (load.count == 0 && (avg != 3600.0 || m != pixel_path::locked_view)) continue;
                    if (m == pixel_path::gdiplus && avg != 3600.0) continue;
                    const bench_case c{load.count, load.per_second, size[0], size[1], avg, m};
                    const timing ms = render_ms(c, runs);
                    char dims[16];
                    std::snprintf(dims, sizeof dims, "%dx%d", size[0], size[1]);
                    std::printf("%-22s %-10s %-8s %-12s %10.2f %10.2f\n", load.name, dims, avg_name(avg),
                                m == pixel_path::locked_view ? "locked view" : "GDI+ calls", ms.median_ms,
                                ms.min_ms);
                    std::fflush(stdout);
                }
            }
        }
    }
    return 0;
}
