#include "util/ui/command_line.h"

#include "util/sys/char_class.h"

#include <gtest/gtest.h>

namespace {

struct token_result {
    bool moved;
    std::wstring token;
    std::wstring rest;
};

token_result read_token(const wchar_t* text, const wchar_t* delimiters, unsigned flags) {
    const wchar_t* pos = text;
    std::wstring token = L"stale";
    const bool moved = get_token(pos, delimiters, flags, token);
    return {moved, token, pos};
}

TEST(get_token, stops_at_the_first_delimiter_and_steps_over_it) {
    const token_result r = read_token(L"abc  def", L" ", 0);
    EXPECT_TRUE(r.moved);
    EXPECT_EQ(r.token, L"abc");
    EXPECT_EQ(r.rest, L" def");
    const token_result last = read_token(L"xyz", L" ", 0);
    EXPECT_EQ(last.token, L"xyz");
    EXPECT_EQ(last.rest, L"");
}

TEST(get_token, leading_delimiter_gives_an_empty_token_but_moves) {
    const token_result r = read_token(L",abc", L",", 0);
    EXPECT_TRUE(r.moved);
    EXPECT_EQ(r.token, L"");
    EXPECT_EQ(r.rest, L"abc");
}

TEST(get_token, end_of_text_or_null_position_does_not_move) {
    const token_result r = read_token(L"", L" ", 7);
    EXPECT_FALSE(r.moved);
    EXPECT_EQ(r.token, L"");
    const wchar_t* pos = nullptr;
    std::wstring token = L"stale";
    EXPECT_FALSE(get_token(pos, L" ", 7, token));
    EXPECT_EQ(token, L"");
}

TEST(get_token, quotes_group_delimiters) {
    const token_result kept = read_token(L"\"a b\"c d", L" ", token_quotes);
    EXPECT_EQ(kept.token, L"\"a b\"c");
    EXPECT_EQ(kept.rest, L"d");
    const token_result stripped = read_token(L"\"a b\"c d", L" ", token_quotes | token_strip_quotes);
    EXPECT_EQ(stripped.token, L"a bc");
    // Without the quote flag a quote is an ordinary character.
    const token_result plain = read_token(L"\"a b\"", L" ", 0);
    EXPECT_EQ(plain.token, L"\"a");
}

TEST(get_token, unterminated_quote_runs_to_the_end) {
    const token_result r = read_token(L"\"abc def", L" ", token_quotes | token_strip_quotes);
    EXPECT_EQ(r.token, L"abc def");
    EXPECT_EQ(r.rest, L"");
}

TEST(get_token, adjacent_quotes_are_both_removed) {
    EXPECT_EQ(read_token(L"a\"\"b\"\"\"c", L" ", token_quotes | token_strip_quotes).token, L"abc");
}

TEST(get_token, leading_white_space_is_skipped_only_with_its_flag) {
    const token_result skipped = read_token(L" \t abc,def", L",", token_skip_space);
    EXPECT_EQ(skipped.token, L"abc");
    EXPECT_EQ(skipped.rest, L"def");
    const token_result kept = read_token(L" \t abc,def", L",", 0);
    EXPECT_EQ(kept.token, L" \t abc");
    // Even when white space is also a delimiter, the empty token skips it first.
    EXPECT_EQ(read_token(L"  abc def", L" ", token_skip_space).token, L"abc");
    // Only white space: nothing but skipping, the position still moves.
    const token_result blank = read_token(L"   ", L",", token_skip_space);
    EXPECT_EQ(blank.token, L"");
    EXPECT_EQ(blank.rest, L"");
}

TEST(get_token, no_delimiters_takes_everything) {
    EXPECT_EQ(read_token(L"a b,c", nullptr, 0).token, L"a b,c");
    EXPECT_EQ(read_token(L"a b,c", L"", 0).token, L"a b,c");
}

TEST(skip_chars, skips_the_given_classes_only) {
    const wchar_t* pos = L" \t\r\n\v\fx";
    EXPECT_TRUE(skip_chars(pos, char_space));
    EXPECT_EQ(*pos, L'x');
    EXPECT_FALSE(skip_chars(pos, char_space));
    EXPECT_EQ(*pos, L'x');
    const wchar_t* digits = L"123a";
    EXPECT_TRUE(skip_chars(digits, char_digit | char_upper));
    EXPECT_EQ(*digits, L'a');
}

TEST(skip_chars, never_passes_the_end_or_wide_characters) {
    const wchar_t* end = L"";
    EXPECT_FALSE(skip_chars(end, char_end | char_control));
    const wchar_t text[] = {0x00A0, 0x3000, static_cast<wchar_t>(-247), 0};
    for (const wchar_t* pos = text; *pos != 0; ++pos) {
        const wchar_t* at = pos;
        EXPECT_FALSE(skip_chars(at, 0xFFFF)) << static_cast<unsigned long>(*pos);
    }
    const wchar_t* null_pos = nullptr;
    EXPECT_FALSE(skip_chars(null_pos, char_space));
}

TEST(find_nocase, finds_the_option_in_any_case) {
    const wchar_t* text = L"-t --EchoProbe www";
    EXPECT_EQ(find_nocase(text, L"--echoprobe"), text + 3);
    EXPECT_NE(find_nocase(L"--ECHOPROBE", L"--echoprobe"), nullptr);
    EXPECT_NE(find_nocase(L"--echoprobe", L"--EcHoPrObE"), nullptr);
    EXPECT_EQ(find_nocase(L"--echoprob", L"--echoprobe"), nullptr);
    EXPECT_EQ(find_nocase(L"--echo-probe", L"--echoprobe"), nullptr);
}

TEST(find_nocase, match_may_lie_inside_a_longer_argument) {
    const wchar_t* text = L"x--echoprobex";
    EXPECT_EQ(find_nocase(text, L"--echoprobe"), text + 1);
    const wchar_t* repeated = L"aaab";
    EXPECT_EQ(find_nocase(repeated, L"AAB"), repeated + 1);
}

TEST(find_nocase, empty_and_null_inputs) {
    const wchar_t* text = L"abc";
    EXPECT_EQ(find_nocase(L"", L"a"), nullptr);
    EXPECT_EQ(find_nocase(L"", L""), nullptr);
    EXPECT_EQ(find_nocase(text, L""), text);
    EXPECT_EQ(find_nocase(nullptr, L"a"), nullptr);
    EXPECT_EQ(find_nocase(text, nullptr), nullptr);
}

TEST(find_nocase, folds_only_a_to_z) {
    EXPECT_EQ(find_nocase(L"\u00C9cho", L"\u00E9cho"), nullptr);
    EXPECT_NE(find_nocase(L"x\u00E9CHO", L"\u00E9cho"), nullptr);
    // Neighbours of the letters are not letters: '@' is not '`', '[' is not '{'.
    EXPECT_EQ(find_nocase(L"`", L"@"), nullptr);
    EXPECT_EQ(find_nocase(L"{", L"["), nullptr);
    EXPECT_EQ(find_nocase(L"\u0161", L"\u0160"), nullptr);
}

TEST(command_line_args, quoted_program_path_with_blanks) {
    EXPECT_EQ(command_line_args(L"\"C:\\Program Files\\Echo View\\echoview.exe\"   --EchoProbe -t"),
              L"--EchoProbe -t");
    EXPECT_EQ(command_line_args(L"\"C:\\Program Files\\echoview.exe\"\t \t--echoprobe"), L"--echoprobe");
}

TEST(command_line_args, unquoted_program_and_the_rest_unchanged) {
    EXPECT_EQ(command_line_args(L"echoview.exe a  \"b c\" "), L"a  \"b c\" ");
    EXPECT_EQ(command_line_args(L"C:\\x\\echoview.exe\t--echoprobe"), L"--echoprobe");
}

TEST(command_line_args, program_name_alone_gives_empty_arguments) {
    EXPECT_EQ(command_line_args(L"echoview.exe"), L"");
    EXPECT_EQ(command_line_args(L"\"C:\\Program Files\\echoview.exe\""), L"");
    EXPECT_EQ(command_line_args(L"\"C:\\Program Files\\echoview.exe\"    "), L"");
    EXPECT_EQ(command_line_args(L""), L"");
    EXPECT_EQ(command_line_args(nullptr), L"");
}

} // namespace
