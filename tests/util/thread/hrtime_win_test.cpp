#include "util/thread/hrtime.h"
#include "util/trace/trace_channel_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

unsigned system_processors() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors;
}

class collecting_sink final : public trace_base {
public:
    void write(const char* text, bool) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

TEST(hrtime_win, cpu_info_describes_this_processor) {
    const cpu_info info = read_cpu_info();
    EXPECT_GE(info.max_leaf, 1u);
    EXPECT_EQ(std::string(info.vendor).size(), 12u);
    EXPECT_EQ(info.vendor_id, vendor_id_of(info.vendor));
    const std::string brand = info.brand;
    EXPECT_EQ(brand.find("  "), std::string::npos);
    if (!brand.empty()) {
        EXPECT_NE(brand.front(), ' ');
        EXPECT_NE(brand.back(), ' ');
    }
    // Every x86-64 processor has a time-stamp counter.
    EXPECT_NE(info.features_edx & (1u << 4), 0u);
}

TEST(hrtime_win, tick_edge_sample_meets_a_tick_edge) {
    const cpu_info cpu = read_cpu_info();
    description_map descriptions;
    hrtime clock(cpu, mode_name_table, descriptions, system_hrtime_platform());
    const int priority = GetThreadPriority(GetCurrentThread());
    std::uint64_t tsc1 = 0;
    std::uint64_t tsc2 = 0;
    std::uint32_t tick1 = 0;
    std::uint32_t tick2 = 0;
    clock.tick_edge_sample(tsc1, tick1);
    clock.tick_edge_sample(tsc2, tick2);
    EXPECT_NE(tick1, tick2);
    EXPECT_GT(tsc2, tsc1);
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), priority);
}

TEST(hrtime_win, the_system_clock_chooses_a_source_and_runs) {
    const cpu_info cpu = read_cpu_info();
    description_map descriptions;
    hrtime clock(cpu, mode_name_table, descriptions, system_hrtime_platform());
    clock.set_processors(system_processors());
    ASSERT_TRUE(clock.select_source(hrtime_auto));
    const int mode = clock.mode();
    ASSERT_TRUE(mode == hrtime_tsc || mode == hrtime_perfcnt || mode == hrtime_ticks) << mode;
    const std::string text = clock.describe();
    EXPECT_EQ(descriptions.find("hrtime"), std::wstring(text.begin(), text.end()));
    LARGE_INTEGER frequency;
    if (mode == hrtime_perfcnt) {
        ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
        EXPECT_EQ(clock.ticks_per_sec(), static_cast<std::uint64_t>(frequency.QuadPart));
        EXPECT_EQ(text.rfind("Using performance counter running at ", 0), 0u) << text;
    } else if (mode == hrtime_tsc) {
        EXPECT_EQ(clock.ticks_per_sec(), clock.tsc_hz());
        EXPECT_EQ(text.rfind("Using CPU TSC running at ", 0), 0u) << text;
    }
    if (system_processors() > 1) {
        EXPECT_NE(mode, hrtime_tsc);
    }

    // The readings advance at the stated rate: the time they span agrees with the tick
    // count read around them, within its resolution and the error of a measured rate,
    // however long this thread is held.
    const ULONGLONG before = GetTickCount64();
    const std::uint64_t start = clock.now();
    const ULONGLONG start_tick = GetTickCount64();
    std::uint64_t last = start;
    ULONGLONG tick = start_tick;
    while ((tick = GetTickCount64()) - start_tick < 100) {
        const std::uint64_t reading = clock.now();
        ASSERT_GE(reading, last);
        last = reading;
    }
    const std::uint64_t end = clock.now();
    const ULONGLONG after = GetTickCount64();
    const double elapsed_ms =
        1000.0 * static_cast<double>(end - start) / static_cast<double>(clock.ticks_per_sec());
    const double resolution_ms = 32;
    EXPECT_GE(elapsed_ms, 0.95 * static_cast<double>(tick - start_tick) - resolution_ms);
    EXPECT_LE(elapsed_ms, 1.05 * static_cast<double>(after - before) + resolution_ms);
}

TEST(hrtime_win, refusals_go_to_the_output_channel) {
    cpu_info no_tsc = read_cpu_info();
    no_tsc.features_edx &= ~(1u << 4);
    description_map descriptions;
    hrtime clock(no_tsc, mode_name_table, descriptions, system_hrtime_platform());
    // The channel keeps the sink until exit, so it is never destroyed.
    auto* sink = new collecting_sink;
    ASSERT_TRUE(output_channel.add_sink(sink));
    clock.select_source(hrtime_tsc);
    EXPECT_EQ(sink->lines, std::vector<std::string>{"Cannot use TSC!\n"});
    EXPECT_NE(clock.mode(), hrtime_tsc);
}

} // namespace
