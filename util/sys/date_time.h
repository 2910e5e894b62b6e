// Date and time helpers: seconds since 1970 and the packed local time of log stamps.
#pragma once

#include <cstdint>

// A moment packed into two words whose 64-bit value (high word first) grows
// with time. high: year 20-31, month 16-19, day 11-15, hour 6-10, minute 0-5;
// low: second 26-31, milliseconds 16-25, bits 0-15 zero.
struct packed_time {
    std::uint32_t high = 0;
    std::uint32_t low = 0;

    unsigned year() const { return high >> 20; }
    unsigned month() const { return (high >> 16) & 0xF; }
    unsigned day() const { return (high >> 11) & 0x1F; }
    unsigned hour() const { return (high >> 6) & 0x1F; }
    unsigned minute() const { return high & 0x3F; }
    unsigned second() const { return low >> 26; }
    unsigned milliseconds() const { return (low >> 16) & 0x3FF; }
    std::uint64_t value() const { return (static_cast<std::uint64_t>(high) << 32) | low; }
};

// Each field is masked to its width, so out-of-range values cannot spill into
// their neighbours.
packed_time make_packed_time(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                             unsigned second, unsigned milliseconds);

// Seconds from 1970-01-01 00:00:00 to the given calendar time (no time zone).
// Moments before 1970 give 0, moments past the 32-bit range 0xFFFFFFFF, and a
// month outside 1-12 gives 0.
std::uint32_t seconds_since_1970(int year, int month, int day, int hour, int minute, int second);

#ifdef _WIN32

// seconds_since_1970 of GetSystemTime when `utc`, else of GetLocalTime.
std::uint32_t now_seconds(bool utc);

// The current local time (GetLocalTime), packed.
packed_time packed_local_time();

#endif
