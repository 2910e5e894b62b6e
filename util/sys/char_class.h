// Character class table: 16 class bits for each of the 256 narrow character values.
#pragma once

#include <cstdint>

enum : std::uint16_t {
    char_upper = 0x0001,      // 'A' to 'Z'
    char_lower = 0x0002,      // 'a' to 'z'
    char_digit = 0x0004,      // '0' to '9'
    char_space = 0x0008,      // 9 to 13 and 32
    char_punct = 0x0010,      // printable, neither letter, digit nor blank
    char_control = 0x0020,    // 0 to 31 and 127
    char_blank = 0x0040,      // 32
    char_xdigit = 0x0080,     // '0' to '9', 'A' to 'F', 'a' to 'f'
    char_end = 0x0100,        // 0
    char_underscore = 0x0200, // '_'
    char_hyphen = 0x0400,     // '-'
    char_full_stop = 0x1000,  // '.'
};

// Indexed by the character value; entries 128 to 255 are 0.
extern const std::uint16_t char_class[256];

// True when `ch` has any of `bits`; values outside the table (wide characters,
// sign-extended narrow ones) have none.
inline bool char_has(unsigned long ch, std::uint16_t bits) {
    return ch < 256 && (char_class[ch] & bits) != 0;
}
