// The samples' CSV lines: exact numbers both ways, the local time column, and the reader.
#include "app/store/sample_csv.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <limits>
#include <string>

namespace {

// A clock under which time stamp 1000.0 arrived at 2026-12-09 10:11:12.345 local time.
sample_clock test_clock() {
    local_moment arrival;
    arrival.year = 2026;
    arrival.month = 12;
    arrival.day = 9;
    arrival.hour = 10;
    arrival.minute = 11;
    arrival.second = 12;
    arrival.millisecond = 345;
    sample_clock clock;
    clock.newest_time = 1000.0;
    clock.newest_local_ms = local_ms_of(arrival);
    return clock;
}

std::string line_of(double time, double rtt) {
    std::string text;
    append_sample_csv(text, ping_sample{time, rtt}, test_clock());
    return text;
}

bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(sample_csv, lines_hold_the_shortest_exact_numbers_and_the_local_time) {
    EXPECT_EQ(line_of(1000.0, 12.5), "1000,12.5,2026-12-09 10:11:12.345\n");
    EXPECT_EQ(line_of(999.5, 1e-300), "999.5,1e-300,2026-12-09 10:11:11.845\n");
    EXPECT_EQ(line_of(1000.0, 123456789.125), "1000,123456789.125,2026-12-09 10:11:12.345\n");
    EXPECT_EQ(line_of(1000.1, 0.1), "1000.1,0.1,2026-12-09 10:11:12.445\n");
    // A day and a bit before the newest: the date goes back with it.
    EXPECT_EQ(line_of(-86400.25 + 1000.0, 3.0), "-85400.25,3,2026-12-08 10:11:12.095\n");
    EXPECT_EQ(line_of(-0.0, 5e-324), "-0,5e-324,2026-12-09 09:54:32.345\n");
}

TEST(sample_csv, every_double_written_reads_back_to_the_same_bits) {
    const double awkward[] = {1e-300,
                              123456789.125,
                              -1e-300,
                              -86400.000001,
                              0.1 + 0.2,
                              std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::max(),
                              -std::numeric_limits<double>::max(),
                              1.0 / 3.0,
                              9007199254740993.0};
    for (double time : awkward) {
        for (double rtt : awkward) {
            const std::string line = line_of(time, rtt);
            ping_sample back{};
            ASSERT_TRUE(parse_sample_csv(line.c_str(), back)) << line;
            EXPECT_TRUE(same_bits(time, back.time)) << line;
            EXPECT_TRUE(same_bits(rtt, back.rtt)) << line;
        }
    }
}

TEST(sample_csv, the_decimal_point_is_a_point_whatever_the_locale) {
    // Whichever of these names the system knows; a locale with a decimal comma.
    const char* comma_locale = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE", "German_Germany.1252", "German"})
        if ((comma_locale = std::setlocale(LC_NUMERIC, name))) break;
    if (!comma_locale) GTEST_SKIP() << "no locale with a decimal comma here";
    const std::string line = line_of(1000.5, 0.25);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(line, "1000.5,0.25,2026-12-09 10:11:12.845\n");
}

TEST(sample_csv, a_copy_is_the_header_and_a_line_a_sample_in_order) {
    const ping_sample samples[] = {{998.0, 1.5}, {999.0, 2.5}, {1000.0, 3.5}};
    EXPECT_EQ(samples_csv(samples, 3, test_clock()), "time,rtt,local_time\n"
                                                     "998,1.5,2026-12-09 10:11:10.345\n"
                                                     "999,2.5,2026-12-09 10:11:11.345\n"
                                                     "1000,3.5,2026-12-09 10:11:12.345\n");
    EXPECT_EQ(samples_csv(samples, 0, test_clock()), "time,rtt,local_time\n");
}

TEST(sample_csv, the_reader_takes_two_or_three_columns_and_nothing_else) {
    struct accepted {
        const char* line;
        double time;
        double rtt;
    };
    for (const accepted& a : {accepted{"1,2", 1, 2}, accepted{" 1.5 ,\t2.25 \r\n", 1.5, 2.25},
                              accepted{"-3,4,2026-12-09 10:11:12.345\n", -3, 4}, accepted{"5,6,", 5, 6},
                              accepted{"7e2,1e-300,anything at all", 700, 1e-300}}) {
        ping_sample sample{};
        EXPECT_TRUE(parse_sample_csv(a.line, sample)) << a.line;
        EXPECT_EQ(a.time, sample.time) << a.line;
        EXPECT_EQ(a.rtt, sample.rtt) << a.line;
    }
    for (const char* refused : {"", "\n", "1", "1,", ",2", "1;2", "a,2", "1,b", "1,2 x", "1 2,3", "1,,2"}) {
        ping_sample sample{};
        EXPECT_FALSE(parse_sample_csv(refused, sample)) << '"' << refused << '"';
    }
    EXPECT_TRUE(is_sample_csv_header("time,rtt,local_time\n"));
    EXPECT_TRUE(is_sample_csv_header("time,rtt\r\n"));
    EXPECT_FALSE(is_sample_csv_header("1,2\n"));
}

} // namespace
