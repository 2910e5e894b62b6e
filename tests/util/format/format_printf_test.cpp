// Formatter against the C library's snprintf, on the conversions where both agree.
#include "tests/util/format/format_test_util.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// Values spread over every magnitude, plus the usual suspects at the edges.
std::vector<std::uint64_t> test_values(std::mt19937_64& random) {
    std::vector<std::uint64_t> values = {0,
                                         1,
                                         7,
                                         9,
                                         10,
                                         99,
                                         100,
                                         255,
                                         256,
                                         999,
                                         1000,
                                         4095,
                                         0x7fffffffu,
                                         0x80000000u,
                                         0xffffffffu,
                                         0x100000000u,
                                         0x7fffffffffffffffu,
                                         0x8000000000000000u,
                                         ~0ull};
    for (std::uint64_t power = 1; power < 1000000000000000000ull; power *= 10) {
        values.push_back(power - 1);
        values.push_back(power + 1);
    }
    for (int i = 0; i < 300; ++i) values.push_back(random() >> (random() % 64));
    std::size_t count = values.size();
    for (std::size_t i = 0; i < count; ++i) values.push_back(0 - values[i]);
    return values;
}

struct spec_choice {
    std::string flags;
    int width;     // -1: none
    int precision; // -1: none
};

// printf and the formatter differ on: '+'/' ' with unsigned and radix conversions
// (printf ignores them), '#' with 'o' and a precision, the prefix of '#' with 'X',
// and precision 0 on the value 0.
spec_choice random_placeholder(std::mt19937_64& random, char conversion) {
    const char* allowed = "-0#";
    if (conversion == 'd')
        allowed = "-+ 0";
    else if (conversion == 'u' || conversion == 'X')
        allowed = "-0"; // '#' with 'X' gives "0x" here, "0X" there
    spec_choice choice;
    for (const char* flag = allowed; *flag; ++flag)
        if (random() % 3 == 0) choice.flags += *flag;
    choice.width = random() % 3 == 0 ? -1 : static_cast<int>(random() % 40);
    choice.precision = random() % 3 == 0 ? static_cast<int>(1 + random() % 30) : -1;
    if (conversion == 'o' && choice.precision >= 0 && choice.flags.find('#') != std::string::npos)
        choice.flags.erase(choice.flags.find('#'), 1);
    return choice;
}

std::string placeholder_text(const spec_choice& choice) {
    std::string text = "%" + choice.flags;
    if (choice.width >= 0) text += std::to_string(choice.width);
    if (choice.precision >= 0) text += "." + std::to_string(choice.precision);
    return text;
}

// The C library's rendering of a 64-bit value; `placeholder` is the placeholder without conversion.
std::string c_format(const std::string& placeholder, char conversion, std::uint64_t value) {
    const char* length_and_conversion = PRIu64;
    switch (conversion) {
        case 'd': length_and_conversion = PRId64; break;
        case 'x': length_and_conversion = PRIx64; break;
        case 'X': length_and_conversion = PRIX64; break;
        case 'o': length_and_conversion = PRIo64; break;
        default: break;
    }
    std::string format = placeholder + length_and_conversion;
    char buffer[256];
    if (conversion == 'd')
        std::snprintf(buffer, sizeof buffer, format.c_str(), static_cast<std::int64_t>(value));
    else
        std::snprintf(buffer, sizeof buffer, format.c_str(), value);
    return buffer;
}

class format_vs_printf : public ::testing::TestWithParam<char> {};

} // namespace

TEST_P(format_vs_printf, agrees_on_random_values_and_fields) {
    char conversion = GetParam();
    std::mt19937_64 random(20240601u + static_cast<unsigned>(conversion));
    std::vector<std::uint64_t> values = test_values(random);
    int failures = 0;
    for (std::uint64_t value : values) {
        for (int round = 0; round < 8 && failures < 10; ++round) {
            std::string placeholder = placeholder_text(random_placeholder(random, conversion));
            std::string ours_placeholder =
                placeholder + (conversion == 'd' ? "?" : std::string(1, conversion));
            std::string expected = c_format(placeholder, conversion, value);
            std::string expected32, actual, actual32;
            if (conversion == 'd') {
                auto value32 = static_cast<std::int32_t>(value);
                expected32 =
                    c_format(placeholder, conversion, static_cast<std::uint64_t>(std::int64_t(value32)));
                actual = run_both(ours_placeholder, static_cast<std::int64_t>(value));
                actual32 = run_both(ours_placeholder, value32);
            } else {
                auto value32 = static_cast<std::uint32_t>(value);
                expected32 = c_format(placeholder, conversion, value32);
                actual = run_both(ours_placeholder, value);
                actual32 = run_both(ours_placeholder, value32);
            }
            if (actual != expected || actual32 != expected32) ++failures;
            EXPECT_EQ(actual, expected) << "format " << ours_placeholder << " value " << value;
            EXPECT_EQ(actual32, expected32) << "format " << ours_placeholder << " 32-bit value " << value;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(conversions, format_vs_printf, ::testing::Values('d', 'u', 'x', 'X', 'o'));

TEST(format_vs_printf_star, width_and_precision_from_arguments) {
    std::mt19937 random(77);
    for (int i = 0; i < 2000; ++i) {
        int width = static_cast<int>(random() % 61) - 30;
        int precision = static_cast<int>(random() % 25) - 4;
        int value = static_cast<int>(random()) >> (random() % 32);
        if (precision == 0) precision = 1; // printf prints nothing for 0 at precision 0
        char expected[128];
        std::snprintf(expected, sizeof expected, "[%*.*d]", width, precision, value);
        EXPECT_EQ(run_both("[%*.*?]", width, precision, value), expected)
            << "width " << width << " precision " << precision << " value " << value;
    }
}
