// hrtime: the high-resolution clock, one 64-bit counter and its rate over the best source the machine offers.
#pragma once

#include "util/sys/critical_section.h"
#include "util/sys/description_table.h"
#include "util/thread/cpu_info.h"
#include "util/thread/value_name_table.h"

#include <atomic>
#include <cstdint>
#include <string>

// Source modes; hrtime_auto (or any value that is not a mode) asks select_source to choose.
enum hrtime_mode : int {
    hrtime_auto = -1,
    hrtime_tsc = 1,     // processor time-stamp counter, corrected so that it never goes back
    hrtime_perfcnt = 2, // system performance counter
    hrtime_ticks = 3,   // system millisecond tick count
    hrtime_tsc_raw = 5, // time-stamp counter as the processor gives it
};

// The names of the modes, "unknown" for other values.
extern const value_name_table mode_name_table;

// The counters and services the clock is built on. The system's own are behind
// system_hrtime_platform(); tests give their own to fix the inputs.
class hrtime_platform {
public:
    // QueryPerformanceFrequency: false when there is no performance counter.
    virtual bool perf_frequency(std::uint64_t& hz) = 0;
    virtual std::uint64_t perf_counter() = 0;
    // Milliseconds, wrapping after 2^32.
    virtual std::uint32_t tick_count() = 0;
    virtual std::uint64_t tsc() = 0;
    virtual void sleep_ms(unsigned ms) = 0;
    // Raises the calling thread to time-critical priority and returns the
    // priority to give back to restore_priority.
    virtual int raise_priority() = 0;
    virtual void restore_priority(int previous) = 0;
    // One complete line for the process trace.
    virtual void trace(const char* line) = 0;

protected:
    ~hrtime_platform() = default;
};

class hrtime {
public:
    // Nothing is read at construction: the source is chosen, and the TSC
    // calibrated, at the first now(). The referenced objects must outlive it.
    hrtime(const cpu_info& cpu, const value_name_table& modes, description_map& descriptions,
           hrtime_platform& platform);
    hrtime(const hrtime&) = delete;
    hrtime& operator=(const hrtime&) = delete;

    // The number of processors of the system; until it is set (or when it is
    // not exactly 1) the TSC is never chosen automatically.
    void set_processors(unsigned count);

    // The current counter value; the first call chooses the source.
    std::uint64_t now();
    // The counter's rate; meaningful after the first now().
    std::uint64_t ticks_per_sec() const { return ticks_per_sec_.load(std::memory_order_acquire); }

    // Chooses the source for `requested` (a mode, or any other value for the
    // automatic choice), installs its reader, files describe() under "hrtime"
    // in the description table. False only when no source was found.
    bool select_source(int requested);
    // Measures the TSC rate (about 200 ms the first time); true when the TSC is usable.
    bool calibrate_tsc();
    // Waits for the tick count to change and reads the TSC at that moment.
    void tick_edge_sample(std::uint64_t& tsc, std::uint32_t& tick);
    // One line telling the source in use and the measured rates.
    std::string describe() const;

    // The state behind the description.
    int mode() const;
    std::uint64_t tsc_hz() const;
    std::uint64_t perf_hz() const;
    std::uint64_t tsc_rate1() const;
    std::uint64_t tsc_rate2() const;
    std::uint32_t congruence() const;
    unsigned cal_count() const;
    // Whether the first calibration found the TSC usable.
    bool tsc_usable() const;

private:
    enum class reader_kind { lazy, tsc, perf, ticks, tsc_raw, none };

    std::uint64_t read(reader_kind reader);
    std::uint64_t read_corrected_tsc();
    void install(reader_kind reader, std::uint64_t rate);
    bool refine_tsc_rate(std::uint64_t end_tsc, std::uint32_t end_tick);

    const cpu_info& cpu_;
    const value_name_table& modes_;
    description_map& descriptions_;
    hrtime_platform& platform_;

    // Recursive: now() holds it while select_source and calibrate_tsc take it again.
    mutable critical_section lock_;
    std::atomic<std::uint64_t> ticks_per_sec_{10000000};
    std::uint64_t tsc_hz_ = 0;
    std::uint64_t perf_hz_ = 0;
    std::uint64_t cal_start_tsc_ = 0;
    std::uint32_t cal_start_tick_ = 0;
    std::atomic<reader_kind> reader_{reader_kind::lazy};
    std::uint64_t last_tsc_ = 0;
    std::uint64_t tsc_offset_ = 0;
    std::uint64_t tsc_rate1_ = 0;
    std::uint64_t tsc_rate2_ = 0;
    int mode_ = hrtime_auto;
    unsigned cal_count_ = 0;
    std::uint32_t congruence_ = 0;
    bool tsc_usable_ = false;
    std::atomic<unsigned> processors_{0};
};

#ifdef _WIN32
// QueryPerformanceCounter, GetTickCount, RDTSC, Sleep, thread priorities and
// the trace's output channel.
hrtime_platform& system_hrtime_platform();

// The process-wide clock.
extern hrtime process_hrtime;
#endif
