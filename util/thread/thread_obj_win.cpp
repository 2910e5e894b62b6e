#include "util/thread/thread_obj_win.h"

#include <utility>

namespace {

// The timer threads carry small callbacks only.
const SIZE_T thread_stack_size = 0x20000;

} // namespace

thread_obj::~thread_obj() = default;

void thread_obj::start() {
    if (thread) return;
    DWORD new_id = 0;
    owned_handle created(
        CreateThread(nullptr, thread_stack_size, &thread_obj::entry, this, CREATE_SUSPENDED, &new_id));
    if (!created) return;
    if (ResumeThread(created.get()) == static_cast<DWORD>(-1)) {
        // The suspended thread would otherwise stay in the process for good.
        TerminateThread(created.get(), 0);
        return;
    }
    thread = std::move(created);
    id = new_id;
    started.wait();
}

void thread_obj::stop(unsigned timeout_ms) {
    if (!thread) return;
    stop_requested = true;
    wake();
    if (WaitForSingleObject(thread.get(), timeout_ms) != WAIT_OBJECT_0) TerminateThread(thread.get(), 0);
    thread.reset();
    id = 0;
}

DWORD WINAPI thread_obj::entry(void* self) {
    thread_obj& object = *static_cast<thread_obj*>(self);
    object.started.set();
    if (object.stop_requested) return 0;
    // Nothing may leave a thread entry by an exception: it would end the process.
    try {
        if (object.on_start) object.on_start();
        object.run();
        if (object.on_end) object.on_end();
    } catch (...) {
        return 1;
    }
    return 0;
}
