// Command line: the argument text after the program name, and the tokenizer and option search behind it.
#pragma once

#include <string>

// Flags of get_token.
enum : unsigned {
    token_quotes = 1, // a double quote switches a quoted stretch on and off; delimiters inside do not count
    token_strip_quotes = 2, // the double quotes are removed from the token
    token_skip_space = 4,   // white space at the very start is passed over, not made part of the token
};

// Reads one token starting at `pos` up to the first delimiter outside quotes,
// steps over that one delimiter, and leaves `pos` after it. True when `pos`
// moved. A null `pos` or `*pos` gives an empty token and false.
bool get_token(const wchar_t*& pos, const wchar_t* delimiters, unsigned flags, std::wstring& token);

// Advances `pos` over characters below 128 whose char_class bits meet
// `classes`; never over the terminating zero. True when anything was skipped.
bool skip_chars(const wchar_t*& pos, unsigned classes);

// The first place where `pattern` occurs in `text`, folding only A-Z to a-z;
// null when there is none or `text` is empty or null.
const wchar_t* find_nocase(const wchar_t* text, const wchar_t* pattern);

// The part of `command_line` after the program name (quoted or not) and the
// white space that follows it.
std::wstring command_line_args(const wchar_t* command_line);

#ifdef _WIN32
// The same for this process's command line (GetCommandLineW).
std::wstring command_line_args();
#endif
