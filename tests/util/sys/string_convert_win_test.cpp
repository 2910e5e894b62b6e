#include "util/sys/string_convert.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

namespace {

constexpr unsigned western = 1252;

TEST(to_wide, converts_in_the_given_code_page) {
    EXPECT_EQ(to_wide(western, std::string("caf\xE9 \x80")), L"caf\u00E9 \u20AC");
    EXPECT_EQ(to_wide(437, std::string("\x82")), L"\u00E9");
    // UTF-8 refuses MB_PRECOMPOSED; it must convert all the same.
    EXPECT_EQ(to_wide(CP_UTF8, std::string("h\xC3\xA9 \xF0\x9F\x98\x80")), L"h\u00E9 \U0001F600");
}

TEST(to_narrow, converts_in_the_given_code_page) {
    EXPECT_EQ(to_narrow(western, std::wstring(L"caf\u00E9 \u20AC")), "caf\xE9 \x80");
    // UTF-8 refuses WC_COMPOSITECHECK; it must convert all the same.
    EXPECT_EQ(to_narrow(CP_UTF8, std::wstring(L"\u20AC\U0001F600")), "\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(to_wide, length_minus_one_keeps_the_terminator) {
    const std::wstring wide = to_wide(western, "abc", -1);
    ASSERT_EQ(wide.size(), 4u);
    EXPECT_EQ(wide, std::wstring(L"abc", 4));
    EXPECT_EQ(to_narrow(western, L"abc", -1), std::string("abc", 4));
    EXPECT_EQ(to_wide(western, "abcdef", 2), L"ab");
    EXPECT_EQ(to_narrow(western, L"abcdef", 2), "ab");
}

TEST(to_wide, unusable_input_gives_empty_text) {
    EXPECT_EQ(to_wide(western, nullptr, 3), L"");
    EXPECT_EQ(to_wide(western, "abc", 0), L"");
    EXPECT_EQ(to_wide(western, "abc", -7), L"");
    EXPECT_EQ(to_wide(western, std::string()), L"");
    EXPECT_EQ(to_narrow(western, nullptr, 3), "");
    EXPECT_EQ(to_narrow(western, L"abc", -7), "");
    EXPECT_EQ(to_narrow(western, std::wstring()), "");
    // A code page that does not exist fails the conversion.
    EXPECT_EQ(to_wide(12345, std::string("abc")), L"");
    EXPECT_EQ(to_narrow(12345, std::wstring(L"abc")), "");
}

TEST(to_wide, embedded_nul_is_converted_with_explicit_length) {
    EXPECT_EQ(to_wide(western, std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    EXPECT_EQ(to_narrow(western, std::wstring(L"a\0b", 3)), std::string("a\0b", 3));
}

TEST(thread_code_page, shortcuts_round_trip_ascii) {
    EXPECT_EQ(to_wide(std::string("Echoview 5.00")), L"Echoview 5.00");
    EXPECT_EQ(to_narrow(std::wstring(L"Echoview 5.00")), "Echoview 5.00");
    EXPECT_EQ(to_wide(std::string("abc")), to_wide(CP_THREAD_ACP, std::string("abc")));
}

TEST(convert_to_wide, size_query_includes_the_terminator) {
    EXPECT_EQ(convert_to_wide("abc", -1, nullptr, 0, false), 4);
    EXPECT_EQ(convert_to_wide("abc", 3, nullptr, 0, false), 3);
    EXPECT_EQ(convert_to_narrow(L"abc", -1, nullptr, 0, true), 4);
}

TEST(convert_to_wide, too_small_buffer_with_and_without_truncation) {
    wchar_t wide[8];
    wmemset(wide, L'#', 8);
    EXPECT_EQ(convert_to_wide("abcdef", -1, wide, 3, false), 0);
    EXPECT_EQ(convert_to_wide("abcdef", -1, wide, 3, true), 3);
    EXPECT_EQ(std::wstring(wide, 4), L"abc#");
    EXPECT_EQ(convert_to_wide("abcdef", -1, wide, 8, true), 7);
    EXPECT_STREQ(wide, L"abcdef");

    char narrow[8];
    std::memset(narrow, '#', 8);
    EXPECT_EQ(convert_to_narrow(L"abcdef", -1, narrow, 3, false), 0);
    EXPECT_EQ(convert_to_narrow(L"abcdef", -1, narrow, 3, true), 3);
    EXPECT_EQ(std::string(narrow, 4), "abc#");
    EXPECT_EQ(convert_to_narrow(L"abcdef", 6, narrow, 8, false), 6);
    EXPECT_EQ(std::string(narrow, 6), "abcdef");
}

TEST(convert_to_wide, bad_arguments_give_zero) {
    wchar_t wide[4] = {L'#', L'#', L'#', L'#'};
    EXPECT_EQ(convert_to_wide(nullptr, -1, wide, 4, true), 0);
    EXPECT_EQ(convert_to_wide("abc", -2, wide, 4, true), 0);
    EXPECT_EQ(convert_to_wide("abc", 0, wide, 4, true), 0);
    EXPECT_EQ(convert_to_wide("abc", -1, wide, -1, true), 0);
    EXPECT_EQ(convert_to_wide("abc", -1, nullptr, 4, true), 0);
    EXPECT_EQ(wide[0], L'#');
    char narrow[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(convert_to_narrow(nullptr, -1, narrow, 4, false), 0);
    EXPECT_EQ(convert_to_narrow(L"abc", -1, nullptr, 4, true), 0);
    EXPECT_EQ(convert_to_narrow(L"abc", -1, narrow, -4, true), 0);
    EXPECT_EQ(narrow[0], '#');
}

TEST(copy_to_narrow, cuts_and_always_terminates) {
    char narrow[4];
    copy_to_narrow(narrow, L"0123456789", 4);
    EXPECT_EQ(std::string(narrow, 4), std::string("012\0", 4));
    char roomy[16];
    std::memset(roomy, '#', sizeof roomy);
    copy_to_narrow(roomy, L"abc", 16);
    EXPECT_STREQ(roomy, "abc");
    EXPECT_EQ(roomy[15], '\0');
    copy_to_narrow(roomy, nullptr, 16);
    EXPECT_STREQ(roomy, "");
    char one[1] = {'#'};
    copy_to_narrow(one, L"abc", 1);
    EXPECT_EQ(one[0], '\0');
}

TEST(copy_to_wide, cuts_and_always_terminates) {
    wchar_t wide[4];
    copy_to_wide(wide, "0123456789", 4);
    EXPECT_EQ(std::wstring(wide, 4), std::wstring(L"012\0", 4));
    wchar_t roomy[16];
    copy_to_wide(roomy, "caf\xE9", 16);
    EXPECT_EQ(std::wstring(roomy), to_wide(std::string("caf\xE9")));
    copy_to_wide(roomy, nullptr, 16);
    EXPECT_STREQ(roomy, L"");
}

TEST(copy_to_wide, null_or_empty_buffer_is_left_alone) {
    wchar_t wide[2] = {L'#', L'#'};
    copy_to_wide(wide, "abc", 0);
    copy_to_wide(wide, "abc", -3);
    copy_to_wide(nullptr, "abc", 2);
    EXPECT_EQ(wide[0], L'#');
    char narrow[2] = {'#', '#'};
    copy_to_narrow(narrow, L"abc", 0);
    copy_to_narrow(nullptr, L"abc", 2);
    EXPECT_EQ(narrow[0], '#');
}

} // namespace
