#include "util/ui/command_line.h"

#include "util/sys/char_class.h"

#include <algorithm>
#include <type_traits>

namespace {

// wchar_t is signed on some hosts: compare bit patterns, never negative values.
unsigned long code_of(wchar_t ch) {
    return static_cast<std::make_unsigned_t<wchar_t>>(ch);
}

bool has_class(wchar_t ch, unsigned classes) {
    return code_of(ch) < 128 && char_has(code_of(ch), static_cast<std::uint16_t>(classes));
}

bool is_delimiter(wchar_t ch, const wchar_t* delimiters) {
    if (delimiters == nullptr) return false;
    for (; *delimiters != L'\0'; ++delimiters)
        if (*delimiters == ch) return true;
    return false;
}

wchar_t fold(wchar_t ch) {
    return has_class(ch, char_upper) ? static_cast<wchar_t>(ch + 32) : ch;
}

bool matches_at(const wchar_t* text, const wchar_t* pattern) {
    for (; *pattern != L'\0'; ++text, ++pattern)
        if (fold(*text) != fold(*pattern)) return false;
    return true;
}

} // namespace

bool get_token(const wchar_t*& pos, const wchar_t* delimiters, unsigned flags, std::wstring& token) {
    token.clear();
    if (pos == nullptr) return false;
    const wchar_t* start = pos;
    const wchar_t* p = pos;
    bool quoted = false;
    bool at_delimiter = false;
    for (; *p != L'\0'; ++p) {
        if (quoted) {
            quoted = *p != L'"';
        } else if ((flags & token_skip_space) != 0 && p == start && has_class(*p, char_space)) {
            start = p + 1;
        } else if ((flags & token_quotes) != 0 && *p == L'"') {
            quoted = true;
        } else if (is_delimiter(*p, delimiters)) {
            at_delimiter = true;
            break;
        }
    }
    token.assign(start, p);
    if (at_delimiter) ++p;
    // Every quote goes, also the second of two adjacent ones.
    if ((flags & token_strip_quotes) != 0)
        token.erase(std::remove(token.begin(), token.end(), L'"'), token.end());
    pos = p;
    return p != start;
}

bool skip_chars(const wchar_t*& pos, unsigned classes) {
    if (pos == nullptr) return false;
    const wchar_t* start = pos;
    while (*pos != L'\0' && has_class(*pos, classes)) ++pos;
    return pos != start;
}

const wchar_t* find_nocase(const wchar_t* text, const wchar_t* pattern) {
    if (text == nullptr || pattern == nullptr) return nullptr;
    for (const wchar_t* start = text; *start != L'\0'; ++start)
        if (matches_at(start, pattern)) return start;
    return nullptr;
}

std::wstring command_line_args(const wchar_t* command_line) {
    if (command_line == nullptr) return std::wstring();
    const wchar_t* pos = command_line;
    std::wstring program;
    get_token(pos, L" \t", token_quotes | token_strip_quotes, program);
    skip_chars(pos, char_space);
    return pos;
}
