// Repaint of the graph into the back buffer for a week of samples, at several window sizes.
//
// The first table renders the same steady view repeatedly (no new samples, no
// settings change), as the window paints it and by the plain drawing (a GDI+
// call per marker pixel and per line). The second is the running
// program's case: before each measured paint the clock moves on by the repaint
// period and the samples of that half second arrive (`live`), or nothing
// arrives (`idle`); its `cold` rows are the first paint after a rescale of the
// value axis, which draws everything. Each row gives the median and the
// shortest time of one render_back_buffer call, which redraws only what changed
// in the back buffer it keeps. On a machine shared with other work the shortest
// time is the steadier of the two. `--live` prints the second table only;
// `--live 3840x2160` (or `2880x1620@150%`) only the rows of that size.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/graph/graph_pictures.h"
#include "app/render/back_buffer_view_win.h"
#include "app/render/line_probe_win.h"
#include "app/store/sample_intake.h"
#include "tests/app/render/plain_paint_win.h"

namespace {

constexpr std::uint32_t week_secs = 604800;

// The build the table was measured on: the options differ in speed.
#ifdef ECHOVIEW_BENCH_BUILD
constexpr const char* bench_build = ECHOVIEW_BENCH_BUILD;
#else
constexpr const char* bench_build = "unnamed";
#endif

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
void fill(graph_view& window, std::size_t count, int per_second) {
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
    bool plain;      // by the plain drawing
};

struct timing {
    double median_ms;
    double min_ms;
};

void render(graph_view& view, std::uint32_t now, bool plain) {
    if (plain)
        render_plain(view, now);
    else
        render_back_buffer(view, now);
}

timing render_ms(const bench_case& c, int runs) {
    auto window = std::make_unique<graph_view>();
    window->client_width = c.width;
    window->client_height = c.height;
    window->settings.x_time = week_secs;
    window->settings.x_time_changed = true;
    window->settings.avg_time = c.avg_time;
    window->last_data_tick = 1000;
    fill(*window, c.samples, c.per_second);
    render(*window, window->last_data_tick, c.plain); // settings, buckets
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = now_ms();
        render(*window, window->last_data_tick, c.plain);
        times.push_back(now_ms() - start);
    }
    std::sort(times.begin(), times.end());
    return timing{times[times.size() / 2], times.front()};
}

// The live case: `count` samples at `per_second`, all visible in the span;
// 500 ms of clock and of samples before each measured paint. The floor is a
// paint of the last live paint's picture whose marker and curve pixels are
// known already.
struct live_timing {
    timing live;
    timing idle;
    timing cold;
    timing floor;
    double bytes_per_sample; // of what the pictures keep of the samples
    double bytes_per_pixel;  // of their pictures of the window's columns
    double markers_followed; // per cent of the live paints whose markers followed the plot
    double curve_followed;   // the same for the curve
};

// The marker and curve pixels of a picture, as the paint writes them into the
// locked view: bits of columns.
class known_pixels {
public:
    void draw_bits(const column_bits& bits) { (markers_done_ ? curve_ : markers_) = bits; }
    void start_curve() { markers_done_ = true; }

    // One copy of the pixels into the view, in the colours of the paint.
    void copy_to(back_buffer_view& view, Gdiplus::ARGB marker_color) const {
        view.set_color(marker_color);
        view.draw_bits(markers_);
        view.set_color(avg_color);
        view.draw_bits(curve_);
    }

private:
    column_bits markers_;
    column_bits curve_;
    bool markers_done_ = false;
};

// The pixels of the picture the last paint of `window` drew, taken from its pictures.
known_pixels pixels_of(graph_view& window) {
    known_pixels known;
    sample_store& store = window.store;
    const double plot_width = store.x_scale * static_cast<double>(store.span_secs);
    const view_mapping mapping(store, plot_width);
    const int width = window.client_width;
    const int height = window.client_height;
    if (!store.only_avg)
        known.draw_bits(
            window.pictures.markers.pixels(store, mapping, width, height, marker_shape(window.scale)));
    known.start_curve();
    if (store.show_avg)
        known.draw_bits(window.pictures.curve.pixels(store, average_steps(store, plot_width),
                                                     gdiplus_line_ends(), width, height,
                                                     thick_line(window.scale)));
    return known;
}

// The floor: clear, grid, labels and axis, and one copy of the known pixels.
double floor_paint_ms(graph_view& window, const known_pixels& known, std::uint32_t now) {
    const double start = now_ms();
    gdip_graphics graphics = prepare_back_buffer(window, now);
    {
        lock_guard hold(window.store.lock);
        if (update_view(window.store, window.client_height)) draw_frame(window, graphics);
    }
    graphics.flush();
    {
        back_buffer_view view(window.back_buffer);
        known.copy_to(view, point_color);
    }
    return now_ms() - start;
}

