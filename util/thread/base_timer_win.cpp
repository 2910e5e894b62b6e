#include "util/thread/timer_win.h"

#include <algorithm>

namespace {

std::uint32_t system_ticks() {
    return GetTickCount();
}

// A fixed-rate entry that falls further behind than this many periods drops the runs it
// missed, so that a slow callback is not followed by an endless burst of catch-up runs.
const std::int64_t catch_up_periods = 3;
// From an hour on, every missed run of a period still happens.
const unsigned uncapped_period_ms = 3600000;

} // namespace

timer_handle::~timer_handle() {
    remove(true);
}

bool timer_handle::remove(bool wait) {
    base_timer* timer = timer_.load();
    return timer ? timer->remove(*this, wait) : false;
}

base_timer::base_timer(const char* name, tick_source ticks)
    : ticks_(ticks ? ticks : &system_ticks), last_tick(ticks_()), name_(name ? name : ""),
      pass_gate([](bool) { return true; }) {}

base_timer::~base_timer() {
    lock_guard guard(lock);
    // Handles of live entries would otherwise keep pointing at a destroyed timer; the
    // handles of removed entries may be gone already and are not touched.
    for (timer_entry& entry : entries)
        if (entry.mode <= timer_entry::from_firing) forget(*entry.handle);
    entries.clear();
    accepting = false;
}

void base_timer::add(timer_handle& handle, const boost::function<void()>& callback, unsigned period_ms,
                     unsigned flags, bool replace) {
    // A period of 0 would keep a periodic entry due for ever.
    register_entry(handle, callback, period_ms ? period_ms : 1, nullptr, flags & ~flag_event, replace);
}

void base_timer::add(timer_handle& handle, const boost::function<void()>& callback, event_base& trigger,
                     unsigned flags, bool replace) {
    register_entry(handle, callback, 0, &trigger, flags | flag_event, replace);
}

void base_timer::register_entry(timer_handle& handle, const boost::function<void()>& callback,
                                unsigned period_ms, event_base* trigger, unsigned flags, bool replace) {
    if (!accepting || callback.empty()) return;
    // A handle belongs to one timer at a time.
    base_timer* other = handle.timer();
    if (other && other != this) other->remove(handle, false);
    lock_guard guard(lock);
    timer_entry* entry = find_active(handle);
    if (entry && entry->mode != timer_entry::removing && !replace) return;
    // Copied before anything changes, so that running out of memory leaves all as it was.
    boost::function<void()> copy(callback);
    if (!entry) {
        entries.emplace_back();
        entry = &entries.back();
        entry->handle = &handle;
    }
    entry->period = period_ms;
    entry->trigger = trigger;
    entry->mode = (flags & flag_once)          ? timer_entry::once
                  : (flags & flag_from_firing) ? timer_entry::from_firing
                                               : timer_entry::fixed_rate;
    entry->event_triggered = trigger != nullptr;
    // Due `period_ms` after now; `remaining` counts from the start of the last pass.
    entry->remaining = static_cast<std::int64_t>(static_cast<std::uint32_t>(now() - last_tick)) + period_ms;
    entry->runs = 0;
    entry->run_ms = 0;
    // A running callback is a copy (see run_due), so the entry's own may change under it.
    entry->callback.swap(copy);
    handle.timer_ = this;
    wake();
}

bool base_timer::remove(timer_handle& handle, bool wait) {
    if (!accepting) {
        // Nothing runs any more, but the entry must not keep pointing at a handle that
        // may be destroyed now (the timer's destructor clears the handles of its entries).
        lock_guard guard(lock);
        if (timer_entry* entry = find_active(handle)) {
            entry->mode = timer_entry::dead;
            entry->handle = nullptr;
        }
        forget(handle);
        return false;
    }
    lock_guard guard(lock);
    timer_entry* entry = find_active(handle);
    if (entry) {
        entry->mode = entry->running_thread ? timer_entry::removing : timer_entry::dead;
        const DWORD self = GetCurrentThreadId();
        if (wait && entry->event_triggered) {
            // The driving thread may still watch the event: wait until a pass has left it out.
            if (entry->running_thread != self && running_thread != self) wait_for_pass(guard);
        } else if (wait && entry->running_thread && entry->running_thread != self) {
            // Only one callback runs at a time, so the next one to finish is this entry's.
            callback_done.reset();
            guard.release();
            callback_done.wait();
            guard.retake();
        }
    }
    forget(handle);
    return entry != nullptr;
}

