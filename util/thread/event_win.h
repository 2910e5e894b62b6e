// Waitable events and a wait over many handles.
#pragma once

#include "util/sys/handle_owner_win.h"

#include <windows.h>

#include <vector>

// A waitable event behind an interface, so that timers can watch events they do not own.
class event_base {
public:
    virtual void set() = 0;
    virtual void reset() = 0;
    // True when the event is signalled within `ms` milliseconds.
    virtual bool wait_for(unsigned ms) = 0;
    virtual void wait() = 0;
    virtual HANDLE handle() = 0;

protected:
    event_base() = default;
    ~event_base() = default;
};

// Owns one manual-reset Windows event, created not signalled. When creation fails the
// handle is null and every wait fails at once (wait_for answers false).
class event final : public event_base {
public:
    explicit event(const wchar_t* name = nullptr, SECURITY_ATTRIBUTES* attributes = nullptr);
    event(const event&) = delete;
    event& operator=(const event&) = delete;

    void set() override;
    void reset() override;
    bool wait_for(unsigned ms) override;
    void wait() override;
    HANDLE handle() override { return handle_.get(); }

private:
    owned_handle handle_;
};

// Waits for one (or, with `wait_all`, every) handle; answers the index of the signalled
// handle, or -1 on time-out, failure or an abandoned handle. The system cannot wait for
// more than MAXIMUM_WAIT_OBJECTS handles: such a call reports it once per process to
// the debug channel, sleeps for the smaller of `timeout_ms` and 100 ms and answers -1,
// so that a caller that polls afterwards still sees its handles, only later.
int wait_any(const std::vector<HANDLE>& handles, unsigned timeout_ms, bool wait_all);
