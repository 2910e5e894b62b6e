// Events, the wait over many handles with its one-time warning, and thread objects.
#include "thread_test_util_win.h"

#include "util/thread/event_win.h"
#include "util/thread/thread_obj_win.h"
#include "util/trace/trace_channel_win.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Collects what reaches the debug channel from the start of the process on, whichever
// test makes the first oversized wait.
class capture_sink : public trace_base {
public:
    capture_sink() { debug_channel.add_sink(this); }
    void write(const char* text, bool) override {
        lock_guard guard(lock_);
        text_ += text;
    }
    int count(const std::string& line) {
        lock_guard guard(lock_);
        int n = 0;
        for (std::size_t at = text_.find(line); at != std::string::npos; at = text_.find(line, at + 1)) ++n;
        return n;
    }

private:
    critical_section lock_;
    std::string text_;
};
capture_sink debug_capture;

TEST(event, manual_reset_set_wait_reset) {
    event e;
    ASSERT_NE(e.handle(), nullptr);
    EXPECT_FALSE(e.wait_for(0));
    e.set();
    EXPECT_TRUE(e.wait_for(0));
    EXPECT_TRUE(e.wait_for(0)) << "stays signalled until reset";
    e.wait();
    e.reset();
    EXPECT_FALSE(e.wait_for(10));
}

TEST(event, failed_creation_leaves_a_null_handle_whose_waits_fail) {
    // A name already taken by an object of another kind cannot name an event.
    const wchar_t name[] = L"echoview-tests-event-name-clash";
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
    ASSERT_NE(mutex, nullptr);
    {
        event e(name);
        EXPECT_EQ(e.handle(), nullptr);
        e.set();
        EXPECT_FALSE(e.wait_for(0));
        e.wait();
    }
    CloseHandle(mutex);
}

TEST(wait_any, answers_the_signalled_index_or_minus_one) {
    std::vector<std::unique_ptr<event>> events;
    std::vector<HANDLE> handles;
    for (int i = 0; i < MAXIMUM_WAIT_OBJECTS; ++i) {
        events.push_back(std::make_unique<event>());
        handles.push_back(events.back()->handle());
    }
    EXPECT_EQ(wait_any(handles, 0, false), -1);
    events[63]->set();
    EXPECT_EQ(wait_any(handles, test_limit_ms, false), 63);
    events[7]->set();
    EXPECT_EQ(wait_any(handles, 0, false), 7);
    EXPECT_EQ(wait_any(handles, 0, true), -1);
    for (auto& e : events) e->set();
    EXPECT_EQ(wait_any(handles, 0, true), 0);
    EXPECT_EQ(wait_any({}, 0, false), -1);
}

TEST(wait_any, more_than_64_handles_time_out_with_one_warning) {
    std::vector<std::unique_ptr<event>> events;
    std::vector<HANDLE> handles;
    for (int i = 0; i < 70; ++i) {
        events.push_back(std::make_unique<event>());
        events.back()->set();
        handles.push_back(events.back()->handle());
    }
    EXPECT_EQ(wait_any(handles, 0, false), -1);
    handles.pop_back();
    EXPECT_EQ(wait_any(handles, 1, false), -1);
    // The timer test with 70 entries may have waited first, while its entries were still
    // being added: its wait then held anything from 65 to 71 handles.
    int warnings = 0;
    for (int count = MAXIMUM_WAIT_OBJECTS + 1; count <= 71; ++count)
        warnings +=
            debug_capture.count("waiting for " + std::to_string(count) + " objects; max allowed is 64!\n");
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(debug_capture.count("waiting for"), 1);
}

// A thread that waits for its wake-up and counts the hooks.
std::atomic<int> hooks_started{0};
std::atomic<int> hooks_ended{0};
void count_start() {
    ++hooks_started;
}
void count_end() {
    ++hooks_ended;
}

class waiting_thread : public thread_obj {
public:
    ~waiting_thread() override { stop(test_limit_ms); }
    std::atomic<DWORD> ran_on{0};
    event woken;

protected:
    void run() override {
        ran_on = GetCurrentThreadId();
        while (!stop_requested) woken.wait();
    }
    void wake() override { woken.set(); }
};

class deaf_thread : public thread_obj {
public:
    ~deaf_thread() override { stop(0); }

protected:
    void run() override {
        for (;;) Sleep(1000);
    }
};

TEST(thread_obj, start_runs_the_body_and_stop_wakes_it) {
    hooks_started = 0;
    hooks_ended = 0;
    waiting_thread thread;
    thread.on_start = &count_start;
    thread.on_end = &count_end;
    thread.start();
    ASSERT_TRUE(thread.has_thread());
    const DWORD id = thread.thread_id();
    ASSERT_TRUE(poll_until([&] { return thread.ran_on != 0; }));
    EXPECT_EQ(thread.ran_on, id);
    thread.start();
    EXPECT_EQ(thread.thread_id(), id) << "a second start keeps the running thread";
    thread.stop(test_limit_ms);
    EXPECT_FALSE(thread.has_thread());
    EXPECT_EQ(hooks_started, 1);
    EXPECT_EQ(hooks_ended, 1);
}

TEST(thread_obj, thread_that_ignores_stop_is_terminated) {
    deaf_thread thread;
    thread.start();
    ASSERT_TRUE(thread.has_thread());
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), OpenThread(SYNCHRONIZE, FALSE, thread.thread_id()),
                                GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS));
    thread.stop(50);
    EXPECT_FALSE(thread.has_thread());
    EXPECT_EQ(WaitForSingleObject(copy, test_limit_ms), WAIT_OBJECT_0);
    CloseHandle(copy);
}

} // namespace
