// The time spans of the Time Scale menu, and the mouse wheel's steps through them.
#pragma once

#include <cstdint>

struct time_scale_choice {
    const wchar_t* caption;
    int seconds;
};

// Shortest first.
inline constexpr time_scale_choice time_scale_choices[] = {
    {L"10 secs", 10},    {L"1 min", 60},       {L"5 mins", 300},      {L"15 mins", 900},   {L"1 hour", 3600},
    {L"4 hours", 14400}, {L"12 hours", 43200}, {L"48 hours", 172800}, {L"1 week", 604800},
};

// The span `steps` choices shorter than `span` (longer for steps below zero), stopping at
// the shortest and the longest choice. A span that is no choice moves first to the
// nearest choice in the direction of the steps; one beyond the last choice in that
// direction stays.
std::uint32_t stepped_time_scale(std::uint32_t span, int steps);

// Gathers the wheel's rotation into whole notches of 120 (WHEEL_DELTA), as wheels
// that report finer rotation send it: positive away from the user.
class wheel_notches {
public:
    static constexpr int notch = 120;

    // Takes a rotation; returns the whole notches now complete. A turn the other way
    // drops the part of a notch gathered so far.
    int add(int delta);

private:
    int gathered_ = 0;
};
