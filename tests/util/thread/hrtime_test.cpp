#include "hrtime_fake_platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <thread>

namespace {

struct clock_setup {
    explicit clock_setup(const cpu_info& given_cpu, unsigned processors = 1) : cpu(given_cpu) {
        clock.set_processors(processors);
    }
    std::wstring filed() const { return descriptions.find("hrtime"); }

    cpu_info cpu;
    fake_platform platform;
    description_map descriptions;
    hrtime clock{cpu, mode_name_table, descriptions, platform};
};

std::wstring wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// One thread stops inside a call until the test lets it go on.
class gate {
public:
    void arrive_and_wait() {
        std::unique_lock<std::mutex> hold(lock_);
        arrived_ = true;
        changed_.notify_all();
        changed_.wait(hold, [this] { return open_; });
    }
    bool arrived_within(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> hold(lock_);
        return changed_.wait_for(hold, limit, [this] { return arrived_; });
    }
    void open() {
        std::lock_guard<std::mutex> hold(lock_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool arrived_ = false;
    bool open_ = false;
};

// For things that must not happen while another thread is held: gives them a
// fair chance to happen and reports whether they did.
template <class Condition>
bool happens_within(Condition condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

TEST(hrtime, before_the_first_reading_nothing_is_chosen) {
    clock_setup setup(cpu_with_tsc());
    EXPECT_EQ(setup.clock.mode(), hrtime_auto);
    EXPECT_EQ(setup.clock.ticks_per_sec(), 10000000u);
    EXPECT_EQ(setup.clock.describe(), "No high-resolution timer found.\n");
    EXPECT_EQ(setup.platform.perf_queries, 0);
    EXPECT_EQ(setup.descriptions.size(), 0u);
}

TEST(hrtime, two_processors_take_the_performance_counter_and_describe_the_tsc_too) {
    clock_setup setup(cpu_with_tsc(), 2);
    const std::uint64_t first = setup.clock.now();
    EXPECT_EQ(setup.clock.mode(), hrtime_perfcnt);
    EXPECT_EQ(setup.clock.ticks_per_sec(), 10000000u);
    EXPECT_EQ(setup.clock.cal_count(), 1u);
    EXPECT_EQ(setup.clock.tsc_rate1(), 2400000000u);
    EXPECT_EQ(setup.clock.tsc_rate2(), 2400000000u);
    const std::string text = "Using performance counter running at 10 MHz; TSC=2400/2400 MHz\n";
    EXPECT_EQ(setup.clock.describe(), text);
    EXPECT_EQ(setup.filed(), wide(text));
    EXPECT_TRUE(setup.platform.traces().empty());
    // Readings come from the performance counter.
    EXPECT_EQ(first, setup.platform.perf_counter());
    setup.platform.advance_us(7);
    EXPECT_EQ(setup.clock.now(), first + 70);
    // The busy waits ran at raised priority, each restored.
    EXPECT_EQ(setup.platform.raised, 3);
    EXPECT_EQ(setup.platform.restored, 3);
}

TEST(hrtime, halves_within_one_percent_give_the_tsc) {
    clock_setup setup(cpu_with_tsc(), 1);
    setup.platform.rate2_mhz = 2390;
    EXPECT_TRUE(setup.clock.select_source(hrtime_auto));
    EXPECT_EQ(setup.clock.mode(), hrtime_tsc);
    EXPECT_EQ(setup.clock.congruence(), 99583u);
    // Both halves last 101 ms, so the whole rate is their mean.
    EXPECT_EQ(setup.clock.tsc_hz(), 2395000000u);
    EXPECT_EQ(setup.clock.ticks_per_sec(), 2395000000u);
    EXPECT_TRUE(setup.clock.tsc_usable());
    const std::string text = "Using CPU TSC running at 2395 MHz; congruence=99.583%\n";
    EXPECT_EQ(setup.clock.describe(), text);
    EXPECT_EQ(setup.filed(), wide(text));
    EXPECT_EQ(setup.clock.now(), setup.platform.tsc_value);
}

TEST(hrtime, halves_differing_by_more_than_one_percent_fall_back_silently) {
    clock_setup setup(cpu_with_tsc(), 1);
    setup.platform.rate2_mhz = 2300;
    EXPECT_TRUE(setup.clock.select_source(hrtime_auto));
    EXPECT_EQ(setup.clock.congruence(), 95833u);
    EXPECT_FALSE(setup.clock.tsc_usable());
    EXPECT_EQ(setup.clock.mode(), hrtime_perfcnt);
    EXPECT_EQ(setup.clock.describe(), "Using performance counter running at 10 MHz; TSC=2400/2300 MHz\n");
    EXPECT_TRUE(setup.platform.traces().empty());

    // Asking for the TSC afterwards does not install it with another source's
    // rate: the failed calibration is remembered and not repeated.
    EXPECT_TRUE(setup.clock.select_source(hrtime_tsc));
    EXPECT_EQ(setup.platform.traces(), std::vector<std::string>{"Cannot use TSC!\n"});
    EXPECT_EQ(setup.clock.mode(), hrtime_perfcnt);
    EXPECT_EQ(setup.clock.ticks_per_sec(), 10000000u);
    EXPECT_EQ(setup.clock.now(), setup.platform.perf_counter());
    EXPECT_EQ(setup.clock.cal_count(), 1u);

    clock_setup without_perf(cpu_with_tsc(), 1);
    without_perf.platform.rate2_mhz = 2300;
    without_perf.platform.has_perf = false;
    EXPECT_TRUE(without_perf.clock.select_source(hrtime_auto));
    EXPECT_EQ(without_perf.clock.mode(), hrtime_ticks);
    EXPECT_EQ(without_perf.clock.ticks_per_sec(), 1000u);
    EXPECT_EQ(without_perf.clock.describe(), "Using OS tick counter, granularity 1000 Hz\n");
    EXPECT_EQ(without_perf.clock.now(), without_perf.platform.time_us / 1000);
    EXPECT_TRUE(without_perf.platform.traces().empty());
}

TEST(hrtime, a_tsc_below_60_mhz_is_rejected) {
    clock_setup slow(cpu_with_tsc(), 1);
    slow.platform.rate1_mhz = slow.platform.rate2_mhz = 50;
    slow.clock.select_source(hrtime_auto);
    EXPECT_EQ(slow.clock.tsc_rate2(), 50000000u);
    EXPECT_FALSE(slow.clock.tsc_usable());
    EXPECT_EQ(slow.clock.mode(), hrtime_perfcnt);

    clock_setup floor(cpu_with_tsc(), 1);
    floor.platform.rate1_mhz = floor.platform.rate2_mhz = 60;
    floor.clock.select_source(hrtime_auto);
    EXPECT_EQ(floor.clock.mode(), hrtime_tsc);
    EXPECT_EQ(floor.clock.congruence(), 100000u);
    EXPECT_EQ(floor.clock.describe(), "Using CPU TSC running at 60 MHz; congruence=100%\n");
}

TEST(hrtime, explicit_requests_and_their_fallbacks) {
    // No TSC: the explicit request says so and takes the performance counter,
    // without calibrating anything.
    clock_setup no_tsc(cpu_without_tsc(), 1);
    EXPECT_TRUE(no_tsc.clock.select_source(hrtime_tsc));
    EXPECT_EQ(no_tsc.platform.traces(), std::vector<std::string>{"Cannot use TSC!\n"});
    EXPECT_EQ(no_tsc.clock.mode(), hrtime_perfcnt);
    EXPECT_EQ(no_tsc.clock.cal_count(), 0u);
    EXPECT_EQ(no_tsc.clock.describe(), "Using performance counter running at 10 MHz\n");

    // Nothing but the tick count.
    clock_setup bare(cpu_without_tsc(), 1);
    bare.platform.has_perf = false;
    EXPECT_TRUE(bare.clock.select_source(hrtime_perfcnt));
    EXPECT_EQ(bare.platform.traces(), std::vector<std::string>{"OS performance counter not available\n"});
    EXPECT_EQ(bare.clock.mode(), hrtime_ticks);
    EXPECT_EQ(bare.clock.perf_hz(), 0u);

    // Without a performance counter an explicit request for it goes to the TSC
    // of a single processor.
    clock_setup tsc_only(cpu_with_tsc(), 1);
    tsc_only.platform.has_perf = false;
    EXPECT_TRUE(tsc_only.clock.select_source(hrtime_perfcnt));
    EXPECT_EQ(tsc_only.clock.mode(), hrtime_tsc);
    EXPECT_EQ(tsc_only.clock.ticks_per_sec(), 2400000000u);

    // The raw TSC, even on two processors when asked for.
    clock_setup raw(cpu_with_tsc(), 2);
    EXPECT_TRUE(raw.clock.select_source(hrtime_tsc_raw));
    EXPECT_EQ(raw.clock.mode(), hrtime_tsc_raw);
    EXPECT_EQ(raw.clock.describe(), "Using raw CPU TSC running at 2400 MHz; congruence=100%\n");
    raw.platform.tsc_value -= 1000;
    EXPECT_EQ(raw.clock.now(), raw.platform.tsc_value);

    // A value that is not a mode asks for the automatic choice.
    clock_setup other(cpu_with_tsc(), 2);
    EXPECT_TRUE(other.clock.select_source(4));
    EXPECT_EQ(other.clock.mode(), hrtime_perfcnt);
}

TEST(hrtime, excluded_intel_models_never_calibrate) {
    cpu_info cpu = cpu_with_tsc();
    cpu.vendor_id = vendor_intel;
    cpu.signature = 0xF24;
    cpu.brand_info = 14;
    clock_setup setup(cpu, 1);
    setup.clock.now();
    EXPECT_EQ(setup.clock.mode(), hrtime_perfcnt);
    EXPECT_EQ(setup.clock.cal_count(), 0u);
    EXPECT_EQ(setup.clock.describe(), "Using performance counter running at 10 MHz\n");
    EXPECT_TRUE(setup.platform.traces().empty());
}

TEST(hrtime, installing_the_tsc_later_takes_its_rate) {
    clock_setup setup(cpu_with_tsc(), 2);
    setup.platform.perf_hz = 3579545;
    setup.clock.select_source(hrtime_auto);
    ASSERT_EQ(setup.clock.mode(), hrtime_perfcnt);
    ASSERT_EQ(setup.clock.ticks_per_sec(), 3579545u);
    ASSERT_TRUE(setup.clock.tsc_usable());
    EXPECT_TRUE(setup.clock.select_source(hrtime_tsc));
    EXPECT_EQ(setup.clock.mode(), hrtime_tsc);
    EXPECT_EQ(setup.clock.ticks_per_sec(), 2400000000u);
    EXPECT_EQ(setup.clock.cal_count(), 1u);

    // A calibration run while the performance counter is in use leaves its rate alone.
    clock_setup perf(cpu_with_tsc(), 2);
    perf.platform.perf_hz = 3579545;
    perf.clock.select_source(hrtime_perfcnt);
    perf.platform.sleep_ms(1000);
    EXPECT_TRUE(perf.clock.calibrate_tsc());
    EXPECT_EQ(perf.clock.ticks_per_sec(), 3579545u);
}

TEST(hrtime, corrected_tsc_never_goes_back) {
    clock_setup setup(cpu_with_tsc(), 1);
    ASSERT_TRUE(setup.clock.select_source(hrtime_tsc));
    const std::uint64_t first = setup.clock.now();
    EXPECT_EQ(first, setup.platform.tsc_value);
    setup.platform.tsc_value -= 1000;
    EXPECT_EQ(setup.clock.now(), first + 1);
    EXPECT_EQ(setup.clock.now(), first + 2);
    setup.platform.tsc_value += 5000;
    EXPECT_EQ(setup.clock.now(), first + 5002);
}

TEST(hrtime, later_calibrations_refine_or_keep_the_rate) {
    clock_setup setup(cpu_with_tsc(), 1);
    // The first calibration crosses the wrap of the 32-bit tick count.
    setup.platform.time_us = (std::uint64_t{1} << 32) * 1000 - 150 * 1000 + 500;
    ASSERT_TRUE(setup.clock.select_source(hrtime_tsc));
    EXPECT_EQ(setup.clock.tsc_hz(), 2400000000u);
    EXPECT_EQ(setup.clock.congruence(), 100000u);

    // Over a longer interval the rate is refined, and the reader follows it.
    setup.platform.rate2_mhz = 2410;
    setup.platform.sleep_ms(20000 - 202);
    EXPECT_TRUE(setup.clock.calibrate_tsc());
    const std::uint64_t refined = setup.clock.tsc_hz();
    EXPECT_GT(refined, 2409000000u);
    EXPECT_LT(refined, 2410000000u);
    EXPECT_EQ(setup.clock.ticks_per_sec(), refined);

    // The tick count wrapped once more in between: the difference modulo 2^32
    // is far too short for the counts, so the rate is kept.
    setup.platform.sleep_ms(4294967295u);
    EXPECT_FALSE(setup.clock.calibrate_tsc());
    EXPECT_EQ(setup.clock.tsc_hz(), refined);

    // The counter went back before the first sample.
    setup.platform.tsc_value = 5;
    EXPECT_FALSE(setup.clock.calibrate_tsc());
    EXPECT_EQ(setup.clock.tsc_hz(), refined);
    EXPECT_EQ(setup.clock.ticks_per_sec(), refined);
    EXPECT_EQ(setup.clock.cal_count(), 4u);
}

TEST(hrtime, first_readings_on_two_threads_choose_once) {
    clock_setup setup(cpu_without_tsc(), 1);
    gate held;
    setup.platform.on_perf_frequency = [&] {
        if (setup.platform.perf_queries == 1) held.arrive_and_wait();
    };
    std::thread first([&] { setup.clock.now(); });
    ASSERT_TRUE(held.arrived_within(std::chrono::seconds(20)));
    std::thread second([&] { setup.clock.now(); });
    const bool chose_twice =
        happens_within([&] { return setup.platform.perf_queries > 1; }, std::chrono::milliseconds(300));
    held.open();
    first.join();
    second.join();
    EXPECT_FALSE(chose_twice);
    EXPECT_EQ(setup.platform.perf_queries, 1);
    EXPECT_EQ(setup.clock.mode(), hrtime_perfcnt);
}

TEST(hrtime, corrected_tsc_reads_the_counter_under_its_lock) {
    clock_setup setup(cpu_with_tsc(), 1);
    ASSERT_TRUE(setup.clock.select_source(hrtime_tsc));
    // Readings in call order 1,000,000, 2,000,000, 3,000,000; the first one
    // is held as if its thread were preempted right after the instruction.
    gate held;
    std::atomic<int> calls{0};
    setup.platform.tsc_script = [&] {
        const int call = ++calls;
        if (call == 1) held.arrive_and_wait();
        return std::uint64_t(call) * 1000000;
    };
    std::uint64_t held_value = 0;
    std::uint64_t other_value = 0;
    std::thread first([&] { held_value = setup.clock.now(); });
    ASSERT_TRUE(held.arrived_within(std::chrono::seconds(20)));
    std::thread second([&] { other_value = setup.clock.now(); });
    const bool overtaken = happens_within([&] { return calls > 1; }, std::chrono::milliseconds(300));
    held.open();
    first.join();
    second.join();
    EXPECT_FALSE(overtaken);
    EXPECT_EQ(held_value, 1000000u);
    EXPECT_EQ(other_value, 2000000u);
    // No delay went into the offset: the clock did not jump ahead.
    EXPECT_EQ(setup.clock.now(), 3000000u);
}

} // namespace
