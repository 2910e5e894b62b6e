// Formatter: documented examples and edge cases, narrow and wide.
#include "tests/util/format/format_test_util.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

TEST(format, documented_examples) {
    EXPECT_EQ(run_both("%#,.3?", 2394000u), "2394");
    EXPECT_EQ(run_both("%#,.3?", 2394500u), "2394.5");
    EXPECT_EQ(run_both("%#,.3?", 5u), "0.005");
    EXPECT_EQ(run_both("%#,.1?", 120u), "12");
    EXPECT_EQ(run_both("%,.2?", 601u), "6.01");
    EXPECT_EQ(run_both("%,.2?", -5), "-0.05");
    EXPECT_EQ(run_both("%04x", 1031u), "0407");
    EXPECT_EQ(run_both("%02?", 7u), "07");
    EXPECT_EQ(run_both("%'?", 1234567u), "1,234,567");
    EXPECT_EQ(run_both("%'x", 305419896u), "1234:5678");
    EXPECT_EQ(run_both("%#x / %#X / %#o", 255u, 255u, 8u), "0xff / 0xFF / 010");
    EXPECT_EQ(run_both("%05?", -42), "-0042");
    EXPECT_EQ(run_both("%08.3?", 7u), "     007");
    EXPECT_EQ(run_both("%-5?;", 42u), "42   ;");
    EXPECT_EQ(run_both("%*?", -5, 42u), "42   ");
    EXPECT_EQ(run_both("%m / %Z", 64u, 36u), "BA / 10");
}

TEST(format, graph_label_in_tenths) {
    EXPECT_EQ(run_both("%#,.1?", 125), "12.5");
    EXPECT_EQ(run_both("%#,.1?", 120), "12");
    EXPECT_EQ(run_both("%#,.1?", 5), "0.5");
    EXPECT_EQ(run_both("%#,.1?", -5), "-0.5");
    EXPECT_EQ(run_both("%#,.1?", -125), "-12.5");
    EXPECT_EQ(run_both("%#,.1?", 0), "0");
    EXPECT_EQ(run_both("%#,.1?", -10), "-1");
    EXPECT_EQ(run_both("%#,.3?", -5), "-0.005");
    EXPECT_EQ(run_both("%+#,.2?", 5), "+0.05");
    EXPECT_EQ(run_both("%,8.2?", -5), "   -0.05");
    EXPECT_EQ(run_both("%0,8.2?", -5), "   -0.05");
}

TEST(format, literal_text_and_percent) {
    EXPECT_EQ(run_both("100%%"), "100%");
    EXPECT_EQ(run_both("%%%?%%", 3), "%3%");
    EXPECT_EQ(run_both("no placeholders"), "no placeholders");
    EXPECT_EQ(run_both(""), "");
    EXPECT_EQ(run_both("load_icon(%?) error %?\n", 101, 1813u), "load_icon(101) error 1813\n");
}

TEST(format, zero_values) {
    EXPECT_EQ(run_both("%#x", 0u), "0");
    EXPECT_EQ(run_both("%#o", 0u), "0");
    EXPECT_EQ(run_both("%#,.3?", 0u), "0");
    EXPECT_EQ(run_both("%m", 0u), "A");
    EXPECT_EQ(run_both("[%c]", 0), "[]");
    EXPECT_EQ(run_both("[%3c]", 0), "[   ]");
    EXPECT_EQ(run_both("[%-3c]", 65), "[A  ]");
}

TEST(format, integer_conversions) {
    EXPECT_EQ(run_both("%?", INT_MIN), "-2147483648");
    EXPECT_EQ(run_both("%?", INT_MAX), "2147483647");
    EXPECT_EQ(run_both("%?", UINT_MAX), "4294967295");
    EXPECT_EQ(run_both("%d", UINT_MAX), "-1");
    EXPECT_EQ(run_both("%u", -1), "4294967295");
    EXPECT_EQ(run_both("%x", -1), "ffffffff");
    EXPECT_EQ(run_both("%X", 0xabcdefu), "ABCDEF");
    EXPECT_EQ(run_both("%p", 0x1234u), "0x1234");
    EXPECT_EQ(run_both("%i|%i", -3, 3u), "-3|3");
    EXPECT_EQ(run_both("%z %Z", 35u, 1295u), "z ZZ");
    EXPECT_EQ(run_both("%m", 4095u), "//");
    EXPECT_EQ(run_both("%+u %+x % x", 5u, 255u, 255u), "+5 +ff  ff");
    EXPECT_EQ(run_both("% ?|%+ ?", 5, 5), " 5|+5");
    EXPECT_EQ(run_both("%c%c", 104, 105), "hi");
    EXPECT_EQ(run_format<wchar_t>("%c", 0x263a), std::wstring(1, wchar_t(0x263a)));
}

