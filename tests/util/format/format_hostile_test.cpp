// Formatter under malformed formats, out-of-range widths and tiny buffers.
#include "tests/util/format/format_test_util.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr char guard = '\x5a';
constexpr std::size_t guard_size = 16;

// A buffer of `size` characters with guard bytes on both sides.
class guarded_buffer {
public:
    explicit guarded_buffer(std::size_t size) : size_(size), bytes_(size + 2 * guard_size, guard) {}
    char* data() { return bytes_.data() + guard_size; }
    std::size_t size() const { return size_; }
    bool guards_intact() const {
        for (std::size_t i = 0; i < guard_size; ++i)
            if (bytes_[i] != guard || bytes_[guard_size + size_ + i] != guard) return false;
        return true;
    }

private:
    std::size_t size_;
    std::vector<char> bytes_;
};

// The format in a heap block of exactly its size, so ASan sees any read past the NUL.
std::unique_ptr<char[]> exact_copy(const std::string& text) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

template <class... Args>
std::string through_sformat(const std::string& format, std::size_t size, bool& guards_ok,
                            const Args&... args) {
    guarded_buffer buffer(size);
    auto exact = exact_copy(format);
    {
        basic_sformat<char> out(buffer.data(), buffer.size(), exact.get());
        (void)(out << ... << args);
    }
    guards_ok = buffer.guards_intact();
    return size > 0 ? std::string(buffer.data()) : std::string();
}

template <class... Args>
std::string through_format(const std::string& format, const Args&... args) {
    auto exact = exact_copy(format);
    basic_format<char> out(exact.get());
    (void)(out << ... << args);
    return out.str();
}

const char* const truncated_formats[] = {
    "%",  "%-",  "%+ #',0", "%5",  "%127", "%*",  "%.",   "%.*",  "%5.", "%.5",
    "%h", "%hl", "%l",      "%ll", "%L",   "%I",  "%I6",  "%I64", "%Il", "%I64l",
    "a%", "%%%", "%-*.*",   "%0",  "%'",   "%,.", "%#.*", "%I6x", "%I4",
};

} // namespace

TEST(format_hostile, truncated_placeholders_stay_inside_the_format) {
    for (const char* format : truncated_formats) {
        for (std::size_t size : {0u, 1u, 2u, 5u, 200u}) {
            bool guards_ok = false;
            std::string whole = through_format(format, 12, "ab", -3);
            std::string cut = through_sformat(format, size, guards_ok, 12, "ab", -3);
            EXPECT_TRUE(guards_ok) << format << " size " << size;
            EXPECT_EQ(cut, whole.substr(0, size > 0 ? size - 1 : 0)) << format << " size " << size;
            EXPECT_EQ(through_format(format), through_format(format)) << format;
        }
    }
}

TEST(format_hostile, truncated_placeholders_render_at_the_end) {
    EXPECT_EQ(through_format("%", 5), "5");
    EXPECT_EQ(through_format("%-", 5), "5");
    EXPECT_EQ(through_format("%5", 5), "    5");
    EXPECT_EQ(through_format("%.", 5), "5");
    EXPECT_EQ(through_format("%.3", 5), "005");
    EXPECT_EQ(through_format("%*", 4, 5), "   5");
    EXPECT_EQ(through_format("%I6", 5), "56");
    EXPECT_EQ(through_format("%I64", 5), "5");
    EXPECT_EQ(through_format("%I6x", 5), "56x");
}

TEST(format_hostile, huge_widths_and_precisions_are_clamped) {
    EXPECT_EQ(through_format("%200?", 1).size(), 127u);
    EXPECT_EQ(through_format("%99999999999999999999?", 1).size(), 127u);
    EXPECT_EQ(through_format("%-300?|", 1).size(), 128u);
    EXPECT_EQ(through_format("%.200?", 1), std::string(126, '0') + "1");
    EXPECT_EQ(through_format("%.200?", "abc"), "abc");
    EXPECT_EQ(through_format("%,.100?", 5), "0." + std::string(30, '0') + "5");
    EXPECT_EQ(through_format("%,.32?", -5), "-0." + std::string(30, '0') + "5");
    EXPECT_EQ(through_format("%#,.99?", UINT64_MAX), "0.0000000000018446744073709551615");
    EXPECT_EQ(through_format("%,.31o", UINT64_MAX), "0.0000000001777777777777777777777");
    EXPECT_EQ(through_format("%',.40?", INT64_MIN), "-0.0000000000009223372036854775808");
    EXPECT_EQ(through_format("%+'#,140.31?", INT64_MIN).size(), 127u);
}

