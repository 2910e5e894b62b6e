// Fuzz target of the formatter: any format with a few arguments through all three outputs.
//
// Input: byte 0 holds the kinds of four arguments (2 bits each: signed 32-bit, unsigned
// 32-bit, 64-bit, text), byte 1 the size of the fixed buffer, bytes 2-33 the four values
// (8 bytes each, little-endian), the rest is the format.
#include "util/format/format.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t header_size = 2 + 4 * 8;
constexpr std::size_t guard_size = 32;
constexpr unsigned char guard = 0xa5;

void check(bool condition) {
    if (!condition) std::abort();
}

struct argument {
    int kind;
    std::uint64_t value;
};

// Text in owned storage of exactly its length, so ASan catches any read beyond it.
struct text_store {
    std::unique_ptr<char[]> narrow;
    std::unique_ptr<wchar_t[]> wide;
    std::size_t length;
};

text_store make_text(std::uint64_t value) {
    text_store text;
    text.length = (value >> 8) % 12;
    text.narrow.reset(new char[text.length + 1]);
    text.wide.reset(new wchar_t[text.length + 1]);
    for (std::size_t i = 0; i < text.length; ++i) {
        text.narrow[i] = static_cast<char>('a' + i);
        text.wide[i] = static_cast<wchar_t>('a' + i);
    }
    text.narrow[text.length] = '\0';
    text.wide[text.length] = L'\0';
    return text;
}

template <class C>
const C* text_of(const text_store& text);
template <>
const char* text_of<char>(const text_store& text) {
    return text.narrow.get();
}
template <>
const wchar_t* text_of<wchar_t>(const text_store& text) {
    return text.wide.get();
}

template <class C>
void feed(format_base<C>& out, const argument& arg, const text_store& text) {
    switch (arg.kind) {
        case 0: out << static_cast<std::int32_t>(arg.value); break;
        case 1: out << static_cast<std::uint32_t>(arg.value); break;
        case 2:
            if (arg.value & 1)
                out << static_cast<std::int64_t>(arg.value);
            else
                out << arg.value;
            break;
        default:
            switch (arg.value % 4) {
                case 0: out << text_of<C>(text); break;
                case 1: out.arg(text_of<C>(text), static_cast<std::ptrdiff_t>(text.length)); break;
                case 2: out << std::basic_string<C>(text_of<C>(text), text.length); break;
                default: out << static_cast<const C*>(nullptr); break;
            }
    }
}

template <class C>
void feed_all(format_base<C>& out, const std::vector<argument>& args, const std::vector<text_store>& texts) {
    for (std::size_t i = 0; i < args.size(); ++i) feed(out, args[i], texts[i]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < header_size) return 0;
    std::vector<argument> args;
    std::vector<text_store> texts;
    for (int i = 0; i < 4; ++i) {
        std::uint64_t value = 0;
        for (int b = 7; b >= 0; --b) value = value << 8 | data[2 + i * 8 + b];
        args.push_back({(data[0] >> (2 * i)) & 3, value});
        texts.push_back(make_text(value));
    }
    std::size_t format_length = size - header_size;
    std::unique_ptr<char[]> format(new char[format_length + 1]);
    std::memcpy(format.get(), data + header_size, format_length);
    format[format_length] = '\0';

    basic_format<char> whole_out(format.get());
    feed_all(whole_out, args, texts);
    std::string whole = whole_out.str();

    std::string appended = "head";
    {
        basic_strformat<char> out(appended);
        out.set_format(format.get());
        feed_all(out, args, texts);
    }
    check(appended == "head" + whole);

    std::size_t buffer_size = data[1] % 80;
    std::vector<unsigned char> bytes(buffer_size + 2 * guard_size, guard);
    char* buffer = reinterpret_cast<char*>(bytes.data() + guard_size);
    {
        basic_sformat<char> out(buffer, buffer_size, format.get());
        feed_all(out, args, texts);
    }
    for (std::size_t i = 0; i < guard_size; ++i)
        check(bytes[i] == guard && bytes[guard_size + buffer_size + i] == guard);
    if (buffer_size > 0) {
        std::size_t kept = std::strlen(buffer);
        check(kept == std::min(buffer_size - 1, whole.size()));
        check(whole.compare(0, kept, buffer) == 0);
    }

    std::unique_ptr<wchar_t[]> wide_format(new wchar_t[format_length + 1]);
    for (std::size_t i = 0; i <= format_length; ++i)
        wide_format[i] = static_cast<wchar_t>(static_cast<unsigned char>(format[i]));
    basic_format<wchar_t> wide_out(wide_format.get());
    feed_all(wide_out, args, texts);
    std::wstring wide = wide_out.str();
    // 'c' truncates by character size, and x/X/p print the (different) text addresses.
    bool comparable = std::strpbrk(format.get(), "cxXp") == nullptr;
    if (comparable) {
        check(wide.size() == whole.size());
        for (std::size_t i = 0; i < whole.size(); ++i)
            check(wide[i] == static_cast<wchar_t>(static_cast<unsigned char>(whole[i])));
    }
    return 0;
}
