// Passes driven with given tick values: due times, catch-up, wrap-around, registration rules.
#include "thread_test_util_win.h"

#include "util/thread/timer_win.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Runs passes the way the timer thread does, the clock jumping to each chosen wait,
// until `runs` holds `count` entries.
void drive(manual_timer& timer, const std::vector<std::uint32_t>& runs, std::size_t count) {
    for (int guard = 0; runs.size() < count && guard < 1000; ++guard) {
        const unsigned wait = timer.pass();
        ASSERT_NE(wait, base_timer::no_limit);
        fake_now += wait;
    }
    ASSERT_GE(runs.size(), count);
}

// How many runs began at the same tick as run `first`.
std::size_t burst_at(const std::vector<std::uint32_t>& runs, std::size_t first) {
    std::size_t n = 0;
    while (first + n < runs.size() && runs[first + n] == runs[first]) ++n;
    return n;
}

TEST(base_timer, fixed_rate_entry_behind_at_most_three_periods_then_back_to_rate) {
    manual_timer timer(1000);
    timer_handle handle;
    std::vector<std::uint32_t> runs;
    std::int64_t most_behind = 0;
    // The first ten runs take 1200 ms for a period of 500 ms.
    timer.add(
        handle,
        [&] {
            runs.push_back(fake_now);
            most_behind = std::min(most_behind, timer.remaining(handle));
            if (runs.size() <= 10) fake_now += 1200;
        },
        500);
    drive(timer, runs, 20);

    EXPECT_EQ(runs[0], 1500u);
    for (std::size_t i = 1; i < 10; ++i) EXPECT_EQ(runs[i] - runs[i - 1], 1200u) << "run " << i;
    // Uncapped, the entry would be 6500 ms behind by now and need 14 runs to catch up;
    // at most three periods behind, the first fast run is followed by four more.
    EXPECT_GE(most_behind, -1500);
    const std::size_t burst = burst_at(runs, 10);
    EXPECT_EQ(burst, 5u);
    for (std::size_t i = 10 + burst; i < runs.size(); ++i)
        EXPECT_EQ(runs[i] - runs[i - 1], 500u) << "run " << i;
}

TEST(base_timer, periods_of_an_hour_or_more_work_off_every_missed_run) {
    const unsigned hour = 3600000;
    manual_timer timer(0);
    timer_handle handle;
    std::vector<std::uint32_t> runs;
    timer.add(
        handle,
        [&] {
            runs.push_back(fake_now);
            if (runs.size() == 1) fake_now += 10 * hour;
        },
        hour);
    drive(timer, runs, 12);
    EXPECT_EQ(runs[0], hour);
    EXPECT_EQ(burst_at(runs, 1), 10u);
    EXPECT_EQ(runs[11] - runs[10], hour);
}

TEST(base_timer, entry_counted_from_firing_never_catches_up) {
    manual_timer timer(1000);
    timer_handle handle;
    std::vector<std::uint32_t> runs;
    timer.add(
        handle,
        [&] {
            runs.push_back(fake_now);
            if (runs.size() <= 10) fake_now += 1200;
        },
        500, base_timer::flag_from_firing);
    drive(timer, runs, 15);
    for (std::size_t i = 1; i <= 10; ++i) EXPECT_EQ(runs[i] - runs[i - 1], 1200u) << "run " << i;
    for (std::size_t i = 11; i < runs.size(); ++i) EXPECT_EQ(runs[i] - runs[i - 1], 500u) << "run " << i;
}

TEST(base_timer, tick_count_wrapping_past_2_to_the_32) {
    // 4 s before the tick count wraps.
    manual_timer timer(0xFFFFF060u);
    timer_handle periodic;
    std::vector<std::uint32_t> runs;
    timer.add(
        periodic, [&] { runs.push_back(fake_now); }, 1000);
    drive(timer, runs, 8);
    for (std::size_t i = 0; i < runs.size(); ++i)
        EXPECT_EQ(runs[i], 0xFFFFF060u + 1000u * static_cast<std::uint32_t>(i + 1)) << "run " << i;
    ASSERT_TRUE(timer.remove(periodic, false));

    // Registered after the wrap while the last pass began before it.
    fake_now = 0xFFFFFF00u;
    EXPECT_EQ(timer.pass(), base_timer::no_limit);
    fake_now = 0x100;
    timer_handle once;
    int once_runs = 0;
    timer.add(
        once, [&] { ++once_runs; }, 300, base_timer::flag_once);
    fake_now = 0x100 + 299;
    EXPECT_EQ(timer.pass(), 1u);
    EXPECT_EQ(once_runs, 0);
    fake_now = 0x100 + 300;
    EXPECT_EQ(timer.pass(), base_timer::no_limit);
    EXPECT_EQ(once_runs, 1);
}

