// Sample store benchmark: intake cost per sample, paint-time window update, memory per stored sample.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "app/store/sample_intake.h"
#include "app/store/scaling.h"

namespace {

using bench_clock = std::chrono::steady_clock;

double seconds_since(bench_clock::time_point start) {
    return std::chrono::duration<double>(bench_clock::now() - start).count();
}

// Samples at 1 Hz with a little jitter, as Echoprobe sends them.
class sample_source {
public:
    ping_sample next() {
        const double t = static_cast<double>(count_++) + jitter_(random_);
        return ping_sample{t, 20.0 + rtt_(random_)};
    }
    std::vector<ping_sample> batch(std::size_t n) {
        std::vector<ping_sample> b(n);
        for (ping_sample& s : b) s = next();
        return b;
    }

private:
    std::mt19937 random_{12345};
    std::uniform_real_distribution<double> jitter_{0.0, 0.01};
    std::uniform_real_distribution<double> rtt_{0.0, 5.0};
    std::uint64_t count_ = 0;
};

void fill(sample_store& store, sample_source& source, std::size_t count) {
    while (count > 0) {
        const std::size_t n = count < 100000 ? count : 100000;
        const std::vector<ping_sample> b = source.batch(n);
        append_samples(store, b.data(), b.size());
        count -= n;
    }
}

struct append_figures {
    double typical_ns; // median over groups of batches: the batch's own work
    double mean_ns;    // including the occasional growth of the arrays
};

// Per-sample cost of appending `total` samples in batches of `batch_size`.
append_figures append_cost(sample_store& store, sample_source& source, std::size_t batch_size,
                           std::size_t total) {
    std::vector<std::vector<ping_sample>> batches;
    for (std::size_t done = 0; done < total; done += batch_size) batches.push_back(source.batch(batch_size));
    const std::size_t group = batch_size >= 1000 ? 1 : 64;
    std::vector<double> groups;
    const auto start = bench_clock::now();
    for (std::size_t i = 0; i < batches.size(); i += group) {
        const auto group_start = bench_clock::now();
        for (std::size_t j = i; j < i + group && j < batches.size(); ++j)
            append_samples(store, batches[j].data(), batches[j].size());
        groups.push_back(seconds_since(group_start) * 1e9 / static_cast<double>(group * batch_size));
    }
    const double mean = seconds_since(start) * 1e9 / static_cast<double>(batches.size() * batch_size);
    std::nth_element(groups.begin(), groups.begin() + groups.size() / 2, groups.end());
    return append_figures{groups[groups.size() / 2], mean};
}

void intake_table() {
    std::printf("append_samples, batch newer than everything stored\n");
    std::printf("(ns per sample, median over groups of batches: the occasional growth of the arrays is\n");
    std::printf("left out here and shown amortized below)\n");
    std::printf("%14s %10s %10s %10s\n", "stored before", "batch 1", "batch 16", "batch 1000");
    const std::size_t sizes[] = {0, 100000, 10000000};
    const std::size_t batch_sizes[] = {1, 16, 1000};
    for (std::size_t stored : sizes) {
        std::printf("%14zu", stored);
        for (std::size_t batch_size : batch_sizes) {
            auto store = std::make_unique<sample_store>();
            store->bucket_width = 1.0;
            sample_source source;
            fill(*store, source, stored);
            append_figures f{0.0, 0.0};
            if (stored == 0) {
                // One batch into an empty store, on fresh stores.
                std::vector<double> runs;
                for (int r = 0; r < 2001; ++r) {
                    auto fresh = std::make_unique<sample_store>();
                    fresh->bucket_width = 1.0;
                    const append_figures one = append_cost(*fresh, source, batch_size, batch_size);
                    runs.push_back(one.mean_ns);
                    f.mean_ns += one.mean_ns / 2001.0;
                }
                std::nth_element(runs.begin(), runs.begin() + 1000, runs.end());
                f.typical_ns = runs[1000];
            } else {
                f = append_cost(*store, source, batch_size, 200000);
            }
            std::printf(" %10.1f", f.typical_ns);
        }
        std::printf("\n");
    }
    {
        auto store = std::make_unique<sample_store>();
        store->bucket_width = 1.0;
        sample_source source;
        fill(*store, source, 100000);
        // Each round a batch arrives in order, then one whose samples reach 10 s back.
        const int rounds = 10000;
        double timed = 0.0;
        for (int r = 0; r < rounds; ++r) {
            std::vector<ping_sample> late = source.batch(16);
            append_samples(*store, late.data(), 8);
            for (std::size_t k = 8; k < late.size(); ++k) late[k].time -= 10.0;
            const auto start = bench_clock::now();
            append_samples(*store, late.data() + 8, 8);
            timed += seconds_since(start);
        }
        std::printf("%14s %10s %10.1f   (batch of 8 reaching 10 s back, store of 100,000)\n", "", "",
                    timed * 1e9 / (rounds * 8.0));
    }
    {
        auto store = std::make_unique<sample_store>();
        store->bucket_width = 1.0;
        sample_source source;
        const std::size_t total = 10000000;
        const append_figures f = append_cost(*store, source, 1000, total);
        std::printf("filling a store with %zu samples in batches of 1000, all array growth included:"
                    " %.1f ns per sample\n",
                    total, f.mean_ns);
    }
    std::printf("\n");
}

void paint_table() {
    const std::uint32_t week = 604800;
    auto store = std::make_unique<sample_store>();
    store->bucket_width = 1.0;
    store->span_secs = week;
    sample_source source;
    fill(*store, source, week);
    const auto start_full = bench_clock::now();
    recompute_window(*store, 250);
    const double full_us = seconds_since(start_full) * 1e6;

    // Each paint: one new sample arrived, one old sample left the window.
    const int paints = 20000;
    double timed = 0.0;
    for (int p = 0; p < paints; ++p) {
        const ping_sample s = source.next();
        append_samples(*store, &s, 1);
        const auto start = bench_clock::now();
        set_time_window(*store);
        scale_y(*store, 250);
        timed += seconds_since(start);
    }
    std::printf("paint-time window update, %u visible samples (one week at 1 Hz)\n", store->win_count);
    std::printf("  set_time_window + scale_y, one sample left: %8.1f ns per paint\n", timed * 1e9 / paints);
    std::printf("  recompute_window (walks the whole window):   %8.1f us\n\n", full_us);
}

void memory_table() {
    std::printf("memory per stored sample, one week at 1 Hz (samples + buckets, allocated capacity)\n");
    std::printf("%8s %10s %10s %23s %18s\n", "width", "samples", "buckets", "bytes/sample alloc/used",
                "dense array would");
    for (double width : {0.1, 1.0}) {
        auto store = std::make_unique<sample_store>();
        store->bucket_width = width;
        sample_source source;
        for (std::uint32_t i = 0; i < 604800; ++i) {
            const ping_sample s = source.next();
            append_samples(*store, &s, 1);
        }
        const double n = static_cast<double>(store->samples.size());
        const double bytes = static_cast<double>(store->samples.capacity() * sizeof(ping_sample) +
                                                 store->buckets.memory_bytes());
        const double used =
            static_cast<double>(store->samples.size() * sizeof(ping_sample) +
                                store->buckets.size() * (sizeof(avg_bucket) + sizeof(std::int64_t)));
        const double dense_buckets = (store->samples.back().time - store->samples.front().time) / width + 1.0;
        const double dense = (n * sizeof(ping_sample) + dense_buckets * sizeof(avg_bucket)) / n;
        std::printf("%7.1fs %10zu %10zu %15.1f / %5.1f %15.1f B\n", width, store->samples.size(),
                    store->buckets.size(), bytes / n, used / n, dense);
    }
}

} // namespace

int main() {
    intake_table();
    paint_table();
    memory_table();
    return 0;
}
