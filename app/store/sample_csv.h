// The samples as CSV text: "time,rtt,local_time" lines written exact, and read back.
#pragma once

#include <cstddef>
#include <string>

#include "app/store/sample_clock.h"
#include "app/store/wire_protocol.h"

// The first line of every file and every copy, line break included.
extern const char sample_csv_header[];

// Appends one line: the time stamp and the round-trip time with the fewest digits that read
// back as the same doubles, '.' as the decimal point whatever the locale, then the local
// time of the sample as `clock` maps it, "YYYY-MM-DD HH:MM:SS.mmm", and a line feed.
void append_sample_csv(std::string& text, const ping_sample& sample, const sample_clock& clock);

// The header and a line for each of `count` samples from `first` on.
std::string samples_csv(const ping_sample* first, std::size_t count, const sample_clock& clock);

// Reads a line of "time,rtt" or "time,rtt,local_time" (blanks allowed around the numbers,
// a line break at the end); the third column is not looked at. False for anything else.
// Numbers are read as the C library reads them in its "C" locale.
bool parse_sample_csv(const char* line, ping_sample& sample);

// Whether a file's first line is the header (of this form, or the older "time,rtt").
bool is_sample_csv_header(const char* line);
