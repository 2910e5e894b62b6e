// Pixel coordinates, the grid step, grid label values and label texts of the graph.
#include "app/graph/grid_labels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "app/graph/pixel_coord.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(nice_step, worked_example) {
    EXPECT_EQ(nice_step(230, 3.2, 41.0), 20.0);
}

TEST(nice_step, picks_one_two_or_five_times_a_power_of_ten) {
    EXPECT_EQ(nice_step(200, 0.0, 10.0), 5.0);    // g = 5 -> 5 f
    EXPECT_EQ(nice_step(200, 0.0, 3.0), 2.0);     // g = 1.5 -> 2 f; 0 and 2 both fit
    EXPECT_EQ(nice_step(200, 0.0, 2.4), 1.0);     // g = 1.2 -> f
    EXPECT_EQ(nice_step(1000, 0.0, 100.0), 10.0); // n = 10
    EXPECT_EQ(nice_step(50, 0.0, 100.0), 50.0);   // at least two intervals
}

TEST(nice_step, halves_when_fewer_than_two_multiples_fit) {
    // f = 10, g = 1.5 -> 20; ceil(5/20)*20 + 20 = 40 > 5 + 30, so 10.
    EXPECT_EQ(nice_step(200, 5.0, 30.0), 10.0);
    // With 40 it just fits: 20 and 40 are both <= 45.
    EXPECT_EQ(nice_step(200, 5.0, 40.0), 20.0);
}

TEST(nice_step, degenerate_range_or_height_returns_y_low) {
    EXPECT_EQ(nice_step(230, 7.5, 0.0), 7.5);
    EXPECT_EQ(nice_step(0, 7.5, 10.0), 7.5);
    EXPECT_EQ(nice_step(-20, -3.0, 10.0), -3.0);
    EXPECT_EQ(nice_step(230, 0.0, -1.0), 0.0);
}

TEST(grid_label_values, walks_multiples_of_the_step_up_to_the_top) {
    EXPECT_EQ(grid_label_values(3.2, 44.2, 20.0), (std::vector<double>{20.0, 40.0}));
    EXPECT_EQ(grid_label_values(-12.0, 9.0, 5.0), (std::vector<double>{-10.0, -5.0, 0.0, 5.0}));
    // The first value is used even above the top.
    EXPECT_EQ(grid_label_values(3.2, 4.0, 20.0), (std::vector<double>{20.0}));
}

TEST(grid_label_values, ends_for_every_step_that_is_not_positive) {
    // A single value: the step is the value itself and one label shows it.
    EXPECT_EQ(grid_label_values(12.5, 12.5, nice_step(230, 12.5, 0.0)), (std::vector<double>{12.5}));
    // Zero and negative steps would give NaN or never end.
    EXPECT_EQ(grid_label_values(0.0, 0.0, 0.0), (std::vector<double>{0.0}));
    EXPECT_EQ(grid_label_values(-5.0, -5.0, -5.0), (std::vector<double>{-5.0}));
    EXPECT_EQ(grid_label_values(-5.0, 1e300, std::numeric_limits<double>::quiet_NaN()),
              (std::vector<double>{-5.0}));
    EXPECT_EQ(grid_label_values(1.0, 2.0, std::numeric_limits<double>::infinity()),
              (std::vector<double>{1.0}));
}

TEST(grid_label_values, ends_when_the_step_cannot_move_the_value_or_labels_are_too_many) {
    EXPECT_EQ(grid_label_values(1e20, 2e20, 1.0).size(), 1u);
    EXPECT_EQ(grid_label_values(0.0, 1e9, 1.0).size(), max_grid_labels);
}

