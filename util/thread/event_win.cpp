#include "util/thread/event_win.h"

#include "util/format/format.h"
#include "util/thread/thread_reports.h"

#include <algorithm>
#include <atomic>

event::event(const wchar_t* name, SECURITY_ATTRIBUTES* attributes)
    : handle_(CreateEventW(attributes, TRUE, FALSE, name)) {}

void event::set() {
    SetEvent(handle_.get());
}

void event::reset() {
    ResetEvent(handle_.get());
}

bool event::wait_for(unsigned ms) {
    return WaitForSingleObject(handle_.get(), ms) == WAIT_OBJECT_0;
}

void event::wait() {
    WaitForSingleObject(handle_.get(), INFINITE);
}

namespace {

std::atomic<bool> too_many_reported{false};

} // namespace

int wait_any(const std::vector<HANDLE>& handles, unsigned timeout_ms, bool wait_all) {
    const std::size_t count = handles.size();
    if (count > MAXIMUM_WAIT_OBJECTS) {
        if (!too_many_reported.exchange(true)) {
            const std::string message = (basic_format<char>("waiting for %? objects; max allowed is %?!\n")
                                         << count << MAXIMUM_WAIT_OBJECTS)
                                            .str();
            report_thread_debug(message.c_str());
        }
        Sleep(std::min(timeout_ms, 100u));
        return -1;
    }
    const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(count), handles.data(),
                                                wait_all ? TRUE : FALSE, timeout_ms);
    // WAIT_OBJECT_0 is 0: any result below the count names a handle.
    if (result < WAIT_OBJECT_0 + count) return static_cast<int>(result - WAIT_OBJECT_0);
    return -1;
}
