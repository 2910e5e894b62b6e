#include "util/sys/name_scramble.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The inverse, written from the description of the scheme: each character in
// 33..127 is shifted forward by the running key.
std::string scramble(const std::string& plain) {
    std::string out(plain);
    unsigned key = static_cast<unsigned>(plain.size() + name_scramble_start_key) % 95;
    for (char& ch : out) {
        const unsigned code = static_cast<unsigned char>(ch);
        if (code < 33 || code > 127) continue;
        const unsigned position = code - 33;
        ch = static_cast<char>(33 + (position + key) % 95);
        key = (position + name_scramble_step_key) % 95;
    }
    return out;
}

TEST(name_scramble, round_trips) {
    const std::string names[] = {
        "",
        "A",
        "KERNEL32.DLL",
        "GetSystemTimePreciseAsFileTime",
        "with space\tand\x7f"
        "edges !~",
        "high \xE9\xFF bytes",
        std::string(300, 'z'),
    };
    for (const std::string& name : names) {
        const std::string scrambled = scramble(name);
        EXPECT_EQ(unscramble_name(scrambled), name);
        if (name.size() > 3) {
            EXPECT_NE(scrambled, name);
        }
    }
}

TEST(name_scramble, characters_outside_the_range_stay_and_keep_the_key) {
    // Both texts have the same length, so the same start key; the space and the
    // byte 0xE9 must not advance it, so the letters after them come out the same.
    const std::string a = scramble("AB CD");
    const std::string b = scramble("AB\xE9"
                                   "CD");
    EXPECT_EQ(a[2], ' ');
    EXPECT_EQ(b[2], '\xE9');
    EXPECT_EQ(a.substr(3), b.substr(3));
    EXPECT_EQ(unscramble_name("tMT]PN<\"|/MU"), "KERNEL32.DLL");
}

} // namespace
