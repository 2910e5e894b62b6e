// The display scale: line thickness by scale, the DPI read from the registry, sizes moved between DPIs.
#include "app/store/display_scale.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(display_scale, lengths_scale_and_thickness_is_the_rounded_scale_but_never_below_one) {
    struct scale_case {
        std::uint32_t dpi;
        double font_px;
        int thickness;
    };
    // 100 % and 125 % draw one-pixel lines, 150 % and 200 % two, 250 % and 300 % three.
    for (const scale_case c : {scale_case{96, 12.0, 1}, scale_case{120, 15.0, 1}, scale_case{144, 18.0, 2},
                               scale_case{192, 24.0, 2}, scale_case{240, 30.0, 3}, scale_case{288, 36.0, 3},
                               scale_case{48, 6.0, 1}}) {
        const display_scale scale{c.dpi};
        EXPECT_DOUBLE_EQ(c.font_px, scale.length(12.0)) << c.dpi;
        EXPECT_EQ(c.thickness, scale.thickness()) << c.dpi;
    }
    EXPECT_EQ(1.0, display_scale{}.factor());
}

TEST(display_scale, a_stored_dpi_and_sizes_moved_between_dpis) {
    EXPECT_EQ(96u, usable_dpi(0));
    EXPECT_EQ(96u, usable_dpi(961));
    EXPECT_EQ(96u, usable_dpi(std::numeric_limits<std::uint32_t>::max()));
    EXPECT_EQ(1u, usable_dpi(1));
    EXPECT_EQ(960u, usable_dpi(960));

    EXPECT_EQ(750, rescaled_size(500, 96, 144));
    EXPECT_EQ(500, rescaled_size(1000, 192, 96));
    EXPECT_EQ(413, rescaled_size(619, 144, 96)); // 412.67, to the nearest pixel
    EXPECT_EQ(-60, rescaled_size(-40, 96, 144));
    EXPECT_EQ(std::numeric_limits<std::int32_t>::max(), rescaled_size(0x7FFFFFFF, 96, 960));
    EXPECT_EQ(-2147483647, rescaled_size(std::numeric_limits<std::int32_t>::min(), 96, 960));
}

} // namespace
