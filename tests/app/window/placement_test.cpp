// The placement a restored window is created with: stored values kept while usable.
#include <gtest/gtest.h>

#include "app/window/placement.h"

namespace {

const placement screen{0, 0, 1280, 1024};
constexpr std::int32_t min_size = 40;

void expect_placement(placement expected, placement actual) {
    EXPECT_EQ(expected.x, actual.x);
    EXPECT_EQ(expected.y, actual.y);
    EXPECT_EQ(expected.width, actual.width);
    EXPECT_EQ(expected.height, actual.height);
}

TEST(placement, usable_stored_values_are_kept) {
    expect_placement({100, 50, 640, 480}, fit_on_screen({100, 50, 640, 480}, screen, min_size));
    // Partly off the screen, but with enough of it showing to be grabbed.
    expect_placement({-400, 900, 500, 250}, fit_on_screen({-400, 900, 500, 250}, screen, min_size));
    expect_placement({1240, 984, 500, 250}, fit_on_screen({1240, 984, 500, 250}, screen, min_size));
    expect_placement({0, 0, 1280, 1024}, fit_on_screen({0, 0, 1280, 1024}, screen, min_size));
}

TEST(placement, system_default_position_stays_default) {
    expect_placement({default_position, default_position, 500, 250},
                     fit_on_screen({default_position, default_position, 500, 250}, screen, min_size));
    // One coordinate left to the system leaves both to it.
    const placement half = fit_on_screen({default_position, 300, 500, 250}, screen, min_size);
    EXPECT_EQ(default_position, half.x);
    EXPECT_EQ(default_position, half.y);
}

TEST(placement, windows_off_the_screen_are_placed_by_the_system) {
    // A minimised window reports -32000, -32000.
    const placement minimised = fit_on_screen({-32000, -32000, 160, 28}, screen, min_size);
    EXPECT_EQ(default_position, minimised.x);
    EXPECT_EQ(default_position, minimised.y);
    EXPECT_EQ(160, minimised.width);
    EXPECT_EQ(250, minimised.height); // too low to use: the default height
    expect_placement({default_position, default_position, 500, 250},
                     fit_on_screen({1250, 10, 500, 250}, screen, min_size));
    expect_placement({default_position, default_position, 500, 250},
                     fit_on_screen({0x7FFFFFFF, 0x7FFFFFFF, 500, 250}, screen, min_size));
    expect_placement({default_position, default_position, 500, 250},
                     fit_on_screen({-0x7FFFFFFF, 10, 500, 250}, screen, min_size));
}

TEST(placement, sizes_are_made_usable) {
    expect_placement({10, 10, 500, 250}, fit_on_screen({10, 10, 0, -5}, screen, min_size));
    expect_placement({10, 10, 500, 250}, fit_on_screen({10, 10, -2147483647 - 1, 39}, screen, min_size));
    expect_placement({10, 10, 1280, 1024}, fit_on_screen({10, 10, 0x7FFFFFFF, 0x7FFFFFFF}, screen, min_size));
    expect_placement({10, 10, 40, 40}, fit_on_screen({10, 10, 40, 40}, screen, min_size));
}

TEST(placement, screens_left_of_and_above_the_origin) {
    const placement two_screens{-1920, -200, 3200, 1224};
    expect_placement({-1800, -150, 500, 250}, fit_on_screen({-1800, -150, 500, 250}, two_screens, min_size));
    const placement outside = fit_on_screen({-2500, -150, 500, 250}, two_screens, min_size);
    EXPECT_EQ(default_position, outside.x);
}

} // namespace
