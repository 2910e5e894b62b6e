// The local time of day of Echoprobe's time stamps, as this machine's clock saw them arrive.
#pragma once

#include <cstdint>
#include <string>

// A local calendar moment to the millisecond.
struct local_moment {
    int year = 1601;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Local time as milliseconds since 1601-01-01 00:00:00 (the origin of Windows file times),
// counted in the local calendar. Every value from 0 to local_ms_max is a moment of the years
// 1601 to 9999; local_moment_of clamps anything outside to that range.
constexpr std::int64_t local_ms_max = 265046774399999; // 9999-12-31 23:59:59.999
local_moment local_moment_of(std::int64_t local_ms);
std::int64_t local_ms_of(const local_moment& moment);

// Samples carry Echoprobe's clock, whose origin is its own. The newest sample arrived at a
// known moment of the local clock; every other sample maps by its difference from the newest,
// so the times are those of arrival on this machine's clock.
struct sample_clock {
    double newest_time = 0.0;         // Echoprobe's seconds of the newest sample
    std::int64_t newest_local_ms = 0; // the local time it arrived at

    // The local time of a sample's time stamp, to the nearest millisecond; a time too far
    // from the newest to be a calendar moment (or not finite) gives the nearest end of the
    // calendar.
    std::int64_t local_ms(double time) const;
};

// "HH:MM:SS", or "HH:MM:SS.mmm" with milliseconds.
std::string time_of_day_text(const local_moment& moment, bool milliseconds);
// "YYYY-MM-DD".
std::string date_text(const local_moment& moment);

#ifdef _WIN32

// The local time now (GetLocalTime).
std::int64_t local_ms_now();

// The clock of a store whose newest sample has time stamp `newest_time` and arrived at tick
// `arrival_tick` (GetTickCount); the ticks' difference is taken modulo 2^32.
sample_clock sample_clock_now(double newest_time, std::uint32_t arrival_tick);

#endif
