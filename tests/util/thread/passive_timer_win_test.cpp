// Timers with their own threads: waiting, removing, syncing, many events, stopping.
#include "thread_test_util_win.h"

#include "util/thread/timer_win.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

// Shows the registrations of sync() that wait for a pass to begin.
class peek_timer : public passive_timer {
public:
    using passive_timer::passive_timer;
    std::size_t sync_waiters() {
        lock_guard guard(lock);
        return pass_begin_waiters.size();
    }
};

// A timer whose thread could not be started: it accepts entries but never runs them.
class threadless_timer : public passive_timer {
public:
    threadless_timer() : passive_timer("threadless") {
        stop(test_limit_ms);
        accepting = true;
    }
};

TEST(passive_timer, sync_waits_for_a_whole_pass_that_began_after_the_call) {
    event a_started;
    event a_gate;
    event b_trigger;
    event sync_returned;
    std::atomic<bool> b_done{false};
    std::atomic<bool> b_saw_sync_return{false};
    peek_timer timer("sync");
    timer_handle a;
    timer_handle b;
    timer.add(
        a,
        [&] {
            a_started.set();
            a_gate.wait();
        },
        1, base_timer::flag_once);
    ASSERT_TRUE(a_started.wait_for(test_limit_ms));

    // sync() registers while a callback of the current pass runs.
    side_thread syncer([&] {
        timer.sync();
        sync_returned.set();
    });
    ASSERT_TRUE(poll_until([&] { return timer.sync_waiters() == 1; }));
    timer.add(
        b,
        [&] {
            b_saw_sync_return = sync_returned.wait_for(1500);
            b_done = true;
        },
        b_trigger, base_timer::flag_once);
    b_trigger.set();
    a_gate.set();

    ASSERT_TRUE(syncer.finished_within(test_limit_ms));
    EXPECT_TRUE(b_done);
    EXPECT_FALSE(b_saw_sync_return);
}

TEST(passive_timer, remove_waits_for_the_running_callback) {
    event started;
    event gate;
    std::atomic<bool> finished{false};
    passive_timer timer("remove-wait");
    timer_handle handle;
    timer.add(
        handle,
        [&] {
            started.set();
            gate.wait();
            finished = true;
        },
        1);
    ASSERT_TRUE(started.wait_for(test_limit_ms));

    std::atomic<bool> removed{false};
    std::atomic<bool> finished_when_removed{false};
    side_thread remover([&] {
        removed = timer.remove(handle, true);
        finished_when_removed = finished.load();
    });
    EXPECT_FALSE(remover.finished_within(300));
    gate.set();
    ASSERT_TRUE(remover.finished_within(test_limit_ms));
    EXPECT_TRUE(removed);
    EXPECT_TRUE(finished_when_removed);
    EXPECT_EQ(handle.timer(), nullptr);
}

TEST(passive_timer, callback_removing_its_own_entry_does_not_wait_for_itself) {
    event trigger;
    passive_timer timer("self-remove");
    timer_handle timed;
    timer_handle triggered;
    std::atomic<int> timed_runs{0};
    std::atomic<int> triggered_runs{0};
    std::atomic<bool> removed_timed{false};
    std::atomic<bool> removed_triggered{false};
    timer.add(
        timed,
        [&] {
            ++timed_runs;
            removed_timed = timed.remove(true);
        },
        5);
    timer.add(
        triggered,
        [&] {
            ++triggered_runs;
            removed_triggered = triggered.remove(true);
        },
        trigger);
    trigger.set();
    ASSERT_TRUE(poll_until([&] { return timed_runs == 1 && triggered_runs == 1; }));
    timer.sync();
    trigger.set();
    timer.sync();
    EXPECT_EQ(timed_runs, 1);
    EXPECT_EQ(triggered_runs, 1);
    EXPECT_TRUE(removed_timed);
    EXPECT_TRUE(removed_triggered);
    EXPECT_EQ(timed.timer(), nullptr);
    EXPECT_EQ(triggered.timer(), nullptr);
}

// The timer runs a copy of the callback, so a replacement cannot change the running one.
event probe_started;
event probe_gate;
std::atomic<int> probe_seen{0};
struct probe {
    int id;
    void operator()() const {
        probe_started.set();
        probe_gate.wait();
        probe_seen = id;
    }
};

TEST(passive_timer, replacing_a_running_callback_leaves_the_running_one_intact) {
    passive_timer timer("replace");
    timer_handle handle;
    timer.add(handle, probe{1}, 1);
    ASSERT_TRUE(probe_started.wait_for(test_limit_ms));
    timer.add(handle, probe{2}, 600000, 0, true);
    probe_gate.set();
    ASSERT_TRUE(poll_until([] { return probe_seen != 0; }));
    EXPECT_EQ(probe_seen, 1);
    EXPECT_TRUE(handle.remove(true));
}

TEST(passive_timer, throwing_callback_leaves_the_timer_running) {
    passive_timer timer("throw");
    timer_handle handle;
    std::atomic<int> runs{0};
    timer.add(
        handle,
        [&] {
            ++runs;
            throw std::runtime_error("callback failed");
        },
        1);
    ASSERT_TRUE(poll_until([&] { return runs >= 2; }));
    side_thread remover([&] { handle.remove(true); });
    EXPECT_TRUE(remover.finished_within(test_limit_ms));
    EXPECT_EQ(handle.timer(), nullptr);
}

