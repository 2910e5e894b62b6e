// The local clock of this machine, for the mapping of Echoprobe's time stamps.
#include "app/store/sample_clock.h"

#include <windows.h>

std::int64_t local_ms_now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    local_moment moment;
    moment.year = now.wYear;
    moment.month = now.wMonth;
    moment.day = now.wDay;
    moment.hour = now.wHour;
    moment.minute = now.wMinute;
    moment.second = now.wSecond;
    moment.millisecond = now.wMilliseconds;
    return local_ms_of(moment);
}

sample_clock sample_clock_now(double newest_time, std::uint32_t arrival_tick) {
    const std::uint32_t since_arrival = static_cast<std::uint32_t>(GetTickCount()) - arrival_tick;
    sample_clock clock;
    clock.newest_time = newest_time;
    clock.newest_local_ms = local_ms_now() - since_arrival;
    return clock;
}
