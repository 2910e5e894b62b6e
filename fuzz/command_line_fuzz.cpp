// Fuzz target of the command line tokenizer, option search and UTF-8 encoder over any UTF-16 text.
//
// Input: byte 0 holds get_token's flags and the split point of pattern and text; the rest,
// taken two bytes a unit, is the text.
#include "util/sys/char_class.h"
#include "util/sys/string_convert.h"
#include "util/ui/command_line.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// Owned storage of exactly the text and its terminator, so ASan catches any read beyond it.
std::unique_ptr<wchar_t[]> terminated(const std::wstring& text) {
    std::unique_ptr<wchar_t[]> copy(new wchar_t[text.size() + 1]);
    std::copy(text.begin(), text.end(), copy.get());
    copy[text.size()] = L'\0';
    return copy;
}

std::size_t units_before_nul(const std::wstring& text) {
    const std::size_t nul = text.find(L'\0');
    return nul == std::wstring::npos ? text.size() : nul;
}

void tokenize_all(const wchar_t* text, std::size_t length, unsigned flags) {
    const wchar_t* pos = text;
    std::wstring token;
    while (get_token(pos, L" \t,\"", flags, token)) {
        check(pos > text && pos <= text + length);
        check(token.size() <= length);
    }
    check(pos >= text && pos <= text + length);
    const wchar_t* skipped = text;
    skip_chars(skipped, 0xFFFF);
    check(skipped >= text && skipped <= text + length);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::wstring units;
    for (std::size_t i = 1; i + 1 < size; i += 2) units += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    const std::string utf8 = to_utf8(units);
    check(utf8.size() <= units.size() * 3);

    const std::size_t length = units_before_nul(units);
    const auto text = terminated(units.substr(0, length));
    tokenize_all(text.get(), length, data[0] & 7u);
    const std::wstring args = command_line_args(text.get());
    check(args.size() <= length);

    const std::size_t split = length == 0 ? 0 : data[0] % (length + 1);
    const auto pattern = terminated(units.substr(0, split));
    const auto haystack = terminated(units.substr(split, length - split));
    const wchar_t* found = find_nocase(haystack.get(), pattern.get());
    if (found != nullptr)
        check(found >= haystack.get() && found + split <= haystack.get() + (length - split));
    return 0;
}
