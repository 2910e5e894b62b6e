#include "util/sys/string_convert.h"

#include <gtest/gtest.h>

namespace {

std::string bytes(std::initializer_list<unsigned> values) {
    std::string out;
    for (unsigned v : values) out += static_cast<char>(v);
    return out;
}

std::wstring units(std::initializer_list<unsigned> values) {
    std::wstring out;
    for (unsigned v : values) out += static_cast<wchar_t>(v);
    return out;
}

std::string utf8_of(unsigned long code_point) {
    std::string out;
    append_utf8(out, code_point);
    return out;
}

TEST(to_utf8, ascii_passes_unchanged) {
    EXPECT_EQ(to_utf8(L"Hello, 1!"), "Hello, 1!");
    EXPECT_EQ(to_utf8(L""), "");
    EXPECT_EQ(to_utf8(units({0, 0x41})), bytes({0, 0x41}));
}

TEST(to_utf8, byte_count_changes_at_each_boundary) {
    EXPECT_EQ(utf8_of(0x7F), bytes({0x7F}));
    EXPECT_EQ(utf8_of(0x80), bytes({0xC2, 0x80}));
    EXPECT_EQ(utf8_of(0xE9), bytes({0xC3, 0xA9}));
    EXPECT_EQ(utf8_of(0x7FF), bytes({0xDF, 0xBF}));
    EXPECT_EQ(utf8_of(0x800), bytes({0xE0, 0xA0, 0x80}));
    EXPECT_EQ(utf8_of(0x20AC), bytes({0xE2, 0x82, 0xAC}));
    EXPECT_EQ(utf8_of(0xFFFF), bytes({0xEF, 0xBF, 0xBF}));
    EXPECT_EQ(utf8_of(0x10000), bytes({0xF0, 0x90, 0x80, 0x80}));
    EXPECT_EQ(utf8_of(0x10FFFF), bytes({0xF4, 0x8F, 0xBF, 0xBF}));
}

TEST(to_utf8, historical_long_forms) {
    EXPECT_EQ(utf8_of(0x1FFFFF), bytes({0xF7, 0xBF, 0xBF, 0xBF}));
    EXPECT_EQ(utf8_of(0x200000), bytes({0xF8, 0x88, 0x80, 0x80, 0x80}));
    EXPECT_EQ(utf8_of(0x3FFFFFF), bytes({0xFB, 0xBF, 0xBF, 0xBF, 0xBF}));
    EXPECT_EQ(utf8_of(0x4000000), bytes({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}));
    EXPECT_EQ(utf8_of(0x7FFFFFFF), bytes({0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}));
    // Past 31 bits no form exists; the replacement character stands in.
    EXPECT_EQ(utf8_of(0x80000000UL), bytes({0xEF, 0xBF, 0xBD}));
}

TEST(to_utf8, surrogate_pair_combines) {
    EXPECT_EQ(to_utf8(units({0xD83D, 0xDE00})), bytes({0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(to_utf8(units({'a', 0xD800, 0xDC00, 'b'})), bytes({'a', 0xF0, 0x90, 0x80, 0x80, 'b'}));
    EXPECT_EQ(to_utf8(units({0xDBFF, 0xDFFF})), bytes({0xF4, 0x8F, 0xBF, 0xBF}));
}

TEST(to_utf8, lone_surrogates) {
    // A lone low surrogate stands for itself.
    EXPECT_EQ(to_utf8(units({0xDC00})), bytes({0xED, 0xB0, 0x80}));
    // A lone high surrogate produces nothing, at the end or before another unit.
    EXPECT_EQ(to_utf8(units({'x', 0xD83D})), "x");
    EXPECT_EQ(to_utf8(units({0xD83D, 'A'})), "A");
    // Once dropped it does not combine with a later low surrogate.
    EXPECT_EQ(to_utf8(units({0xD83D, 'A', 0xDE00})), bytes({'A', 0xED, 0xB8, 0x80}));
    // Of two high surrogates the second pairs with the low one.
    EXPECT_EQ(to_utf8(units({0xD800, 0xD83D, 0xDE00})), bytes({0xF0, 0x9F, 0x98, 0x80}));
}

TEST(to_utf8, wide_units_beyond_sixteen_bits_are_code_points) {
    if (sizeof(wchar_t) < 4) GTEST_SKIP() << "wchar_t holds UTF-16 units here";
    EXPECT_EQ(to_utf8(units({0x1F600})), bytes({0xF0, 0x9F, 0x98, 0x80}));
    // A negative wchar_t is a huge bit pattern: replaced, never read out of range.
    EXPECT_EQ(to_utf8(std::wstring(1, static_cast<wchar_t>(-1))), bytes({0xEF, 0xBF, 0xBD}));
}

} // namespace
