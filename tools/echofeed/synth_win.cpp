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

int parse_synth_options(arg_list& args, synth_options& o) {
    const wchar_t* bad_number = L"bad value '%ls' for %ls";
    const wchar_t* bad_count = L"bad count '%ls' for %ls";
    return parse_options(args, L"synth",
                         {
                             value_option({L"-n", L"--count"}, bad_count, count_in(o.count, 0, UINT64_MAX)),
                             value_option({L"--rate"}, bad_number, number_in(o.rate, 0.0, 1e6)),
                             value_option({L"--batch"}, bad_count, count_in(o.batch, 1, 1000000)),
                             value_option({L"--seed"}, bad_count, count_in(o.seed, 0, UINT32_MAX)),
                             value_option({L"--base"}, bad_number, number_in(o.base, 0.0, 1e6)),
                             value_option({L"--jitter"}, bad_number, number_in(o.jitter, 0.0, 1e6)),
                             value_option({L"--spikes"}, bad_number, number_in(o.spike_chance, 0.0, 1.0)),
                             value_option({L"--drift"}, bad_number, number_in(o.drift, -1e6, 1e6)),
                             value_option({L"--record"}, nullptr, text_in(o.record)),
                         },
                         &o.target);
}

} // namespace

int run_synth(arg_list& args) {
    synth_options options;
    if (const int code = parse_synth_options(args, options)) return code;
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