std::unique_ptr<graph_view> live_window(std::size_t count, int per_second, int width, int height,
                                        double avg_time, std::uint32_t span, std::uint32_t dpi) {
    auto window = std::make_unique<graph_view>();
    if (dpi != base_dpi) window->set_scale(display_scale{dpi});
    window->client_width = width;
    window->client_height = height;
    window->settings.x_time = span;
    window->settings.x_time_changed = true;
    window->settings.avg_time = avg_time;
    window->last_data_tick = 1000;
    fill(*window, count, per_second);
    return window;
}

timing summarise(std::vector<double>& times) {
    std::sort(times.begin(), times.end());
    return timing{times[times.size() / 2], times.front()};
}

// Per cent of the paints between two counts of paths that followed the plot; -1 when there were none.
double followed_share(const paint_paths& before, const paint_paths& after) {
    const std::size_t paints = after.total() - before.total();
    return paints
               ? 100.0 * static_cast<double>(after.followed - before.followed) / static_cast<double>(paints)
               : -1.0;
}

live_timing live_ms(std::size_t count, int per_second, int width, int height, double avg_time, int runs,
                    int cold_runs, std::uint32_t span = week_secs, std::uint32_t dpi = base_dpi) {
    auto window = live_window(count, per_second, width, height, avg_time, span, dpi);
    std::uint32_t now = window->last_data_tick;
    double newest = static_cast<double>(count) / per_second;
    std::size_t arrived = count;
    render_back_buffer(*window, now); // settings, buckets, pictures
    std::vector<double> times;
    std::uint32_t state = 7;
    const auto advance = [&](double low_rtt) {
        now += 500;
        if (low_rtt < 0.0) return; // the clock alone: nothing arrived
        // The samples of those 500 ms, at times that run on from the last one.
        std::vector<ping_sample> batch;
        while (static_cast<double>(arrived + 1) / per_second <= newest + 0.5) {
            state = state * 1664525u + 1013904223u;
            ++arrived;
            batch.push_back(
                ping_sample{static_cast<double>(arrived) / per_second, 20.0 + (state >> 24) / 32.0});
        }
        newest += 0.5;
        if (low_rtt > 0.0) batch.push_back(ping_sample{newest, low_rtt});
        if (!batch.empty()) {
            append_samples(window->store, batch.data(), batch.size());
            window->last_data_tick = now;
        }
    };
    const paint_paths markers_before = window->pictures.markers.paths();
    const paint_paths curve_before = window->pictures.curve.paths();
    for (int i = 0; i < runs; ++i) {
        advance(0.0);
        const double start = now_ms();
        render_back_buffer(*window, now);
        times.push_back(now_ms() - start);
    }
    live_timing result{summarise(times),
                       timing{},
                       timing{},
                       timing{},
                       0.0,
                       0.0,
                       followed_share(markers_before, window->pictures.markers.paths()),
                       followed_share(curve_before, window->pictures.curve.paths())};
    if (cold_runs > 0) {
        const known_pixels known = pixels_of(*window);
        times.clear();
        for (int i = 0; i < runs; ++i) times.push_back(floor_paint_ms(*window, known, now));
        result.floor = summarise(times);
    }
    // A sample lower than any before: the next paint rescales the value axis.
    times.clear();
    double low = window->store.y_low;
    for (int i = 0; i < cold_runs; ++i) {
        low -= 1.0;
        advance(low);
        const double start = now_ms();
        render_back_buffer(*window, now);
        times.push_back(now_ms() - start);
    }
    if (!times.empty()) result.cold = summarise(times);
    // Last, as the clock then runs on without the samples.
    times.clear();
    for (int i = 0; i < runs; ++i) {
        advance(-1.0);
        const double start = now_ms();
        render_back_buffer(*window, now);
        times.push_back(now_ms() - start);
    }
    result.idle = summarise(times);
    const graph_pictures& pictures = window->pictures;
    result.bytes_per_sample = static_cast<double>(pictures.extremes.memory_bytes()) /
                              static_cast<double>(std::max<std::size_t>(window->store.samples.size(), 1));
    result.bytes_per_pixel =
        static_cast<double>(pictures.markers.memory_bytes() + pictures.curve.memory_bytes()) /
        (static_cast<double>(width) * height);
    return result;
}

const char* path_name(bool plain) {
    return plain ? "GDI+ calls" : "pictures";
}

const char* avg_name(double avg_time) {
    if (avg_time <= 0.0) return "off";
    if (avg_time == 1.0) return "1 s";
    if (avg_time == 3600.0) return "1 h";
    return "?";
}

void print_row(const char* kind, std::size_t count, const char* dims, double avg, const timing& t,
               const live_timing* memory = nullptr) {
    std::printf("%-6s %10zu %-14s %-8s %10.2f %10.2f", kind, count, dims, avg_name(avg), t.median_ms,
                t.min_ms);
    if (memory)
        std::printf(" %10.2f %10.2f %6.0f/%-4.0f", memory->bytes_per_sample, memory->bytes_per_pixel,
                    memory->markers_followed, memory->curve_followed);
    std::printf("\n");
}

