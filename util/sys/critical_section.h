// Critical section and its scoped guard: the lock shared by the threads of the program.
#pragma once

#ifndef _WIN32
#include <mutex>
#endif

// A recursive lock. On Windows it is a real CRITICAL_SECTION, kept in opaque
// storage so that this header does not drag <windows.h> into platform-free code;
// elsewhere (the host build of the platform-free parts) a recursive mutex.
class critical_section {
public:
    critical_section();
    ~critical_section();
    critical_section(const critical_section&) = delete;
    critical_section& operator=(const critical_section&) = delete;

    void enter();
    void leave();

private:
#ifdef _WIN32
    // Large enough for CRITICAL_SECTION on 32- and 64-bit Windows (checked where it is used).
    alignas(void*) unsigned char os_section_[48];
#else
    std::recursive_mutex mutex_;
#endif
};

// Holds a critical_section from construction to destruction. A holder that must
// wait for another thread can release the lock and take it again in between.
class lock_guard {
public:
    explicit lock_guard(critical_section& section) : section_(section) { section_.enter(); }
    ~lock_guard() {
        if (held_) section_.leave();
    }
    lock_guard(const lock_guard&) = delete;
    lock_guard& operator=(const lock_guard&) = delete;

    void release() {
        if (held_) {
            held_ = false;
            section_.leave();
        }
    }
    void retake() {
        if (!held_) {
            section_.enter();
            held_ = true;
        }
    }
    bool held() const { return held_; }

private:
    critical_section& section_;
    bool held_ = true;
};

#ifndef _WIN32
inline critical_section::critical_section() = default;
inline critical_section::~critical_section() = default;
inline void critical_section::enter() {
    mutex_.lock();
}
inline void critical_section::leave() {
    mutex_.unlock();
}
#endif
