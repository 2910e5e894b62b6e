// echofeed synth and replay: a generated stream of samples, or samples read from a CSV file.
#include <cmath>
#include <cstdio>
#include <random>

#include "tools/echofeed/feed_win.h"

namespace {

struct synth_options {
    std::uint64_t count = 100; // 0: until interrupted
    double rate = 10.0;        // samples per second; 0: as fast as possible
    std::uint64_t batch = 1;
    std::uint32_t seed = 1;
    double base = 20.0;  // baseline round-trip time, ms
    double jitter = 2.0; // spread around the baseline, ms
    double spike_chance = 0.02;
    double drift = 1.0; // ms per minute
    std::wstring record;
    target_options target;
};

// Baseline with normal jitter, a slow drift and an occasional spike, never below zero.
class sample_generator {
public:
    explicit sample_generator(const synth_options& options)
        : options_(options), random_(options.seed), jitter_(0.0, options.jitter) {}
    double rtt(double elapsed_seconds) {
        double value = options_.base + options_.drift * elapsed_seconds / 60.0 + jitter_(random_);
        if (chance_(random_) < options_.spike_chance) value += options_.base * (2.0 + 4.0 * chance_(random_));
        return value < 0.0 ? 0.0 : value;
    }

private:
    const synth_options& options_;
    std::mt19937 random_;
    std::normal_distribution<double> jitter_;
    std::uniform_real_distribution<double> chance_{0.0, 1.0};
};

bool take_number(arg_list& args, const std::wstring& name, double low, double high, double& out) {
    std::wstring text;
    double value = 0.0;
    if (!args.value(name, text) || !parse_number(text, value) || !(value >= low && value <= high)) {
        usage_error((L"bad value '%ls' for " + name).c_str(), text);
        return false;
    }
    out = value;
    return true;
}

bool take_count(arg_list& args, const std::wstring& name, std::uint64_t low, std::uint64_t high,
                std::uint64_t& out) {
    std::wstring text;
    std::uint64_t value = 0;
    if (!args.value(name, text) || !parse_count(text, value) || value < low || value > high) {
        usage_error((L"bad count '%ls' for " + name).c_str(), text);
        return false;
    }
    out = value;
    return true;
}

bool parse_synth_options(arg_list& args, synth_options& o) {
    while (!args.empty()) {
        bool bad = false;
        if (take_target_option(args, o.target, bad)) {
            if (bad) return false;
            continue;
        }
        const std::wstring arg = args.next();
        std::uint64_t seed = 0;
        bool ok = true;
        if (arg == L"-n" || arg == L"--count")
            ok = take_count(args, arg, 0, UINT64_MAX, o.count);
        else if (arg == L"--rate")
            ok = take_number(args, arg, 0.0, 1e6, o.rate);
        else if (arg == L"--batch")
            ok = take_count(args, arg, 1, 1000000, o.batch);
        else if (arg == L"--seed")
            ok = take_count(args, arg, 0, UINT32_MAX, seed), o.seed = static_cast<std::uint32_t>(seed);
        else if (arg == L"--base")
            ok = take_number(args, arg, 0.0, 1e6, o.base);
        else if (arg == L"--jitter")
            ok = take_number(args, arg, 0.0, 1e6, o.jitter);
        else if (arg == L"--spikes")
            ok = take_number(args, arg, 0.0, 1.0, o.spike_chance);
        else if (arg == L"--drift")
            ok = take_number(args, arg, -1e6, 1e6, o.drift);
        else if (arg == L"--record")
            ok = args.value(arg, o.record);
        else
            return usage_error(L"unknown synth argument '%ls'", arg), false;
        if (!ok) return false;
    }
    return true;
}

} // namespace

int run_synth(arg_list& args) {
    synth_options options;
    if (!parse_synth_options(args, options)) return exit_usage;
    csv_recorder recorder;
    if (!options.record.empty() && !recorder.open(options.record)) return exit_file;
    echoview_target target(options.target);
    if (!target.connect()) return exit_no_window;

    sample_generator generator(options);
    const double start = clock_seconds();
    std::vector<ping_sample> batch;
    std::uint64_t made = 0;
    while (options.count == 0 || made < options.count) {
        const double due = options.rate > 0.0 ? start + static_cast<double>(made) / options.rate : start;
        sleep_until(due);
        const ping_sample sample{options.rate > 0.0 ? due : clock_seconds(),
                                 generator.rtt(clock_seconds() - start)};
        recorder.add(sample);
        batch.push_back(sample);
        ++made;
        if (batch.size() >= options.batch || made == options.count) {
            if (!target.send_samples(batch)) return exit_send_failed;
            batch.clear();
        }
    }
    std::wprintf(L"synth: sent %llu samples\n", static_cast<unsigned long long>(made));
    return exit_ok;
}
