// The mapping of Echoprobe's time stamps to local time, and the calendar it is read in.
#include "app/store/sample_clock.h"

#include <cmath>

namespace {

constexpr std::int64_t ms_per_day = 86400000;

// Days from 0000-03-01 to the given date of the proleptic Gregorian calendar, counted in
// 400-year eras so that leap days fall out of whole divisions.
std::int64_t days_from_civil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = year / 400;
    const std::int64_t year_of_era = year - era * 400;
    const int shifted_month = month > 2 ? month - 3 : month + 9;
    const std::int64_t day_of_year = (153 * shifted_month + 2) / 5 + day - 1;
    const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era;
}

const std::int64_t days_to_1601 = days_from_civil(1601, 1, 1);

void two_digits(std::string& text, int value) {
    text += static_cast<char>('0' + value / 10 % 10);
    text += static_cast<char>('0' + value % 10);
}

} // namespace

local_moment local_moment_of(std::int64_t local_ms) {
    if (local_ms < 0) local_ms = 0;
    if (local_ms > local_ms_max) local_ms = local_ms_max;
    const std::int64_t days = local_ms / ms_per_day + days_to_1601;
    std::int64_t ms = local_ms % ms_per_day;

    // The inverse of days_from_civil; days are positive from 1601 on.
    const std::int64_t era = days / 146097;
    const std::int64_t day_of_era = days - era * 146097;
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;

    local_moment moment;
    moment.day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
    moment.month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
    moment.year = static_cast<int>(year_of_era + era * 400 + (moment.month <= 2 ? 1 : 0));
    moment.hour = static_cast<int>(ms / 3600000);
    ms %= 3600000;
    moment.minute = static_cast<int>(ms / 60000);
    ms %= 60000;
    moment.second = static_cast<int>(ms / 1000);
    moment.millisecond = static_cast<int>(ms % 1000);
    return moment;
}

std::int64_t local_ms_of(const local_moment& moment) {
    const std::int64_t days = days_from_civil(moment.year, moment.month, moment.day) - days_to_1601;
    return ((days * 24 + moment.hour) * 60 + moment.minute) * 60000 + moment.second * 1000 +
           moment.millisecond;
}

std::int64_t sample_clock::local_ms(double time) const {
    const double ms = std::round((time - newest_time) * 1000.0) + static_cast<double>(newest_local_ms);
    // Compared as doubles first: a difference beyond the calendar (or NaN) converts to no
    // integer safely.
    if (!(ms > 0.0)) return 0;
    if (ms >= static_cast<double>(local_ms_max)) return local_ms_max;
    return static_cast<std::int64_t>(ms);
}

std::string time_of_day_text(const local_moment& moment, bool milliseconds) {
    std::string text;
    two_digits(text, moment.hour);
    text += ':';
    two_digits(text, moment.minute);
    text += ':';
    two_digits(text, moment.second);
    if (milliseconds) {
        text += '.';
        text += static_cast<char>('0' + moment.millisecond / 100);
        two_digits(text, moment.millisecond);
    }
    return text;
}

std::string date_text(const local_moment& moment) {
    std::string text;
    two_digits(text, moment.year / 100);
    two_digits(text, moment.year);
    text += '-';
    two_digits(text, moment.month);
    text += '-';
    two_digits(text, moment.day);
    return text;
}
