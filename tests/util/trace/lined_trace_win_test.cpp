#include "util/trace/lined_trace_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class recording_lines final : public lined_trace {
public:
    explicit recording_lines(const char* prefix = "") : lined_trace(prefix) {}
    std::vector<std::string> lines;

protected:
    void output_line(const char* line) override { lines.emplace_back(line); }
};

TEST(lined_trace, long_line_is_broken_at_254_characters) {
    recording_lines sink;
    const std::string text(600, 'x');
    sink.write(text.c_str(), true);
    ASSERT_EQ(sink.lines.size(), 2u);
    EXPECT_EQ(sink.lines[0], std::string(254, 'x') + "\n");
    EXPECT_EQ(sink.lines[1], std::string(254, 'x') + "\n");
    sink.write("y\n", true);
    ASSERT_EQ(sink.lines.size(), 3u);
    EXPECT_EQ(sink.lines[2], std::string(92, 'x') + "y\n");
}

TEST(lined_trace, line_ends_and_forced_breaks) {
    recording_lines sink;
    sink.write("a\r\nb\n", true);
    sink.write("c\rd\n", true); // a lone CR stays
    sink.write("e", true);
    sink.write("f\r", true);
    sink.write("\n", true); // CR LF split across two messages
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"a\n", "b\n", "c\rd\n", "ef\n"}));

    // A line end right after a forced break gives no empty line, in either form.
    sink.lines.clear();
    sink.write((std::string(254, 'p') + "\r\nq\n").c_str(), true);
    sink.write((std::string(254, 'r') + "\ns\n").c_str(), true);
    sink.write((std::string(253, 't') + "\r\nu\n").c_str(), true); // CR LF straddling the break
    EXPECT_EQ(sink.lines,
              (std::vector<std::string>{std::string(254, 'p') + "\n", "q\n", std::string(254, 'r') + "\n",
                                        "s\n", std::string(253, 't') + "\n", "u\n"}));
}

TEST(lined_trace, prefix_and_flush) {
    recording_lines sink("12345678901234567890");
    sink.write("one\ntwo", true);
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0], "1234567890123456one\n");
    sink.flush(false);
    ASSERT_EQ(sink.lines.size(), 2u);
    EXPECT_EQ(sink.lines[1], "1234567890123456two");
    sink.flush(false); // nothing left
    sink.write("three\n", true);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"1234567890123456one\n", "1234567890123456two",
                                                    "1234567890123456three\n"}));

    recording_lines wide_sink(">");
    wide_sink.write_wide(L"caf\u00e9\n", true); // UTF-16 in, UTF-8 out
    ASSERT_EQ(wide_sink.lines.size(), 1u);
    EXPECT_EQ(wide_sink.lines[0], ">caf\xc3\xa9\n");
}

} // namespace
