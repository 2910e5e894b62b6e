// The extremes and pictures of the graph on their own, without the drawing: what a live paint and a
// rebuild after a rescale cost them for a week of samples, and for an hour at 10 Hz that fills
// every column (span one hour), a paint where only the clock moved on (idle), the same paint after
// other work has taken the processor's caches (idle cold: the program's own idle paint, half a second
// after the last), how many marker and curve pixels such a paint sets or clears (idle px: what the
// window has to draw and copy at the least), and the memory they take.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/graph/graph_pictures.h"
#include "app/graph/word_bits.h"
#include "app/store/sample_intake.h"
#include "app/store/scaling.h"

namespace {

using bench_clock = std::chrono::steady_clock;

double ms_since(bench_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(bench_clock::now() - start).count();
}

constexpr std::uint32_t week_secs = 604800;

struct scene {
    sample_store store;
    graph_pictures pictures;
    line_ends ends;
    int width;
    int height;
    double newest = 0.0; // time of the last sample
    double clock = 0.0;  // the time the plot's right edge shows
    std::uint32_t state = 1;
    const column_bits* markers = nullptr; // the pixels of the last paint
    const column_bits* curve = nullptr;

    scene(std::size_t count, int per_second, std::uint32_t span, int w, int h, double avg_time)
        : width(w), height(h) {
        ends.known = ends.point = true;
        for (int d = 0; d < 4; ++d) ends.first[d] = true; // the last pixel left out, as GDI does
        std::vector<ping_sample> batch;
        for (std::size_t i = 0; i < count; ++i) {
            newest = static_cast<double>(i) / per_second;
            batch.push_back(ping_sample{newest, next_rtt()});
            if (batch.size() == 100000 || i + 1 == count) {
                append_samples(store, batch.data(), batch.size());
                batch.clear();
            }
        }
        store.span_secs = span;
        store.bucket_width = avg_time;
        rebuild_buckets(store);
        recompute_window(store, height);
        clock = newest;
    }

    double next_rtt() {
        state = state * 1664525u + 1013904223u;
        return 20.0 + 8.0 * std::sin(newest / 3600.0) + (state >> 24) / 32.0;
    }

    // The clock moves on by `seconds`, and the samples of that time arrive: at 1 a second, one
    // every other half second, while the plot moves on at every one.
    void arrive(double seconds, int per_second) {
        std::vector<ping_sample> batch;
        clock += seconds;
        while (newest + 1.0 / per_second <= clock) {
            newest += 1.0 / per_second;
            batch.push_back(ping_sample{newest, next_rtt()});
        }
        if (!batch.empty()) append_samples(store, batch.data(), batch.size());
        store.idle_secs = clock - newest;
    }
    // The clock alone moves on: the plot moves with nothing arriving.
    void wait(double seconds) {
        clock += seconds;
        store.idle_secs = clock - newest;
    }

    // One paint's use of the pictures, with the plot as wide as the window less the labels.
    void paint() {
        set_time_window(store);
        scale_y(store, height);
        const double plot_width = width - 50.0;
        store.x_scale = plot_width / store.span_secs;
        const view_mapping view(store, plot_width);
        double low = win_none_min;
        double high = win_none_max;
        pictures.follow(store);
        pictures.extremes.find(store, low, high);
        store.win_min = low;
        store.win_max = high;
        markers = &pictures.markers.pixels(store, view, width, height);
        const average_steps steps(store, plot_width);
        curve = &pictures.curve.pixels(store, steps, ends, width, height);
    }
};

// Reads and writes a buffer larger than a processor's last-level cache, as the rest of a machine
// does in the half second between two repaint ticks: what the pictures keep is then in memory only.
class cache_flusher {
public:
    void flush() {
        for (std::size_t i = 0; i < junk_.size(); i += 64)
            junk_[i] = static_cast<unsigned char>(junk_[i] + 1);
    }

private:
    std::vector<unsigned char> junk_ = std::vector<unsigned char>(std::size_t{128} << 20, 1);
};

struct timing {
    double median;
    double low;
};

timing summarise(std::vector<double>& times) {
    std::sort(times.begin(), times.end());
    return timing{times[times.size() / 2], times.front()};
}

// The median and least time of `count` paints of the scene, each after `before()`, which is not timed.
template <class Before>
timing time_paints(scene& s, int count, Before before) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        before();
        const auto start = bench_clock::now();
        s.paint();
        times.push_back(ms_since(start));
    }
    return summarise(times);
}

