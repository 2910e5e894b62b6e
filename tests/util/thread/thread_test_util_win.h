// Helpers of the thread and timer tests: a side thread with a time limit, a fake clock.
#pragma once

#include "tests/poll_until_win.h"
#include "util/thread/timer_win.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>

// Runs `body` on a thread of its own, so that a call that might never return can be
// given a time limit. A thread still running when the object goes is terminated.
class side_thread {
public:
    explicit side_thread(std::function<void()> body) : body_(std::move(body)) {
        handle_ = CreateThread(nullptr, 0, &side_thread::entry, this, 0, nullptr);
    }
    ~side_thread() {
        if (!handle_) return;
        if (!finished_within(test_limit_ms)) TerminateThread(handle_, 1);
        CloseHandle(handle_);
    }
    side_thread(const side_thread&) = delete;
    side_thread& operator=(const side_thread&) = delete;

    bool finished_within(unsigned ms) { return handle_ && WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0; }

private:
    static DWORD WINAPI entry(void* self) {
        static_cast<side_thread*>(self)->body_();
        return 0;
    }

    std::function<void()> body_;
    HANDLE handle_ = nullptr;
};

// The clock of the tests that drive passes with given tick values.
inline std::atomic<std::uint32_t> fake_now{0};
inline std::uint32_t fake_ticks() {
    return fake_now;
}

// A timer without a thread: the test runs the passes, at the tick values it sets.
class manual_timer : public base_timer {
public:
    explicit manual_timer(std::uint32_t start) : base_timer("manual", (fake_now = start, &fake_ticks)) {
        accepting = true;
    }

    unsigned pass() {
        std::vector<HANDLE> handles;
        return run_pass(handles);
    }
    // How far ahead (positive) or behind (negative) the handle's entry is due, counted
    // from the start of the last pass.
    std::int64_t remaining(const timer_handle& handle) {
        lock_guard guard(lock);
        for (const timer_entry& entry : entries)
            if (entry.handle == &handle && entry.mode != timer_entry::dead) return entry.remaining;
        return 0;
    }
    void stop_accepting() { accepting = false; }

    int wakes = 0;

protected:
    void wake() override { ++wakes; }
    void wait_for_pass(lock_guard&) override {}
};
