#include "util/sys/date_time.h"

#include <gtest/gtest.h>

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date, by an independent method
// (shifting the year to start in March so the leap day comes last).
std::int64_t reference_days(int year, int month, int day) {
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int year_of_era = y - era * 400;
    const int month_index = month > 2 ? month - 3 : month + 9;
    const int day_of_year = (153 * month_index + 2) / 5 + day - 1;
    const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return static_cast<std::int64_t>(era) * 146097 + day_of_era - 719468;
}

int days_in_month(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
    return days[month - 1] + (month == 2 && leap ? 1 : 0);
}

TEST(seconds_since_1970, known_moments) {
    EXPECT_EQ(seconds_since_1970(1970, 1, 1, 0, 0, 0), 0u);
    EXPECT_EQ(seconds_since_1970(2000, 3, 1, 0, 0, 0), 951868800u);
    EXPECT_EQ(seconds_since_1970(2024, 2, 29, 12, 34, 56), 1709210096u);
    EXPECT_EQ(seconds_since_1970(2100, 3, 1, 0, 0, 0), 4107542400u);
    EXPECT_EQ(seconds_since_1970(2106, 2, 7, 6, 28, 15), 4294967295u);
}

TEST(seconds_since_1970, every_day_of_the_32_bit_range_matches_the_reference) {
    for (int year = 1970; year <= 2105; ++year)
        for (int month = 1; month <= 12; ++month)
            for (int day = 1; day <= days_in_month(year, month); ++day)
                ASSERT_EQ(seconds_since_1970(year, month, day, 0, 0, 0),
                          static_cast<std::uint32_t>(reference_days(year, month, day) * 86400))
                    << year << '-' << month << '-' << day;
}

TEST(seconds_since_1970, out_of_range_input_is_bounded) {
    EXPECT_EQ(seconds_since_1970(1969, 12, 31, 23, 59, 59), 0u);
    EXPECT_EQ(seconds_since_1970(-5, 1, 1, 0, 0, 0), 0u);
    // The month indexes a table: anything outside 1-12 must not be looked up.
    EXPECT_EQ(seconds_since_1970(2000, 0, 1, 0, 0, 0), 0u);
    EXPECT_EQ(seconds_since_1970(2000, 13, 1, 0, 0, 0), 0u);
    EXPECT_EQ(seconds_since_1970(2000, -1, 1, 0, 0, 0), 0u);
    // Past the 32-bit range the result saturates instead of wrapping back to 1970.
    EXPECT_EQ(seconds_since_1970(2106, 2, 7, 6, 28, 16), 0xFFFFFFFFu);
    EXPECT_EQ(seconds_since_1970(2147483647, 12, 31, 2147483647, 2147483647, 2147483647), 0xFFFFFFFFu);
    EXPECT_EQ(seconds_since_1970(1970, 1, 1, 0, 0, -1), 0u);
}

TEST(packed_time, fields_round_trip) {
    const packed_time t = make_packed_time(2024, 12, 31, 23, 59, 58, 999);
    EXPECT_EQ(t.year(), 2024u);
    EXPECT_EQ(t.month(), 12u);
    EXPECT_EQ(t.day(), 31u);
    EXPECT_EQ(t.hour(), 23u);
    EXPECT_EQ(t.minute(), 59u);
    EXPECT_EQ(t.second(), 58u);
    EXPECT_EQ(t.milliseconds(), 999u);
    EXPECT_EQ(t.low & 0xFFFFu, 0u);
    EXPECT_EQ(t.high, (2024u << 20) | (12u << 16) | (31u << 11) | (23u << 6) | 59u);
    EXPECT_EQ(t.low, (58u << 26) | (999u << 16));
}

TEST(packed_time, value_grows_with_time) {
    const packed_time moments[] = {
        make_packed_time(2023, 12, 31, 23, 59, 59, 999), make_packed_time(2024, 1, 1, 0, 0, 0, 0),
        make_packed_time(2024, 1, 1, 0, 0, 0, 1),        make_packed_time(2024, 1, 1, 0, 0, 1, 0),
        make_packed_time(2024, 1, 1, 0, 1, 0, 0),        make_packed_time(2024, 1, 1, 1, 0, 0, 0),
        make_packed_time(2024, 1, 2, 0, 0, 0, 0),        make_packed_time(2024, 2, 1, 0, 0, 0, 0),
    };
    for (std::size_t i = 1; i < sizeof moments / sizeof moments[0]; ++i)
        EXPECT_LT(moments[i - 1].value(), moments[i].value()) << i;
}

TEST(packed_time, oversized_fields_do_not_spill_into_neighbours) {
    const packed_time t = make_packed_time(0x1000 + 7, 16 + 3, 32 + 4, 32 + 5, 64 + 6, 64 + 7, 1024 + 8);
    EXPECT_EQ(t.year(), 7u);
    EXPECT_EQ(t.month(), 3u);
    EXPECT_EQ(t.day(), 4u);
    EXPECT_EQ(t.hour(), 5u);
    EXPECT_EQ(t.minute(), 6u);
    EXPECT_EQ(t.second(), 7u);
    EXPECT_EQ(t.milliseconds(), 8u);
    EXPECT_EQ(t.low & 0xFFFFu, 0u);
}

} // namespace
