// The mouse wheel through the Time Scale menu's spans: whole notches, the ends, spans that are no choice.
#include "app/window/time_scales.h"

#include <gtest/gtest.h>

#include <climits>
#include <iterator>

namespace {

TEST(time_scales, each_notch_away_is_the_next_shorter_span_and_each_towards_the_next_longer_up_to_the_ends) {
    const std::size_t count = std::size(time_scale_choices);
    for (std::size_t i = 0; i < count; ++i) {
        const auto span = static_cast<std::uint32_t>(time_scale_choices[i].seconds);
        const auto shorter = static_cast<std::uint32_t>(time_scale_choices[i == 0 ? 0 : i - 1].seconds);
        const auto longer =
            static_cast<std::uint32_t>(time_scale_choices[i + 1 == count ? i : i + 1].seconds);
        EXPECT_EQ(stepped_time_scale(span, 1), shorter) << span;
        EXPECT_EQ(stepped_time_scale(span, -1), longer) << span;
        EXPECT_EQ(stepped_time_scale(span, 0), span);
    }
    EXPECT_EQ(stepped_time_scale(604800, 3), 14400u);
    EXPECT_EQ(stepped_time_scale(60, 5), 10u);
    EXPECT_EQ(stepped_time_scale(60, -100), 604800u);
    EXPECT_EQ(stepped_time_scale(604800, INT_MAX), 10u);
    EXPECT_EQ(stepped_time_scale(10, INT_MIN), 604800u);
}

TEST(time_scales, a_span_that_is_no_choice_moves_to_the_nearest_choice_in_the_wheels_direction) {
    EXPECT_EQ(stepped_time_scale(100, 1), 60u);
    EXPECT_EQ(stepped_time_scale(100, -1), 300u);
    EXPECT_EQ(stepped_time_scale(100, 2), 10u);
    EXPECT_EQ(stepped_time_scale(5, -1), 10u);
    EXPECT_EQ(stepped_time_scale(5, 1), 5u) << "nothing shorter to go to";
    EXPECT_EQ(stepped_time_scale(0, 1), 0u);
    EXPECT_EQ(stepped_time_scale(1000000, 1), 604800u);
    EXPECT_EQ(stepped_time_scale(1000000, -1), 1000000u) << "nothing longer to go to";
    EXPECT_EQ(stepped_time_scale(UINT32_MAX, 1), 604800u);
}

TEST(time_scales, fine_wheels_step_once_per_120_gathered_and_a_turn_back_starts_again) {
    wheel_notches wheel;
    EXPECT_EQ(wheel.add(120), 1);
    EXPECT_EQ(wheel.add(-240), -2);
    EXPECT_EQ(wheel.add(40), 0);
    EXPECT_EQ(wheel.add(40), 0);
    EXPECT_EQ(wheel.add(40), 1);
    EXPECT_EQ(wheel.add(100), 0);
    EXPECT_EQ(wheel.add(-30), 0) << "the turn back drops the 100 gathered";
    EXPECT_EQ(wheel.add(-90), -1);
    EXPECT_EQ(wheel.add(250), 2);
    EXPECT_EQ(wheel.add(110), 1) << "10 were left from 250";
    EXPECT_EQ(wheel.add(INT_MAX), INT_MAX / 120);
    EXPECT_EQ(wheel.add(INT_MIN), INT_MIN / 120);
    EXPECT_EQ(wheel.add(0), 0);
}

} // namespace
