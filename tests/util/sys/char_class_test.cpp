// Character class table: every entry against the rules of its bits.
#include "util/sys/char_class.h"

#include <gtest/gtest.h>

namespace {

std::uint16_t expected_class(unsigned ch) {
    if (ch >= 128) return 0;
    bool upper = ch >= 'A' && ch <= 'Z';
    bool lower = ch >= 'a' && ch <= 'z';
    bool digit = ch >= '0' && ch <= '9';
    std::uint16_t bits = 0;
    if (upper) bits |= char_upper;
    if (lower) bits |= char_lower;
    if (digit) bits |= char_digit;
    if ((ch >= 9 && ch <= 13) || ch == ' ') bits |= char_space;
    if (ch > ' ' && ch < 127 && !upper && !lower && !digit) bits |= char_punct;
    if (ch < 32 || ch == 127) bits |= char_control;
    if (ch == ' ') bits |= char_blank;
    if (digit || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f')) bits |= char_xdigit;
    if (ch == 0) bits |= char_end;
    if (ch == '_') bits |= char_underscore;
    if (ch == '-') bits |= char_hyphen;
    if (ch == '.') bits |= char_full_stop;
    return bits;
}

} // namespace

TEST(char_class, documented_entries) {
    // Indexed as unsigned char, as the table is meant to be: a plain char may be signed.
    EXPECT_EQ(char_class[static_cast<unsigned char>('A')], 0x0081);
    EXPECT_EQ(char_class[static_cast<unsigned char>('.')], 0x1010);
    EXPECT_EQ(char_class[32], 0x0048);
    EXPECT_EQ(char_class[9], 0x0028);
    EXPECT_EQ(char_class[0], 0x0120);
}

TEST(char_class, every_entry_follows_its_rules) {
    for (unsigned ch = 0; ch < 256; ++ch) EXPECT_EQ(char_class[ch], expected_class(ch)) << "character " << ch;
}

TEST(char_class, lookup_outside_the_table_has_no_class) {
    EXPECT_TRUE(char_has(' ', char_space));
    EXPECT_FALSE(char_has('a', char_upper));
    EXPECT_FALSE(char_has(0x2003, char_space));                       // a wide em space
    EXPECT_FALSE(char_has(static_cast<unsigned long>(-32L), 0xffff)); // a sign-extended narrow character
    EXPECT_TRUE(char_has(static_cast<unsigned char>('\n'), char_space | char_control));
}