TEST(passive_timer, more_than_64_event_triggered_entries_still_run) {
    const int count = 70;
    std::vector<std::unique_ptr<event>> triggers;
    for (int i = 0; i < count; ++i) triggers.push_back(std::make_unique<event>());
    std::vector<timer_handle> handles(count);
    std::vector<std::atomic<int>> runs(count);
    // Destroyed first: its entries stop watching the events before they go.
    passive_timer timer("many");
    for (int i = 0; i < count; ++i)
        timer.add(
            handles[i], [&runs, i] { ++runs[i]; }, *triggers[i]);
    triggers[0]->set();
    triggers[count - 1]->set();
    ASSERT_TRUE(poll_until([&] { return runs[0] == 1 && runs[count - 1] == 1; }));
    timer.sync();
    for (int i = 1; i < count - 1; ++i) EXPECT_EQ(runs[i], 0) << "entry " << i;
}

std::atomic<bool> loop_ended{false};
void note_loop_end() {
    loop_ended = true;
}

TEST(passive_timer, stop_ends_a_thread_whose_entry_is_always_behind) {
    passive_timer timer("behind");
    timer.on_end = &note_loop_end;
    timer_handle handle;
    std::atomic<int> runs{0};
    timer.add(
        handle,
        [&] {
            ++runs;
            Sleep(5);
        },
        1);
    ASSERT_TRUE(poll_until([&] { return runs >= 3; }));
    side_thread syncer([&] { timer.sync(); });
    EXPECT_TRUE(syncer.finished_within(test_limit_ms)) << "sync while the entry stays behind";
    // A thread that does not end in time would be terminated without leaving its loop.
    timer.stop(test_limit_ms);
    EXPECT_TRUE(loop_ended);
    EXPECT_FALSE(timer.accepts_entries());
    EXPECT_FALSE(timer.has_thread());
    EXPECT_FALSE(handle.remove(true));
    EXPECT_EQ(handle.timer(), nullptr);
}

TEST(passive_timer, without_a_thread_entries_wait_and_waits_return_at_once) {
    event trigger;
    threadless_timer timer;
    timer_handle timed;
    timer_handle triggered;
    std::atomic<int> runs{0};
    timer.add(
        timed, [&] { ++runs; }, 1);
    timer.add(
        triggered, [&] { ++runs; }, trigger);
    trigger.set();
    EXPECT_FALSE(timer.has_thread());
    EXPECT_EQ(timed.timer(), &timer);
    EXPECT_EQ(triggered.timer(), &timer);

    std::atomic<bool> removed_triggered{false};
    std::atomic<bool> removed_timed{false};
    side_thread waits([&] {
        timer.sync();
        removed_triggered = triggered.remove(true);
        removed_timed = timed.remove(true);
    });
    ASSERT_TRUE(waits.finished_within(test_limit_ms));
    EXPECT_TRUE(removed_triggered);
    EXPECT_TRUE(removed_timed);
    EXPECT_EQ(runs, 0);
}

TEST(passive_timer, trigger_event_above_4_gib) {
    void* memory =
        VirtualAlloc(nullptr, sizeof(event), MEM_COMMIT | MEM_RESERVE | MEM_TOP_DOWN, PAGE_READWRITE);
    ASSERT_NE(memory, nullptr);
    if (reinterpret_cast<std::uintptr_t>(memory) <= 0xFFFFFFFFu) {
        VirtualFree(memory, 0, MEM_RELEASE);
        GTEST_SKIP() << "no memory above 4 GiB here";
    }
    event* trigger = new (memory) event;
    std::atomic<int> runs{0};
    {
        passive_timer timer("high");
        timer_handle handle;
        timer.add(
            handle, [&] { ++runs; }, *trigger);
        trigger->set();
        EXPECT_TRUE(poll_until([&] { return runs == 1; }));
        trigger->set();
        EXPECT_TRUE(poll_until([&] { return runs == 2; }));
        EXPECT_TRUE(handle.remove(true));
    }
    trigger->~event();
    VirtualFree(memory, 0, MEM_RELEASE);
}

TEST(process_timers, slow_and_fast_run_callbacks_on_their_own_threads) {
    EXPECT_EQ(slow_timer.name(), "slow");
    EXPECT_EQ(fast_timer.name(), "fast");
    for (passive_timer* timer : {&slow_timer, &fast_timer}) {
        ASSERT_TRUE(timer->has_thread()) << timer->name();
        EXPECT_TRUE(timer->accepts_entries());
        timer_handle handle;
        std::atomic<DWORD> ran_on{0};
        timer->add(
            handle, [&] { ran_on = GetCurrentThreadId(); }, 1, base_timer::flag_once);
        ASSERT_TRUE(poll_until([&] { return ran_on != 0; })) << timer->name();
        EXPECT_EQ(ran_on, timer->thread_id());
        EXPECT_EQ(handle.timer(), nullptr);
        timer->sync();
    }
}

} // namespace
