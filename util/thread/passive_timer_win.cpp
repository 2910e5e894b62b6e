#include "util/thread/timer_win.h"

#include <algorithm>

namespace {

// A callback that hangs at exit must not keep the process alive for good.
const unsigned stop_timeout_ms = 5000;

template <class T>
void erase_value(std::vector<T>& list, const T& value) {
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

} // namespace

passive_timer::passive_timer(const char* name) : base_timer(name) {
    start();
    // Also without a thread: entries are then accepted but never run.
    accepting = true;
}

passive_timer::~passive_timer() {
    sync();
    stop(stop_timeout_ms);
}

void passive_timer::run() {
    accepting = true;
    unsigned wait_ms = no_limit;
    std::vector<HANDLE> handles;
    while (!stop_requested) {
        handles.push_back(wake_event.handle());
        if (!wake_event.wait_for(0)) wait_any(handles, wait_ms, false);
        // A wake that comes after this reset is seen by the pass below: it is set with
        // the lock held, and the pass takes the lock.
        wake_event.reset();
        if (pass_gate(true)) {
            wait_ms = run_pass(handles);
            pass_gate(false);
        } else {
            wait_ms = 1;
            handles.clear();
        }
    }
    lock_guard guard(lock);
    release_waiters();
    accepting = false;
}

void passive_timer::wake() {
    wake_event.set();
}

void passive_timer::on_pass_begin() {
    for (const auto& waiter : pass_begin_waiters) {
        waiter.first->set();
        pass_end_waiters.push_back(waiter.second);
    }
    pass_begin_waiters.clear();
}

void passive_timer::on_pass_end() {
    for (event_base* waiter : pass_end_waiters) waiter->set();
    pass_end_waiters.clear();
}

void passive_timer::on_due_taken() {
    for (event_base* waiter : due_waiters) waiter->set();
}

void passive_timer::release_waiters() {
    for (event_base* waiter : due_waiters) waiter->set();
    for (const auto& waiter : pass_begin_waiters) {
        waiter.first->set();
        waiter.second->set();
    }
    pass_begin_waiters.clear();
    on_pass_end();
}

void passive_timer::wait_for_pass(lock_guard& guard) {
    // Without a running thread no pass will come; the thread itself would wait for itself.
    if (!thread || !accepting || GetCurrentThreadId() == id) return;
    event taken;
    due_waiters.push_back(&taken);
    wake();
    guard.release();
    taken.wait();
    guard.retake();
    erase_value(due_waiters, static_cast<event_base*>(&taken));
}

void passive_timer::sync() {
    if (stop_requested || !thread || GetCurrentThreadId() == id) return;
    event begun;
    event ended;
    lock_guard guard(lock);
    // The thread has left its loop already.
    if (!accepting) return;
    pass_begin_waiters.emplace_back(&begun, &ended);
    wake();
    guard.release();
    begun.wait();
    ended.wait();
    guard.retake();
    erase_value(pass_begin_waiters,
                std::make_pair(static_cast<event_base*>(&begun), static_cast<event_base*>(&ended)));
    erase_value(pass_end_waiters, static_cast<event_base*>(&ended));
}
