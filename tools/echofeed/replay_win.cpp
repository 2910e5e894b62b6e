// echofeed replay: samples from a CSV file of "time,rtt" lines (as Echoview saves them, with a third
// column), at recorded or changed speed.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/store/sample_csv.h"
#include "tools/echofeed/feed_win.h"

namespace {

struct replay_options {
    std::wstring file;
    double speed = 1.0; // 0: all at once
    bool shift = false; // move the times so that the first sample is now
    std::uint64_t batch = 1;
    target_options target;
};

bool blank_or_comment(const char* line) {
    while (*line == ' ' || *line == '\t' || *line == '\r' || *line == '\n') ++line;
    return *line == '\0' || *line == '#';
}

// Reads the whole file; prints the first error with its line number.
bool read_samples(const std::wstring& path, std::vector<ping_sample>& samples) {
    const owned_stream file(_wfopen(path.c_str(), L"rb"));
    if (!file) {
        std::fwprintf(stderr, L"echofeed: cannot read %ls\n", path.c_str());
        return false;
    }
    char line[512];
    unsigned long number = 0;
    while (std::fgets(line, sizeof line, file.get())) {
        ++number;
        if (!std::strchr(line, '\n') && !std::feof(file.get())) {
            std::fwprintf(stderr, L"echofeed: %ls:%lu: line too long\n", path.c_str(), number);
            return false;
        }
        if (blank_or_comment(line) || (number == 1 && is_sample_csv_header(line))) continue;
        ping_sample sample{};
        if (!parse_sample_csv(line, sample)) {
            std::fwprintf(stderr,
                          L"echofeed: %ls:%lu: malformed line (expected time,rtt or time,rtt,local_time)\n",
                          path.c_str(), number);
            return false;
        }
        samples.push_back(sample);
    }
    return true;
}

int parse_replay_options(arg_list& args, replay_options& o) {
    const int code =
        parse_options(args, L"replay",
                      {
                          value_option({L"--speed"}, L"bad speed '%ls'", number_in(o.speed, 0.0, 1e6)),
                          value_option({L"--batch"}, L"bad batch size '%ls'", count_in(o.batch, 1, 1000000)),
                          flag_option({L"--shift"}, [&o] { o.shift = true; }),
                      },
                      &o.target, &o.file);
    if (code != exit_ok) return code;
    return o.file.empty() ? usage_error(L"replay needs a file") : exit_ok;
}

} // namespace

int run_replay(arg_list& args) {
    replay_options options;
    if (const int code = parse_replay_options(args, options)) return code;
    std::vector<ping_sample> samples;
    if (!read_samples(options.file, samples)) return exit_file;
    echoview_target target(options.target);
    if (!target.connect()) return exit_no_window;
    if (samples.empty()) {
        std::wprintf(L"replay: the file holds no samples\n");
        return exit_ok;
    }

    const double start = clock_seconds();
    const double first = samples.front().time;
    const double offset = options.shift ? start - first : 0.0;
    std::vector<ping_sample> batch;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        ping_sample sample = samples[i];
        if (options.speed > 0.0) sleep_until(start + (sample.time - first) / options.speed);
        sample.time += offset;
        batch.push_back(sample);
        if (batch.size() >= options.batch || i + 1 == samples.size()) {
            if (!target.send_samples(batch)) return exit_send_failed;
            batch.clear();
        }
    }
    std::wprintf(L"replay: sent %llu samples\n", static_cast<unsigned long long>(samples.size()));
    return exit_ok;
}
