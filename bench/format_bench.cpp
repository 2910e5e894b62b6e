// Cost of the formatter on the program's two hot uses: axis labels and trace time stamps.
#include "util/format/format.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Results are folded into this so the compiler cannot drop the work being measured.
volatile std::uint32_t sink;

template <class Body>
double nanoseconds_per_call(long iterations, Body body) {
    using clock = std::chrono::steady_clock;
    std::uint32_t check = 0;
    for (long i = 0; i < iterations / 10; ++i) check += body(i); // warm-up
    auto start = clock::now();
    for (long i = 0; i < iterations; ++i) check += body(i);
    auto elapsed = std::chrono::duration<double, std::nano>(clock::now() - start).count();
    sink = sink + check;
    return elapsed / static_cast<double>(iterations);
}

// The axis labels: values in tenths, wide text.
std::uint32_t wide_label(long i) {
    int tenths = static_cast<int>(i % 20001) - 10000;
    std::wstring label = (basic_format<wchar_t>(L"%#,.1?") << tenths).str();
    return static_cast<std::uint32_t>(label.size() + label[0]);
}

std::uint32_t narrow_label(long i) {
    int tenths = static_cast<int>(i % 20001) - 10000;
    std::string label = (basic_format<char>("%#,.1?") << tenths).str();
    return static_cast<std::uint32_t>(label.size() + label[0]);
}

// The trace time stamp: hours, minutes, seconds and milliseconds into a fixed buffer.
std::uint32_t time_stamp(long i) {
    char buffer[32];
    unsigned ms = static_cast<unsigned>(i % 86400000);
    {
        basic_sformat<char> out(buffer, sizeof buffer, "%02?%02?%02?'%03? ");
        out << ms / 3600000 << ms / 60000 % 60 << ms / 1000 % 60 << ms % 1000;
    }
    return static_cast<std::uint32_t>(buffer[1] + buffer[10]);
}

std::uint32_t appended_line(long i) {
    std::string line;
    {
        basic_strformat<char> out(line);
        out.set_format("Using performance counter running at %#,.3? MHz") << static_cast<unsigned>(i);
    }
    return static_cast<std::uint32_t>(line.size());
}

} // namespace

int main(int argc, char** argv) {
    long iterations = argc > 1 ? std::atol(argv[1]) : 2000000;
    if (iterations < 10) iterations = 10;
    struct row {
        const char* name;
        std::uint32_t (*body)(long);
    } rows[] = {
        {"label    basic_format<wchar_t> \"%#,.1?\"", wide_label},
        {"label    basic_format<char>    \"%#,.1?\"", narrow_label},
        {"stamp    basic_sformat<char>   \"%02?%02?%02?'%03? \"", time_stamp},
        {"line     basic_strformat<char> \"... %#,.3? MHz\"", appended_line},
    };
    std::printf("%-52s %12s %10s\n", "case", "iterations", "ns/call");
    for (const row& r : rows)
        std::printf("%-52s %12ld %10.1f\n", r.name, iterations, nanoseconds_per_call(iterations, r.body));
    return 0;
}
