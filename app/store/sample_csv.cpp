// The samples as CSV text, exact both ways.
#include "app/store/sample_csv.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

const char sample_csv_header[] = "time,rtt,local_time\n";

namespace {

// The shortest text that reads back as the same double: to_chars does not look at the locale.
void append_double(std::string& text, double value) {
    char digits[32];
    const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, written.ptr);
}

const char* skip_blanks(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    return text;
}

bool at_line_end(const char* text) {
    while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') ++text;
    return *text == '\0';
}

// A number as strtod reads it, then blanks; null when there is no number.
const char* read_number(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end == text ? nullptr : skip_blanks(end);
}

} // namespace

void append_sample_csv(std::string& text, const ping_sample& sample, const sample_clock& clock) {
    append_double(text, sample.time);
    text += ',';
    append_double(text, sample.rtt);
    text += ',';
    const local_moment moment = local_moment_of(clock.local_ms(sample.time));
    text += date_text(moment);
    text += ' ';
    text += time_of_day_text(moment, true);
    text += '\n';
}

std::string samples_csv(const ping_sample* first, std::size_t count, const sample_clock& clock) {
    std::string text = sample_csv_header;
    for (std::size_t i = 0; i < count; ++i) append_sample_csv(text, first[i], clock);
    return text;
}

bool parse_sample_csv(const char* line, ping_sample& sample) {
    const char* rest = read_number(line, sample.time);
    if (!rest || *rest != ',') return false;
    rest = read_number(rest + 1, sample.rtt);
    if (!rest) return false;
    return *rest == ',' || at_line_end(rest);
}

bool is_sample_csv_header(const char* line) {
    return std::strncmp(line, "time,rtt", 8) == 0;
}
