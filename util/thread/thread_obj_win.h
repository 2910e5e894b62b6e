// thread_obj: a thread of its own that runs one virtual function.
#pragma once

#include "util/sys/handle_owner_win.h"
#include "util/thread/event_win.h"

#include <windows.h>

#include <atomic>

// The thread is started by start() and ended by stop(). A derived class must stop its
// thread in its own destructor: once that has run, the thread would run a destroyed run().
class thread_obj {
public:
    thread_obj(const thread_obj&) = delete;
    thread_obj& operator=(const thread_obj&) = delete;

    // Runs the thread, returning once it has started; does nothing while one exists.
    // When the system refuses a thread, none exists afterwards.
    void start();
    // Asks run() to return and waits up to `timeout_ms` for it; a thread that has not
    // ended by then is terminated.
    void stop(unsigned timeout_ms);
    bool has_thread() const { return static_cast<bool>(thread); }
    DWORD thread_id() const { return id; }

    // Called on the thread before and after run(), when set.
    void (*on_start)() = nullptr;
    void (*on_end)() = nullptr;

protected:
    thread_obj() = default;
    virtual ~thread_obj();

    // The body of the thread; it should return soon after stop_requested becomes true.
    virtual void run() = 0;
    // Called by stop() so that a waiting run() notices the request.
    virtual void wake() {}

    event started;
    owned_handle thread;
    DWORD id = 0;
    std::atomic<bool> stop_requested{false};

private:
    static DWORD WINAPI entry(void* self);
};
