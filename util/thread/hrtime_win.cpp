#include "util/thread/hrtime.h"

#include "util/thread/thread_reports.h"

#include <windows.h>

#include <intrin.h>

namespace {

class system_platform final : public hrtime_platform {
public:
    bool perf_frequency(std::uint64_t& hz) override {
        LARGE_INTEGER frequency;
        if (!QueryPerformanceFrequency(&frequency)) return false;
        hz = static_cast<std::uint64_t>(frequency.QuadPart);
        return true;
    }
    std::uint64_t perf_counter() override {
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        return static_cast<std::uint64_t>(counter.QuadPart);
    }
    std::uint32_t tick_count() override { return GetTickCount(); }
    std::uint64_t tsc() override { return __rdtsc(); }
    void sleep_ms(unsigned ms) override { Sleep(ms); }
    int raise_priority() override {
        const HANDLE thread = GetCurrentThread();
        const int previous = GetThreadPriority(thread);
        SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
        return previous;
    }
    void restore_priority(int previous) override {
        if (previous != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(GetCurrentThread(), previous);
    }
    void trace(const char* line) override { report_thread_output(line); }
};

// Stateless and trivially destructible: usable at any time of start-up and exit.
system_platform system_platform_instance;

} // namespace

hrtime_platform& system_hrtime_platform() {
    return system_platform_instance;
}
