#include "util/sys/date_time.h"

#include <cstdint>

namespace {

// Days before each month of a common year, indexed by month 1 to 12.
constexpr int days_before_month[13] = {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

bool is_leap_year(std::int64_t year) {
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

std::uint32_t field(unsigned value, unsigned width, unsigned shift) {
    return (value & ((1u << width) - 1)) << shift;
}

} // namespace

packed_time make_packed_time(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                             unsigned second, unsigned milliseconds) {
    packed_time packed;
    packed.high = field(year, 12, 20) | field(month, 4, 16) | field(day, 5, 11) | field(hour, 5, 6) |
                  field(minute, 6, 0);
    packed.low = field(second, 6, 26) | field(milliseconds, 10, 16);
    return packed;
}

std::uint32_t seconds_since_1970(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1970 || month < 1 || month > 12) return 0;
    // 64 bits hold the sum for any int arguments; only the result is clamped.
    const std::int64_t y = year;
    std::int64_t days = (y - 1970) * 365 + (y - 1969) / 4 - (y - 1601) / 100 + (y - 1601) / 400 + 3;
    days += days_before_month[month] + (is_leap_year(y) && month > 2 ? 1 : 0) + day - 1;
    const std::int64_t seconds = ((days * 24 + hour) * 60 + minute) * 60 + second;
    if (seconds < 0) return 0;
    if (seconds > static_cast<std::int64_t>(UINT32_MAX)) return UINT32_MAX;
    return static_cast<std::uint32_t>(seconds);
}