TEST(format_hostile, star_values_out_of_range) {
    // The width takes the low 8 bits as a signed number.
    EXPECT_EQ(through_format("%*?", 300, 1).size(), 44u);
    EXPECT_EQ(through_format("%*?|", -128, 1), "1" + std::string(126, ' ') + "|");
    EXPECT_EQ(through_format("%*?", INT64_MIN, 1), "1");
    EXPECT_EQ(through_format("%.*?", 1000, 1).size(), 127u);
    EXPECT_EQ(through_format("%.*?", UINT64_MAX, 1).size(), 127u);
    EXPECT_EQ(through_format("%.*?", INT_MIN, 1), "1");
    EXPECT_EQ(through_format("%.*?", INT64_MIN, 1), "1");
    EXPECT_EQ(through_format("%,.*?", 500, 5), "0." + std::string(30, '0') + "5");
}

TEST(sformat_hostile, size_zero_writes_nothing) {
    bool guards_ok = false;
    through_sformat("abc%?def", 0, guards_ok, 12345);
    EXPECT_TRUE(guards_ok);
    char untouched = 'Q';
    { basic_sformat<char> out(&untouched, 0, "text"); }
    EXPECT_EQ(untouched, 'Q');
}

TEST(sformat_hostile, size_one_writes_only_the_terminator) {
    char cell[2] = {'Q', 'R'};
    {
        basic_sformat<char> out(cell, 1, "text%?");
        out << 123 << "more";
        EXPECT_EQ(out.length(), 0u);
    }
    EXPECT_EQ(cell[0], '\0');
    EXPECT_EQ(cell[1], 'R');
}

TEST(sformat_hostile, every_size_is_a_prefix_of_the_whole) {
    std::string whole = through_format("%08x|%'?|%-6?|%#,.2?", 0xbeefu, -1234567, "ab", 1005);
    for (std::size_t size = 0; size <= whole.size() + 3; ++size) {
        bool guards_ok = false;
        std::string cut =
            through_sformat("%08x|%'?|%-6?|%#,.2?", size, guards_ok, 0xbeefu, -1234567, "ab", 1005);
        EXPECT_TRUE(guards_ok) << size;
        EXPECT_EQ(cut, whole.substr(0, size > 0 ? size - 1 : 0)) << size;
    }
}

// Random formats from the placeholder alphabet: the three outputs agree, nothing escapes.
TEST(format_hostile, random_formats_agree_across_outputs) {
    const char alphabet[] = "%%%%%-+ #',0123456789*.hlLI64?iduxXpozZmcs|";
    std::mt19937 random(4242);
    const char* text = "txt"; // one object, so a '%x' prints the same address everywhere
    for (int round = 0; round < 20000; ++round) {
        std::string format;
        for (std::size_t i = random() % 14; i > 0; --i) format += alphabet[random() % (sizeof alphabet - 1)];
        auto big = static_cast<std::int64_t>(static_cast<std::uint64_t>(random()) << (random() % 40));
        int small = static_cast<int>(random()) >> (random() % 32);
        std::string whole = through_format(format, small, big, text, -7);
        std::string appended = "head";
        {
            auto exact = exact_copy(format);
            basic_strformat<char> out(appended);
            out.set_format(exact.get()) << small << big << text << -7;
        }
        ASSERT_EQ(appended, "head" + whole) << format;
        std::size_t size = random() % 40;
        bool guards_ok = false;
        std::string cut = through_sformat(format, size, guards_ok, small, big, text, -7);
        ASSERT_TRUE(guards_ok) << format;
        ASSERT_EQ(cut, whole.substr(0, size > 0 ? size - 1 : 0)) << format;
        // 'c' truncates differently by character size; x/X/p print the text's own address.
        if (format.find_first_of("cxXp") != std::string::npos) continue;
        std::wstring wide_format = widen<wchar_t>(format);
        basic_format<wchar_t> wide(wide_format.c_str());
        wide << small << big << L"txt" << -7;
        ASSERT_EQ(wide.str(), widen<wchar_t>(whole)) << format;
    }
}