// The aims of the live paints of the 10 Hz week, as ratios of rows of one size.
void print_aims(const char* dims, const double (&live)[3], const double (&idle)[3], const double (&floor)[3],
                const double (&filled)[3]) {
    const char* names[] = {"off", "1 s", "1 h"};
    for (int a = 0; a < 3; ++a)
        std::printf("aims   %-14s %-8s live/floor %.2f (at most 0.5)  idle/floor %.2f (at most 0.1)  "
                    "live/filled %.2f (at most 1.3)\n",
                    dims, names[a], live[a] / floor[a], idle[a] / floor[a], live[a] / filled[a]);
    std::printf("aims   %-14s 1 s/off  %.2f (at most 1.3)\n", dims, live[1] / live[0]);
}

// `only`: a size such as "3840x2160" or "2880x1620@150%" to run alone; empty for every size.
void live_table(const std::string& only) {
    std::printf(
        "\nLive paints, span one week: 500 ms of clock and of samples before each paint. idle: 500 ms of\n"
        "clock and no sample before each paint. cold: the first\n"
        "paint after a rescale of the value axis (10 Hz week). filled: span one hour, 36,000 samples at\n"
        "10 Hz, every column drawn. floor: the 10 Hz week's picture painted with its marker and curve\n"
        "pixels known: clear, grid, labels, axis and one copy of those pixels. Pictures: bytes of what\n"
        "they keep of the samples a stored sample, and of their counts a pixel of the window; followed:\n"
        "per cent of the live paints whose markers / curve followed the plot (-1: none drawn).\n"
        "WxH@150%%, WxH@200%%: the 1920x1080 window at those display scales, drawn at that scale.\n"
        "Build: %s.\n",
        bench_build);
    std::printf("%-6s %10s %-14s %-8s %10s %10s %10s %10s %11s\n", "", "samples", "size", "average",
                "median ms", "min ms", "B/sample", "B/pixel", "followed");
    // The 1920x1080 window's pixels at 150 % and 200 % display scale, drawn at that scale.
    const struct {
        int width;
        int height;
        std::uint32_t dpi;
    } sizes[] = {{500, 250, 96}, {1920, 1080, 96}, {3840, 2160, 96}, {2880, 1620, 144}, {3840, 2160, 192}};
    const struct {
        std::size_t count;
        int per_second;
    } loads[] = {{36000, 10}, {604800, 1}, {6048000, 10}};
    for (const auto& scaled : sizes) {
        const int size[2] = {scaled.width, scaled.height};
        char dims[24];
        if (scaled.dpi == base_dpi)
            std::snprintf(dims, sizeof dims, "%dx%d", size[0], size[1]);
        else
            std::snprintf(dims, sizeof dims, "%dx%d@%u%%", size[0], size[1], scaled.dpi * 100 / base_dpi);
        if (!only.empty() && only != dims) continue;
        double live[3] = {};
        double idle[3] = {};
        double floor[3] = {};
        double filled[3] = {};
        int a = 0;
        for (double avg : {0.0, 1.0, 3600.0}) {
            for (const auto& load : loads) {
                const bool week_10hz = load.count == 6048000;
                const live_timing t = live_ms(load.count, load.per_second, size[0], size[1], avg, 21,
                                              week_10hz ? 5 : 0, week_secs, scaled.dpi);
                print_row("live", load.count, dims, avg, t.live, &t);
                print_row("idle", load.count, dims, avg, t.idle);
                if (week_10hz) {
                    print_row("cold", load.count, dims, avg, t.cold);
                    print_row("floor", load.count, dims, avg, t.floor);
                    live[a] = t.live.median_ms;
                    idle[a] = t.idle.median_ms;
                    floor[a] = t.floor.median_ms;
                }
                std::fflush(stdout);
            }
            const live_timing hour = live_ms(36000, 10, size[0], size[1], avg, 21, 0, 3600, scaled.dpi);
            print_row("filled", 36000, dims, avg, hour.live, &hour);
            filled[a++] = hour.live.median_ms;
            std::fflush(stdout);
        }
        print_aims(dims, live, idle, floor, filled);
    }
}

} // namespace

int main(int argc, char** argv) {
    gdiplus_session gdiplus;
    if (!gdiplus.started()) {
        std::printf("GDI+ did not start\n");
        return 1;
    }
    const bool live_only = argc > 1 && std::string(argv[1]) == "--live";
    if (live_only) {
        live_table(argc > 2 ? argv[2] : "");
        return 0;
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
                for (bool plain : {false, true}) {
                    if (load.count == 0 && (avg != 3600.0 || plain)) continue;
                    if (plain && avg != 3600.0) continue;
                    const bench_case c{load.count, load.per_second, size[0], size[1], avg, plain};
                    const timing ms = render_ms(c, runs);
                    char dims[16];
                    std::snprintf(dims, sizeof dims, "%dx%d", size[0], size[1]);
                    std::printf("%-22s %-10s %-8s %-12s %10.2f %10.2f\n", load.name, dims, avg_name(avg),
                                path_name(plain), ms.median_ms, ms.min_ms);
                    std::fflush(stdout);
                }
            }
        }
    }
    live_table("");
    return 0;
}