TEST(format, sixty_four_bit_values) {
    EXPECT_EQ(run_both("%?", INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(run_both("%?", UINT64_MAX), "18446744073709551615");
    EXPECT_EQ(run_both("%x", std::int64_t(-1)), "ffffffffffffffff");
    EXPECT_EQ(run_both("%o", UINT64_MAX), "1777777777777777777777");
    EXPECT_EQ(run_both("%'?", UINT64_MAX), "18,446,744,073,709,551,615");
    EXPECT_EQ(run_both("%'o", UINT64_MAX), "17:7777:7777:7777:7777:7777");
    EXPECT_EQ(run_both("%m", UINT64_MAX), "P//////////");
    EXPECT_EQ(run_both("%#,.3?", std::uint64_t(12345678901234ull)), "12345678901.234");
    EXPECT_EQ(run_both("%I64d %lld %llu", INT64_MAX, std::int64_t(-7), 7ull), "9223372036854775807 -7 7");
}

TEST(format, small_integer_types) {
    EXPECT_EQ(run_both("%? %? %?", static_cast<signed char>(-5), static_cast<short>(-300),
                       static_cast<unsigned short>(65535)),
              "-5 -300 65535");
    EXPECT_EQ(run_both("%x", static_cast<short>(-1)), "ffffffff");
    EXPECT_EQ(run_both("%? %?", true, false), "1 0");
}

TEST(format, length_modifiers_are_ignored) {
    EXPECT_EQ(run_both("%hd %hu %ld %lu %Lx %lx %I64x %I64lx", 1, 2u, 3, 4u, 255u, 10u, 11u, 12u),
              "1 2 3 4 ff a b c");
    // A second 'h' is not a modifier: it becomes the (unknown) conversion.
    EXPECT_EQ(run_both("%hhd", 5), "5d");
}

TEST(format, grouping_and_fixed_point) {
    EXPECT_EQ(run_both("%'?|%'?|%'?", 123, 1234, -1234567), "123|1,234|-1,234,567");
    EXPECT_EQ(run_both("%'x|%'X", 0xfffffu, 0xabcdu), "f:ffff|ABCD");
    EXPECT_EQ(run_both("%',.2?", 1234567), "12345.67");
    EXPECT_EQ(run_both("%,?|%,.0?", 1234, 1234), "1234|1234");
    EXPECT_EQ(run_both("%#,.3?|%#,.3?", 1000u, 1020u), "1|1.02");
    EXPECT_EQ(run_both("%,.3x", 0x1234u), "1.234");
    EXPECT_EQ(run_both("%#,.2x", 0x1200u), "0x12");
    EXPECT_EQ(run_both("%-,10.2?|", 314), "3.14      |");
    EXPECT_EQ(run_both("%#,10.3?|", 2394500u), "    2394.5|");
    EXPECT_EQ(run_both("%'12?|", 1234567), "   1,234,567|");
    // With ',' set grouping never applies, not even where no point is inserted.
    EXPECT_EQ(run_both("%,'?|%,'.0?|%,'x", 1234567, 1234567, 0x12345678u), "1234567|1234567|12345678");
    EXPECT_EQ(run_both("%',?|%'#,.0X", UINT64_MAX, 0xABCDEFu), "18446744073709551615|0xABCDEF");
}

TEST(format, precision_width_and_fill) {
    EXPECT_EQ(run_both("%.5?", 42), "00042");
    EXPECT_EQ(run_both("%.5?", -42), "-00042");
    EXPECT_EQ(run_both("%#.5x", 255u), "0x000ff");
    EXPECT_EQ(run_both("%#08x", 255u), "0x0000ff");
    EXPECT_EQ(run_both("%+.3?", 5), "+005");
    EXPECT_EQ(run_both("%-8.3?|", 7), "007     |");
    EXPECT_EQ(run_both("%-08?|", 7), "7       |");
    EXPECT_EQ(run_both("%8?|%-8?|", -42, -42), "     -42|-42     |");
    EXPECT_EQ(run_both("%3?", 12345), "12345");
}

TEST(format, star_arguments) {
    EXPECT_EQ(run_both("%*?|", 6, 42), "    42|");
    EXPECT_EQ(run_both("%.*?", 3, 7u), "007");
    EXPECT_EQ(run_both("%*.*?|", 6, 3, 7u), "   007|");
    EXPECT_EQ(run_both("%*.*?|", -6, 3, 7u), "007   |");
    EXPECT_EQ(run_both("%.*?", -1, 7u), "7");
    EXPECT_EQ(run_both("%0*?", 5u, 42), "00042");
}

TEST(format, text_arguments) {
    std::string text = "abc";
    EXPECT_EQ(run_format<char>("[%?]", text), "[abc]");
    EXPECT_EQ(run_format<char>("[%?]", "xyz"), "[xyz]");
    EXPECT_EQ(run_format<wchar_t>("[%?]", std::wstring(L"abc")), L"[abc]");
    EXPECT_EQ(run_format<wchar_t>("[%s]", L"xyz"), L"[xyz]");
    EXPECT_EQ(run_format<char>("[%05?]", "ab"), "[000ab]");
    EXPECT_EQ(run_format<char>("[%-05?]", "ab"), "[ab   ]");
    EXPECT_EQ(run_format<char>("[%6.2?]", "abcdef"), "[    ab]");
    EXPECT_EQ(run_format<char>("[%+'#,.9?]", "text"), "[text]");
    // A text with an embedded NUL is taken whole when its length is given.
    EXPECT_EQ(run_format<char>("[%?]", std::string("a\0b", 3)), std::string("[a\0b]", 5));
    basic_format<char> counted("[%?][%.1?]");
    EXPECT_EQ(counted.arg("abcdef", 3).arg("xyz", 2).str(), "[abc][x]");
}

TEST(format, text_precision_bounds_the_read) {
    // No NUL: only the precision keeps the scan inside the array (checked by ASan).
    const char letters[2] = {'a', 'b'};
    EXPECT_EQ((basic_format<char>("%.2?") << letters).str(), "ab");
    const wchar_t wide_letters[2] = {L'a', L'b'};
    EXPECT_EQ((basic_format<wchar_t>(L"%.2?").arg(wide_letters, -1)).str(), L"ab");
}

TEST(format, null_and_low_text_pointers) {
    const char* null_text = nullptr;
    const char* low_text = reinterpret_cast<const char*>(4095);
    EXPECT_EQ(run_format<char>("%?", null_text), "(null)");
    EXPECT_EQ(run_format<char>("%.3?", low_text), "(nu");
    EXPECT_EQ(run_format<char>("[%8?]", low_text), "[  (null)]");
    EXPECT_EQ(run_format<wchar_t>("%.9?", static_cast<const wchar_t*>(nullptr)), L"(null)");
}

TEST(format, text_at_hexadecimal_placeholder_prints_its_address) {
    const char* text = "abc";
    auto address = reinterpret_cast<std::uintptr_t>(text);
    EXPECT_EQ(run_format<char>("%x", text), run_format<char>("%#x", std::uint64_t(address)));
    EXPECT_EQ(run_format<char>("%X", text), run_format<char>("%#X", std::uint64_t(address)));
    EXPECT_EQ(run_format<char>("%p", text), run_format<char>("%#x", std::uint64_t(address)));
    EXPECT_EQ(run_format<char>("%p", static_cast<const char*>(nullptr)), "0");
}

TEST(format, missing_and_extra_arguments) {
    EXPECT_EQ(run_both("a%?b%?c", 1), "a1bc");
    EXPECT_EQ(run_both("a%?b%?c"), "abc");
    EXPECT_EQ(run_both("x", 5u, -3), "x5-3");
    EXPECT_EQ(run_both("x", UINT_MAX), "x-1");
    EXPECT_EQ(run_format<char>("x", "tail"), "xtail");
    EXPECT_EQ(run_both("ab%", 7), "ab7");
    EXPECT_EQ(run_both("ab%"), "ab");
    EXPECT_EQ(run_both("%s|%f|%w", 1, 2, 3), "1|2|3");
    EXPECT_EQ(run_format<char>("%d", "text"), "text");
    // A pending star swallows nothing more once text arrives.
    EXPECT_EQ(run_format<char>("[%*?]", "ab"), "[ab]");
}

TEST(format, str_is_repeatable) {
    basic_format<char> out("a%?b");
    EXPECT_EQ(out.str(), "ab");
    EXPECT_EQ(out.str(), "ab");
    out << 5;
    EXPECT_EQ(out.str(), "ab5");
}

TEST(strformat, appends_several_formats_to_the_target) {
    std::string target = "> ";
    {
        basic_strformat<char> out(target);
        out.set_format("Using performance counter running at %#,.3? MHz") << 2394000u;
        out.set_format("; TSC=%?/%? MHz") << 2394u << 2400u;
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_EQ(target, "> Using performance counter running at 2394 MHz; TSC=2394/2400 MHz");
}

TEST(strformat, destructor_finishes_the_format) {
    std::string target;
    {
        basic_strformat<char> out(target);
        out.set_format("a%?b");
    }
    EXPECT_EQ(target, "ab");
}

TEST(sformat, writes_terminated_text) {
    char buffer[32];
    {
        basic_sformat<char> out(buffer, sizeof buffer, "%02?%02?%02?'%03? ");
        out << 9 << 5 << 7 << 42;
        EXPECT_EQ(out.length(), 11u);
    }
    EXPECT_STREQ(buffer, "090507'042 ");
}

TEST(sformat, truncates_at_size_minus_one) {
    char buffer[8] = "XXXXXXX";
    {
        basic_sformat<char> out(buffer, 6, "%?-%?");
        out << 123456789 << 5;
    }
    EXPECT_STREQ(buffer, "12345");
    EXPECT_EQ(buffer[6], 'X');
}
