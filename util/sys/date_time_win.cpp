#include "util/sys/date_time.h"

#include <windows.h>

namespace {

std::uint32_t seconds_of(const SYSTEMTIME& time) {
    return seconds_since_1970(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
}

} // namespace

std::uint32_t now_seconds(bool utc) {
    SYSTEMTIME time;
    if (utc)
        GetSystemTime(&time);
    else
        GetLocalTime(&time);
    return seconds_of(time);
}

packed_time packed_local_time() {
    SYSTEMTIME time;
    GetLocalTime(&time);
    return make_packed_time(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                            time.wMilliseconds);
}