timer_entry* base_timer::find_active(const timer_handle& handle) {
    for (timer_entry& entry : entries)
        if (entry.handle == &handle && entry.mode != timer_entry::dead) return &entry;
    return nullptr;
}

void base_timer::forget(timer_handle& handle) {
    // A handle registered with another timer meanwhile stays registered there.
    base_timer* self = this;
    handle.timer_.compare_exchange_strong(self, nullptr);
}

unsigned base_timer::run_pass(std::vector<HANDLE>& handles) {
    lock_guard guard(lock);
    std::vector<timer_entry*> due;
    unsigned next_wait = no_limit;
    do {
        const std::uint32_t tick = now();
        // Tick counts wrap after 49.7 days: the difference modulo 2^32 is still right.
        const std::uint32_t elapsed = tick - last_tick;
        last_tick = tick;
        on_pass_begin();
        handles.clear();
        due.clear();
        next_wait = collect_due(elapsed, due, handles);
        on_due_taken();
        run_due(due, guard);
        // Each round of the catch-up loop is a whole pass: an entry that stays behind
        // must not keep a sync() waiting for ever.
        on_pass_end();
        if (next_wait != no_limit) {
            const std::uint32_t pass_ms = now() - last_tick;
            next_wait = pass_ms < next_wait ? next_wait - pass_ms : 0;
        }
        // A thread asked to stop leaves even when entries are behind.
    } while (next_wait == 0 && !stopping());
    if (next_wait != no_limit) on_wait(next_wait);
    return next_wait;
}

unsigned base_timer::collect_due(std::uint32_t elapsed, std::vector<timer_entry*>& due,
                                 std::vector<HANDLE>& handles) {
    unsigned next_wait = no_limit;
    for (auto it = entries.begin(); it != entries.end();) {
        timer_entry& entry = *it;
        if (entry.mode == timer_entry::dead) {
            it = entries.erase(it);
            continue;
        }
        ++it;
        if (entry.mode == timer_entry::removing) continue;
        if (entry.event_triggered) {
            const bool fired = entry.trigger->wait_for(0);
            if (fired) {
                due.push_back(&entry);
                entry.trigger->reset();
            }
            if (!fired || entry.mode != timer_entry::once) handles.push_back(entry.trigger->handle());
            continue;
        }
        entry.remaining -= elapsed;
        if (entry.remaining <= 0) {
            due.push_back(&entry);
            if (entry.mode == timer_entry::once) continue;
            if (entry.mode == timer_entry::from_firing)
                entry.remaining = entry.period;
            else
                entry.remaining += entry.period;
            if (entry.remaining <= 0) {
                // Behind by more than a period: run again at once, but let at most a few
                // periods of backlog pile up.
                next_wait = 0;
                const std::int64_t cap = -catch_up_periods * static_cast<std::int64_t>(entry.period);
                if (entry.remaining < cap && entry.period < uncapped_period_ms) entry.remaining = cap;
            }
        }
        // The wait stays below no_limit, or an entry due in 2^32 - 1 ms would never be woken for.
        if (entry.remaining > 0)
            next_wait = static_cast<unsigned>(std::min<std::uint64_t>(
                {next_wait, static_cast<std::uint64_t>(entry.remaining), no_limit - 1u}));
    }
    return next_wait;
}

void base_timer::run_due(const std::vector<timer_entry*>& due, lock_guard& guard) {
    const DWORD self = GetCurrentThreadId();
    for (timer_entry* entry : due) {
        if (entry->mode == timer_entry::dead) continue;
        boost::function<void()> callback;
        try {
            callback = entry->callback;
        } catch (...) {
            continue; // out of memory: the entry stays as it was and is due again
        }
        if (entry->mode == timer_entry::once) {
            entry->mode = timer_entry::removing;
            forget(*entry->handle);
        }
        entry->running_thread = self;
        running_thread = self;
        guard.release();
        const std::uint32_t start = now();
        // A failing callback must not end the timer's thread nor leave the entry marked
        // as running, which would make remove() wait for ever.
        try {
            callback();
        } catch (...) {}
        const std::uint32_t took = now() - start;
        callback.clear();
        guard.retake();
        ++entry->runs;
        entry->run_ms += took;
        entry->running_thread = 0;
        running_thread = 0;
        if (entry->mode == timer_entry::removing) entry->mode = timer_entry::dead;
        callback_done.set();
    }
}