TEST(base_timer, period_zero_counts_as_one_millisecond) {
    // Left behind when the passes hang: their thread is then terminated holding the lock.
    auto timer_owner = std::make_unique<manual_timer>(5000);
    auto handle_owner = std::make_unique<timer_handle>();
    manual_timer& timer = *timer_owner;
    std::atomic<int> runs{0};
    timer.add(
        *handle_owner, [&] { ++runs; }, 0);
    unsigned waits[3] = {};
    // With the clock standing still, a pass that never ends would hang here.
    side_thread passes([&] {
        for (unsigned& wait : waits) {
            wait = timer.pass();
            fake_now += 1;
        }
    });
    if (!passes.finished_within(test_limit_ms)) {
        timer_owner.release();
        handle_owner.release();
        FAIL() << "the passes did not end";
    }
    EXPECT_EQ(waits[0], 1u);
    EXPECT_EQ(waits[1], 1u);
    EXPECT_EQ(waits[2], 1u);
    EXPECT_EQ(runs, 2);
}

TEST(base_timer, add_changes_an_active_entry_only_with_replace) {
    manual_timer timer(0);
    timer_handle handle;
    std::string log;
    timer.add(
        handle, [&] { log += "a" + std::to_string(fake_now) + " "; }, 1000);
    EXPECT_EQ(handle.timer(), &timer);
    fake_now = 600;
    timer.add(
        handle, [&] { log += "b" + std::to_string(fake_now) + " "; }, 1000);
    EXPECT_EQ(timer.pass(), 400u);
    fake_now = 1000;
    EXPECT_EQ(timer.pass(), 1000u);
    EXPECT_EQ(log, "a1000 ");

    // Replacing restarts the due time from now.
    fake_now = 1200;
    timer.add(
        handle, [&] { log += "b" + std::to_string(fake_now) + " "; }, 1000, 0, true);
    fake_now = 2000;
    EXPECT_EQ(timer.pass(), 200u);
    fake_now = 2200;
    timer.pass();
    EXPECT_EQ(log, "a1000 b2200 ");
}

TEST(base_timer, refused_registrations_leave_the_handle_unregistered) {
    manual_timer timer(0);
    timer_handle empty_callback;
    timer.add(empty_callback, boost::function<void()>(), 100);
    EXPECT_EQ(empty_callback.timer(), nullptr);
    EXPECT_EQ(timer.wakes, 0);

    timer.stop_accepting();
    timer_handle late;
    timer.add(
        late, [] {}, 100);
    EXPECT_EQ(late.timer(), nullptr);
    EXPECT_FALSE(timer.remove(late, true));
}

TEST(base_timer, once_entry_clears_its_handle_when_it_starts) {
    manual_timer timer(0);
    timer_handle handle;
    base_timer* seen_by_callback = &timer;
    int runs = 0;
    timer.add(
        handle,
        [&] {
            ++runs;
            seen_by_callback = handle.timer();
        },
        100, base_timer::flag_once);
    fake_now = 100;
    EXPECT_EQ(timer.pass(), base_timer::no_limit);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(seen_by_callback, nullptr);
    EXPECT_FALSE(handle.remove(true));
    fake_now = 100000;
    timer.pass();
    EXPECT_EQ(runs, 1);

    // The handle can be registered again, from inside its own callback too.
    timer.add(
        handle,
        [&] {
            ++runs;
            timer.add(
                handle, [&] { ++runs; }, 10, base_timer::flag_once);
        },
        10, base_timer::flag_once);
    fake_now += 10;
    const int wakes = timer.wakes;
    timer.pass();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(timer.wakes, wakes + 1);
    EXPECT_EQ(handle.timer(), &timer);
    // The pass that the registration asked for.
    EXPECT_EQ(timer.pass(), 10u);
    fake_now += 10;
    timer.pass();
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(handle.timer(), nullptr);
}

} // namespace
