// A simulated machine for the clock: a microsecond time line, a TSC whose rate is given, scripted readings.
#pragma once

#include "util/thread/hrtime.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Every tick-count reading advances the time by 1 us and the TSC with it, so a
// tick edge is met exactly at a whole millisecond and the calibration measures
// the given rates exactly. The TSC runs at rate1_mhz until its second reading
// (the middle sample of the first calibration), at rate2_mhz afterwards.
class fake_platform final : public hrtime_platform {
public:
    bool has_perf = true;
    std::uint64_t perf_hz = 10000000;
    std::uint64_t rate1_mhz = 2400;
    std::uint64_t rate2_mhz = 2400;
    std::uint64_t time_us = 5000500;
    std::uint64_t tsc_value = 1000000;
    // When set, answers TSC readings instead of the simulated counter.
    std::function<std::uint64_t()> tsc_script;
    // Called on every performance-frequency query, before it answers.
    std::function<void()> on_perf_frequency;

    std::atomic<int> perf_queries{0};
    std::atomic<int> tsc_reads{0};
    int raised = 0;
    int restored = 0;

    void advance_us(std::uint64_t us) {
        tsc_value += (tsc_reads < 2 ? rate1_mhz : rate2_mhz) * us;
        time_us += us;
    }
    std::vector<std::string> traces() {
        std::lock_guard<std::mutex> hold(trace_lock_);
        return traces_;
    }

    bool perf_frequency(std::uint64_t& hz) override {
        ++perf_queries;
        if (on_perf_frequency) on_perf_frequency();
        if (!has_perf) return false;
        hz = perf_hz;
        return true;
    }
    std::uint64_t perf_counter() override {
        return time_us / 1000000 * perf_hz + time_us % 1000000 * perf_hz / 1000000;
    }
    std::uint32_t tick_count() override {
        advance_us(1);
        return static_cast<std::uint32_t>(time_us / 1000);
    }
    std::uint64_t tsc() override {
        ++tsc_reads;
        return tsc_script ? tsc_script() : tsc_value;
    }
    void sleep_ms(unsigned ms) override { advance_us(ms * std::uint64_t{1000}); }
    int raise_priority() override {
        ++raised;
        return 0;
    }
    void restore_priority(int) override { ++restored; }
    void trace(const char* line) override {
        std::lock_guard<std::mutex> hold(trace_lock_);
        traces_.push_back(line);
    }

private:
    std::mutex trace_lock_;
    std::vector<std::string> traces_;
};

// Processor identifications for the clock's choice.
inline cpu_info cpu_with_tsc() {
    cpu_info cpu{};
    cpu.max_leaf = 13;
    cpu.features_edx = 1u << 4;
    cpu.vendor_id = vendor_amd;
    return cpu;
}

inline cpu_info cpu_without_tsc() {
    cpu_info cpu = cpu_with_tsc();
    cpu.features_edx = 0;
    return cpu;
}
