// Echoprobe's time stamps read as local times of day, and the calendar under them.
#include "app/store/sample_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

local_moment moment(int year, int month, int day, int hour, int minute, int second, int ms) {
    local_moment m;
    m.year = year;
    m.month = month;
    m.day = day;
    m.hour = hour;
    m.minute = minute;
    m.second = second;
    m.millisecond = ms;
    return m;
}

std::string full_text(std::int64_t local_ms) {
    const local_moment m = local_moment_of(local_ms);
    return date_text(m) + " " + time_of_day_text(m, true);
}

TEST(sample_clock, calendar_round_trips_across_leap_days_centuries_and_both_ends) {
    EXPECT_EQ(local_ms_of(moment(1601, 1, 1, 0, 0, 0, 0)), 0);
    EXPECT_EQ(full_text(0), "1601-01-01 00:00:00.000");
    EXPECT_EQ(full_text(local_ms_max), "9999-12-31 23:59:59.999");
    for (const local_moment& m : {moment(2024, 2, 29, 23, 59, 59, 999), moment(2000, 2, 29, 12, 0, 0, 1),
                                  moment(1900, 3, 1, 0, 0, 0, 0), moment(2026, 12, 31, 7, 8, 9, 10),
                                  moment(2027, 1, 1, 0, 0, 0, 0)}) {
        const local_moment back = local_moment_of(local_ms_of(m));
        EXPECT_EQ(date_text(back) + " " + time_of_day_text(back, true),
                  date_text(m) + " " + time_of_day_text(m, true));
    }
    // 1900 is no leap year: the day after 28 February is 1 March.
    EXPECT_EQ(local_ms_of(moment(1900, 3, 1, 0, 0, 0, 0)) - local_ms_of(moment(1900, 2, 28, 0, 0, 0, 0)),
              86400000);
    EXPECT_EQ(time_of_day_text(moment(2026, 1, 2, 3, 4, 5, 67), false), "03:04:05");
    // Outside the calendar: clamped to its ends.
    EXPECT_EQ(full_text(-5), "1601-01-01 00:00:00.000");
    EXPECT_EQ(full_text(std::numeric_limits<std::int64_t>::max()), "9999-12-31 23:59:59.999");
}

TEST(sample_clock, maps_each_time_by_its_difference_from_the_newest) {
    sample_clock clock;
    clock.newest_time = 5000.25; // Echoprobe's own origin
    clock.newest_local_ms = local_ms_of(moment(2026, 12, 9, 0, 0, 1, 500));
    EXPECT_EQ(full_text(clock.local_ms(5000.25)), "2026-12-09 00:00:01.500");
    // 1.5006 s earlier rounds to the millisecond, across midnight into the day before.
    EXPECT_EQ(full_text(clock.local_ms(4998.7494)), "2026-12-08 23:59:59.999");
    EXPECT_EQ(full_text(clock.local_ms(5000.25 - 7 * 86400.0)), "2026-12-02 00:00:01.500");
    // Negative time stamps are ordinary times of Echoprobe's clock.
    clock.newest_time = -10.0;
    EXPECT_EQ(full_text(clock.local_ms(-12.5)), "2026-12-08 23:59:59.000");
    // Hostile values end at the calendar's ends, never in an overflow.
    EXPECT_EQ(clock.local_ms(1e300), local_ms_max);
    EXPECT_EQ(clock.local_ms(-1e300), 0);
    EXPECT_EQ(clock.local_ms(std::nan("")), 0);
    EXPECT_EQ(clock.local_ms(std::numeric_limits<double>::infinity()), local_ms_max);
}

} // namespace
