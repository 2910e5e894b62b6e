#include "util/sys/date_time.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <ctime>

namespace {

TEST(now_seconds, utc_agrees_with_the_runtime_clock) {
    const std::time_t before = std::time(nullptr);
    const std::uint32_t now = now_seconds(true);
    const std::time_t after = std::time(nullptr);
    EXPECT_GE(static_cast<std::time_t>(now), before);
    EXPECT_LE(static_cast<std::time_t>(now), after);
}

TEST(now_seconds, local_differs_from_utc_by_the_zone_offset) {
    const std::int64_t utc = now_seconds(true);
    const std::int64_t local = now_seconds(false);
    TIME_ZONE_INFORMATION zone;
    const DWORD mode = GetTimeZoneInformation(&zone);
    std::int64_t bias_minutes = zone.Bias;
    if (mode == TIME_ZONE_ID_DAYLIGHT)
        bias_minutes += zone.DaylightBias;
    else if (mode == TIME_ZONE_ID_STANDARD)
        bias_minutes += zone.StandardBias;
    EXPECT_NEAR(static_cast<double>(local - utc), static_cast<double>(-bias_minutes * 60), 2.0);
}

TEST(packed_local_time, holds_the_local_time) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    const packed_time packed = packed_local_time();
    SYSTEMTIME after;
    GetLocalTime(&after);
    const packed_time first = make_packed_time(before.wYear, before.wMonth, before.wDay, before.wHour,
                                               before.wMinute, before.wSecond, before.wMilliseconds);
    const packed_time last = make_packed_time(after.wYear, after.wMonth, after.wDay, after.wHour,
                                              after.wMinute, after.wSecond, after.wMilliseconds);
    EXPECT_LE(first.value(), packed.value());
    EXPECT_LE(packed.value(), last.value());
    EXPECT_EQ(packed.low & 0xFFFFu, 0u);
    EXPECT_LT(packed.milliseconds(), 1000u);
}

} // namespace
