// Timer services that run registered callbacks on a thread of their own.
#pragma once

#include "util/sys/critical_section.h"
#include "util/thread/event_win.h"
#include "util/thread/thread_obj_win.h"

#include <windows.h>

#include <boost/function.hpp>

#include <atomic>
#include <cstdint>
#include <list>
#include <string>
#include <utility>
#include <vector>

class base_timer;

// A client's registration token for one timer entry. Destroying a handle that is still
// registered removes its entry, waiting for a running callback.
class timer_handle {
public:
    timer_handle() = default;
    ~timer_handle();
    timer_handle(const timer_handle&) = delete;
    timer_handle& operator=(const timer_handle&) = delete;

    // Removes the entry from its timer; false when the handle is not registered.
    bool remove(bool wait);
    // The timer the handle is registered with, or null.
    base_timer* timer() const { return timer_.load(); }

private:
    friend class base_timer;
    // Written by the timer's thread when a once-entry starts to run.
    std::atomic<base_timer*> timer_{nullptr};
};

// One registration, owned by its timer and guarded by the timer's lock.
struct timer_entry {
    enum entry_mode : int {
        fixed_rate = 0, // next due time = previous due time + period
        once = 1,
        from_firing = 2, // next due time = firing time + period
        removing = 3,    // removed (or a once-entry started) while its callback runs
        dead = 4,        // freed by the next pass
    };

    std::uint64_t run_ms = 0;
    unsigned runs = 0;
    timer_handle* handle = nullptr;
    unsigned period = 0;
    // The event that triggers an event-triggered entry, null for a timed one.
    event_base* trigger = nullptr;
    // Milliseconds until due, counted from the start of the last pass.
    std::int64_t remaining = 0;
    boost::function<void()> callback;
    DWORD running_thread = 0;
    entry_mode mode = fixed_rate;
    bool event_triggered = false;
};

// The timer service without a thread: whoever drives it calls run_pass.
class base_timer {
public:
    // Flags of add().
    static constexpr unsigned flag_once = 0x1;
    static constexpr unsigned flag_from_firing = 0x2;
    static constexpr unsigned flag_event = 0x10;

    // Milliseconds since some fixed moment, wrapping at 2^32 like GetTickCount.
    using tick_source = std::uint32_t (*)();

    base_timer(const base_timer&) = delete;
    base_timer& operator=(const base_timer&) = delete;

    // Registers `callback` under `handle` to run `period_ms` after now: once (flag_once),
    // periodically at a fixed rate (no flag), or periodically counted from each firing
    // (flag_from_firing). A period of 0 counts as 1 ms. An active registration of the
    // handle is changed only when `replace` is true; its due time then restarts from now.
    // An empty callback, or a timer that no longer accepts entries, leaves the handle as
    // it was. A handle registered with another timer is first removed from it.
    void add(timer_handle& handle, const boost::function<void()>& callback, unsigned period_ms,
             unsigned flags = 0, bool replace = false);
    // Registers `callback` to run whenever `trigger` is signalled (the timer resets it
    // then); with flag_once only the first time. The event must outlive the entry: remove
    // it with `wait` before destroying the event.
    void add(timer_handle& handle, const boost::function<void()>& callback, event_base& trigger,
             unsigned flags = flag_event, bool replace = false);
    // Ends the handle's registration; true when there was one. With `wait`, a callback of
    // the entry that runs on another thread has finished when this returns (an event-
    // triggered entry is then no longer watched); a callback that removes its own entry
    // does not wait for itself. Once the timer accepts no more entries (its thread has
    // ended), the entry is only let go and the answer is false.
    bool remove(timer_handle& handle, bool wait);

    // Runs passes until something is not yet due; answers the milliseconds to wait, or
    // 0xFFFFFFFF for no limit. `handles` receives the events of event-triggered entries
    // to wait for. Called without the lock held.
    unsigned run_pass(std::vector<HANDLE>& handles);

    const std::string& name() const { return name_; }
    bool accepts_entries() const { return accepting; }

    static constexpr unsigned no_limit = 0xFFFFFFFF;

protected:
    // `ticks` replaces GetTickCount (for tests that drive passes with given tick values).
    explicit base_timer(const char* name, tick_source ticks = nullptr);
    virtual ~base_timer();

    // Told the wait chosen after a pass.
    virtual void on_wait(unsigned /*ms*/) {}
    virtual void on_pass_begin() {}
    virtual void on_pass_end() {}
    // After a pass has collected its due entries.
    virtual void on_due_taken() {}
    // Makes the driving thread start a pass soon.
    virtual void wake() = 0;
    // With the lock held, waits until a later pass has collected its due entries; returns
    // with the lock held again.
    virtual void wait_for_pass(lock_guard& guard) = 0;
    // True when the driving thread is asked to end: the catch-up loop of run_pass stops.
    virtual bool stopping() const { return false; }

    std::uint32_t now() const { return ticks_(); }

    tick_source ticks_;
    std::uint32_t last_tick;
    std::list<timer_entry> entries;
    event callback_done;
    DWORD running_thread = 0;
    critical_section lock;
    std::atomic<bool> accepting{false};
    std::string name_;
    // Called with true before each pass and false after it; a pass is skipped when it
    // answers false.
    boost::function<bool(bool)> pass_gate;

private:
    void register_entry(timer_handle& handle, const boost::function<void()>& callback, unsigned period_ms,
                        event_base* trigger, unsigned flags, bool replace);
    timer_entry* find_active(const timer_handle& handle);
    void forget(timer_handle& handle);
    unsigned collect_due(std::uint32_t elapsed, std::vector<timer_entry*>& due, std::vector<HANDLE>& handles);
    void run_due(const std::vector<timer_entry*>& due, lock_guard& guard);
};

// A timer service with a thread of its own that runs every callback.
class passive_timer : public base_timer, public thread_obj {
public:
    explicit passive_timer(const char* name);
    // Waits for a whole pass (sync), then stops the thread (terminated after 5 s).
    ~passive_timer() override;

    // Returns after the timer's thread has run a whole pass that began after the call;
    // at once when the timer has no thread or is stopping, or when called by a callback
    // of this timer.
    void sync();

protected:
    void run() override;
    void wake() override;
    void on_pass_begin() override;
    void on_pass_end() override;
    void on_due_taken() override;
    void wait_for_pass(lock_guard& guard) override;
    bool stopping() const override { return stop_requested; }

    event wake_event;
    std::vector<event_base*> due_waiters;
    // A sync() waits for the start of a pass (first) and then for the end of that same
    // pass (second): the end event is armed only when the pass begins.
    std::vector<std::pair<event_base*, event_base*>> pass_begin_waiters;
    std::vector<event_base*> pass_end_waiters;

private:
    void release_waiters();
};

// The process-wide timers, each with its own thread: "slow" carries the main window's
// repaint and the file trace's deferred flush; "fast" has no entries in this program.
extern passive_timer slow_timer;
extern passive_timer fast_timer;