// Pixels set in one of two sets of bits and not in the other; all of them where the layouts differ.
std::size_t differing_pixels(const column_bits& before, const column_bits& after) {
    if (!before.same_layout(after))
        return static_cast<std::size_t>(after.columns()) * static_cast<std::size_t>(after.rows());
    std::size_t count = 0;
    for (int x = after.first_column(); x < after.first_column() + after.columns(); ++x)
        for (std::size_t k = 0; k < after.words(); ++k)
            count += static_cast<std::size_t>(set_bits(before.column(x)[k] ^ after.column(x)[k]));
    return count;
}

// The median of the marker and curve pixels that `count` idle paints set or clear.
double idle_pixels(scene& s, int count) {
    std::vector<double> changed;
    for (int i = 0; i < count; ++i) {
        const column_bits markers = *s.markers;
        const column_bits curve = *s.curve;
        s.wait(0.5);
        s.paint();
        changed.push_back(
            static_cast<double>(differing_pixels(markers, *s.markers) + differing_pixels(curve, *s.curve)));
    }
    return summarise(changed).median;
}

} // namespace

// With arguments WIDTH AVG COUNT SPAN, only that case (for a profiler).
int main(int argc, char** argv) {
    const auto wanted = [argc, argv](int width, double avg, std::size_t count, std::uint32_t span) {
        return argc < 5 || (std::atoi(argv[1]) == width && std::atof(argv[2]) == avg &&
                            static_cast<std::size_t>(std::atoll(argv[3])) == count &&
                            static_cast<std::uint32_t>(std::atol(argv[4])) == span);
    };
    std::printf("%10s %-7s %-10s %-6s %12s %12s %12s %12s %9s %12s %12s %12s\n", "samples", "span s", "size",
                "avg s", "live median", "live min", "idle median", "idle cold", "idle px", "rebuild ms",
                "B/sample", "B/pixel");
    cache_flusher caches;
    const int sizes[][2] = {{500, 250}, {1920, 1080}, {3840, 2160}};
    const struct {
        std::size_t count;
        int per_second;
        std::uint32_t span;
    } loads[] = {{36000, 10, week_secs}, {604800, 1, week_secs}, {6048000, 10, week_secs}, {36000, 10, 3600}};
    for (const auto& size : sizes) {
        for (double avg : {1.0, 3600.0}) {
            for (const auto& load : loads) {
                if (!wanted(size[0], avg, load.count, load.span)) continue;
                auto s =
                    std::make_unique<scene>(load.count, load.per_second, load.span, size[0], size[1], avg);
                s->paint();
                const timing live = time_paints(*s, 21, [&] { s->arrive(0.5, load.per_second); });
                const timing idle = time_paints(*s, 21, [&] { s->wait(0.5); });
                const timing cold = time_paints(*s, 11, [&] {
                    caches.flush();
                    s->wait(0.5);
                });
                const double changed = idle_pixels(*s, 5);
                // A sample below the axis: the next paint rescales, and every pixel is counted again.
                const ping_sample low{s->newest, s->store.y_low - 1.0};
                append_samples(s->store, &low, 1);
                const auto start = bench_clock::now();
                s->paint();
                const double rebuild = ms_since(start);
                const graph_pictures& pictures = s->pictures;
                const double per_sample = static_cast<double>(pictures.extremes.memory_bytes()) /
                                          static_cast<double>(s->store.samples.size());
                const double per_pixel =
                    static_cast<double>(pictures.markers.memory_bytes() + pictures.curve.memory_bytes()) /
                    (static_cast<double>(size[0]) * size[1]);
                std::printf(
                    "%10zu %-7u %4dx%-5d %-6g %12.3f %12.3f %12.3f %12.3f %9.0f %12.2f %12.2f %12.2f\n",
                    load.count, load.span, size[0], size[1], avg, live.median, live.low, idle.median,
                    cold.median, changed, rebuild, per_sample, per_pixel);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
