#include "util/sys/string_convert.h"

#include <type_traits>

namespace {

constexpr unsigned long high_surrogate_first = 0xD800;
constexpr unsigned long low_surrogate_first = 0xDC00;
constexpr unsigned long low_surrogate_last = 0xDFFF;
// Six bytes reach 31 bits; anything above cannot be written in any form.
constexpr unsigned long largest_encodable = 0x7FFFFFFF;
constexpr unsigned long replacement_character = 0xFFFD;

bool is_high_surrogate(unsigned long unit) {
    return unit >= high_surrogate_first && unit < low_surrogate_first;
}

bool is_low_surrogate(unsigned long unit) {
    return unit >= low_surrogate_first && unit <= low_surrogate_last;
}

char byte(unsigned long value) {
    return static_cast<char>(static_cast<unsigned char>(value & 0xFF));
}

// The lead byte carries the length marker; each continuation byte six bits.
int append_sequence(std::string& out, unsigned long code_point, int count, unsigned long lead_marker) {
    out += byte(lead_marker | (code_point >> (6 * (count - 1))));
    for (int shift = 6 * (count - 2); shift >= 0; shift -= 6)
        out += byte(0x80 | ((code_point >> shift) & 0x3F));
    return count;
}

} // namespace

int append_utf8(std::string& out, unsigned long code_point) {
    if (code_point > largest_encodable) code_point = replacement_character;
    if (code_point < 0x80) {
        out += byte(code_point);
        return 1;
    }
    if (code_point < 0x800) return append_sequence(out, code_point, 2, 0xC0);
    if (code_point < 0x10000) return append_sequence(out, code_point, 3, 0xE0);
    if (code_point < 0x200000) return append_sequence(out, code_point, 4, 0xF0);
    if (code_point < 0x4000000) return append_sequence(out, code_point, 5, 0xF8);
    return append_sequence(out, code_point, 6, 0xFC);
}

std::string to_utf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    unsigned long held_high = 0;
    for (wchar_t unit : text) {
        // wchar_t is 32 bits and signed on some hosts: take the bit pattern.
        const unsigned long value =
            static_cast<unsigned long>(static_cast<std::make_unsigned_t<wchar_t>>(unit));
        if (is_high_surrogate(value)) {
            held_high = value;
            continue;
        }
        if (held_high != 0 && is_low_surrogate(value)) {
            append_utf8(out,
                        0x10000 + ((held_high - high_surrogate_first) << 10) + (value - low_surrogate_first));
            held_high = 0;
            continue;
        }
        // A high surrogate without its partner is dropped, not kept for later.
        held_high = 0;
        append_utf8(out, value);
    }
    return out;
}