TEST(truncate_to_int32, clamps_and_maps_nan_to_zero) {
    EXPECT_EQ(truncate_to_int32(-2.9), -2);
    EXPECT_EQ(truncate_to_int32(2.9), 2);
    EXPECT_EQ(truncate_to_int32(1e300), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(truncate_to_int32(-std::numeric_limits<double>::infinity()),
              std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(truncate_to_int32(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(pixel_coord, truncates_toward_zero) {
    int out = 99;
    ASSERT_TRUE(pixel_coord(79.9, out));
    EXPECT_EQ(out, 79);
    ASSERT_TRUE(pixel_coord(-0.9, out));
    EXPECT_EQ(out, 0);
    ASSERT_TRUE(pixel_coord(-5.5, out));
    EXPECT_EQ(out, -5);
    ASSERT_TRUE(pixel_coord(1073741823.5, out));
    EXPECT_EQ(out, 1073741823);
}

TEST(pixel_coord, refuses_what_no_int_can_hold_safely) {
    int out = 99;
    for (double bad : {nan, inf, -inf, 1073741824.0, -1073741824.0, 3e9, -1e300}) {
        EXPECT_FALSE(pixel_coord(bad, out)) << bad;
        EXPECT_EQ(out, 99);
    }
}

std::wstring text_of(double value) {
    std::wstring text = L"unset";
    EXPECT_TRUE(label_text(value, text)) << value;
    return text;
}

TEST(label_text, tenths_truncated_and_trailing_zero_dropped) {
    EXPECT_EQ(text_of(12.5), L"12.5");
    EXPECT_EQ(text_of(12.0), L"12");
    EXPECT_EQ(text_of(0.5), L"0.5");
    EXPECT_EQ(text_of(-0.5), L"-0.5");
    EXPECT_EQ(text_of(0.0), L"0");
    EXPECT_EQ(text_of(0.7999999), L"0.7");
    EXPECT_EQ(text_of(0.05), L"0");
    EXPECT_EQ(text_of(-12.34), L"-12.3");
    EXPECT_EQ(text_of(1000.0), L"1000");
}

TEST(label_text, values_whose_tenths_leave_32_bits) {
    EXPECT_EQ(text_of(214748364.7), L"214748364.7");
    EXPECT_EQ(text_of(3e8), L"300000000");
    EXPECT_EQ(text_of(-3e8 - 0.25), L"-300000000.2");
    EXPECT_EQ(text_of(1e17), L"100000000000000000");
}

TEST(label_text, no_text_for_tenths_beyond_64_bits) {
    for (double bad : {nan, inf, -inf, 1e18, -1e18, 1e300}) {
        std::wstring text = L"unset";
        EXPECT_FALSE(label_text(bad, text)) << bad;
        EXPECT_EQ(text, L"unset");
    }
}

TEST(grid_labels, known_ranges) {
    EXPECT_EQ(grid_labels(0.0, 100.0, 100.0, 100.0), (std::vector<double>{0.0, 50.0, 100.0}));
    // y_low 3.2, range 41, 230 rows: step 20.
    EXPECT_EQ(grid_labels(3.2, 44.2, 41.0, 230.0), (std::vector<double>{20.0, 40.0}));
    // Below zero: 25 units over at least 2 intervals, step 10.
    EXPECT_EQ(grid_labels(-12.0, 13.0, 25.0, 150.0), (std::vector<double>{-10.0, 0.0, 10.0}));
}

TEST(grid_labels, one_label_when_all_values_are_equal) {
    // y_low == y_high: the step is y_low itself, one label at the value.
    EXPECT_EQ(grid_labels(12.5, 12.5, 0.0, 230.0), (std::vector<double>{12.5}));
    // A step of zero or below zero still ends, with one label at y_low.
    EXPECT_EQ(grid_labels(0.0, 0.0, 0.0, 230.0), (std::vector<double>{0.0}));
    EXPECT_EQ(grid_labels(-3.0, -3.0, 0.0, 230.0), (std::vector<double>{-3.0}));
}

TEST(grid_labels, a_low_window_gets_at_most_one_label_per_row) {
    // A plot of no height makes the step y_low itself: 0.001 over a range of 1000
    // would be a million labels.
    EXPECT_EQ(grid_labels(0.001, 1000.0, 999.999, 0.0).size(), 1u);
    EXPECT_EQ(grid_labels(0.001, 1000.0, 999.999, -5.0).size(), 1u);
    EXPECT_LE(grid_labels(0.001, 1000.0, 999.999, 3.0).size(), 4u);
}

TEST(grid_labels, hostile_ranges_end_quickly) {
    const double cases[][4] = {{1e-300, 1e300, 1e300, 1e6}, {-1e300, 1e300, inf, 1e6},
                               {nan, nan, nan, 100.0},      {0.0, inf, inf, 100.0},
                               {-inf, 5.0, inf, 100.0},     {1e15, 1e15 + 1.0, 1.0, 1e9},
                               {5.0, 4.0, -1.0, 100.0},     {1e308, 1.7e308, 7e307, 2e9}};
    for (const auto& c : cases) {
        const std::vector<double> values = grid_labels(c[0], c[1], c[2], c[3]);
        EXPECT_GE(values.size(), 1u);
        EXPECT_LE(values.size(), 1000u);
    }
}

} // namespace
