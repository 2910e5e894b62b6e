// The place a restored window opens at, on made-up monitor layouts: kept while its title bar lies
// on a work area, else brought onto the nearest monitor.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "app/window/placement.h"
#include "tests/app/window/placement_test_util.h"

namespace {

// A frame as Windows 10 draws it at 96 dpi: an invisible 8-pixel border, 31 pixels down to the client.
constexpr window_frame frame{8, 31};

monitor_area monitor(placement whole, placement work) {
    return {whole, work};
}
monitor_area monitor(placement whole) {
    return {whole, whole};
}

// 1920 x 1080 with a 40-pixel taskbar at the bottom, and 1280 x 1024 to its right, 500 lower.
const std::vector<monitor_area> side_by_side = {monitor({0, 0, 1920, 1080}, {0, 0, 1920, 1040}),
                                                monitor({1920, 500, 1280, 1024})};
// 1920 x 1080 with the taskbar at the top, and 1280 x 1024 left of it and 300 higher, with its
// taskbar at the left.
const std::vector<monitor_area> left_and_above = {
    monitor({0, 0, 1920, 1080}, {0, 40, 1920, 1040}),
    monitor({-1280, -300, 1280, 1024}, {-1220, -300, 1220, 1024})};
// 1920 x 1080, and 1920 x 1200 standing on top of it.
const std::vector<monitor_area> stacked = {monitor({0, 0, 1920, 1080}), monitor({0, -1200, 1920, 1200})};

struct layout_case {
    const char* what;
    const std::vector<monitor_area>* monitors;
    placement stored;
    placement expected;
};

TEST(placement, a_place_is_kept_only_while_the_title_bar_lies_on_a_work_area) {
    const layout_case cases[] = {
        {"on the primary", &side_by_side, {100, 50, 640, 480}, {100, 50, 640, 480}},
        {"on the second", &side_by_side, {2000, 600, 500, 250}, {2000, 600, 500, 250}},
        {"across both, title bar on both", &side_by_side, {1700, 600, 500, 250}, {1700, 600, 500, 250}},
        {"body below the work area", &side_by_side, {100, 1000, 500, 250}, {100, 1000, 500, 250}},
        {"only the invisible border off the left", &side_by_side, {-8, 0, 500, 250}, {-8, 0, 500, 250}},
        {"on a monitor above the origin", &left_and_above, {-1200, -250, 500, 250}, {-1200, -250, 500, 250}},
        {"on the upper of two stacked", &stacked, {300, -1100, 500, 250}, {300, -1100, 500, 250}},
        {"across two stacked", &stacked, {300, -100, 500, 250}, {300, -100, 500, 250}},

        // On neither monitor: beside the first, above the second. The first is nearer.
        {"on no monitor", &side_by_side, {2000, 100, 500, 250}, {1420, 100, 500, 250}},
        {"title bar above the screen", &side_by_side, {100, -200, 500, 250}, {100, 0, 500, 250}},
        {"title bar half off the right", &side_by_side, {3000, 600, 500, 250}, {2700, 600, 500, 250}},
        {"title bar on the taskbar", &side_by_side, {100, 1030, 500, 250}, {100, 790, 500, 250}},
        {"across both, title bar half above the second",
         &side_by_side,
         {1700, 300, 500, 250},
         {1420, 300, 500, 250}},
        {"below everything", &side_by_side, {2500, 3000, 500, 250}, {2500, 1274, 500, 250}},
        {"title bar under the top taskbar", &left_and_above, {100, 10, 500, 250}, {100, 40, 500, 250}},
        {"title bar under the left taskbar", &left_and_above, {-1270, 0, 500, 250}, {-1220, 0, 500, 250}},
        {"far left of everything", &left_and_above, {-5000, 200, 500, 250}, {-1220, 200, 500, 250}},
        {"a minimised window's place of old",
         &left_and_above,
         {-32000, -32000, 160, 28},
         {-1220, -300, 160, 250}},
        {"at the end of the coordinates",
         &side_by_side,
         {INT_MAX, INT_MAX, 500, 250},
         {2700, 1274, 500, 250}},
        {"at the start of the coordinates",
         &side_by_side,
         {INT_MIN + 1, INT_MIN + 1, 500, 250},
         {0, 0, 500, 250}},
        // As near to the one as to the other: the primary, listed first, takes it.
        {"off the right of both stacked", &stacked, {2000, -60, 500, 250}, {1420, 0, 500, 250}},
    };
    for (const layout_case& c : cases)
        EXPECT_EQ(c.expected, fit_on_monitors(c.stored, *c.monitors, frame)) << c.what;
}

TEST(placement, sizes_are_made_usable_and_shrink_only_to_fit) {
    const layout_case cases[] = {
        // Too small to show a title bar and a border: the default size.
        {"zero and negative", &side_by_side, {10, 10, 0, -5}, {10, 10, 500, 250}},
        {"the smallest integer", &side_by_side, {10, 10, INT_MIN, 38}, {10, 10, 500, 250}},
        {"just large enough", &side_by_side, {10, 10, 39, 39}, {10, 10, 39, 39}},
        // A kept place keeps a size that spans monitors, up to their bounding box.
        {"wider than one monitor", &side_by_side, {10, 600, 2500, 600}, {10, 600, 2500, 600}},
        {"taller than all of them", &side_by_side, {10, 10, 800, INT_MAX}, {10, 10, 800, 1524}},
        {"larger than all of them", &side_by_side, {10, 10, INT_MAX, INT_MAX}, {0, 0, 1920, 1040}},
        // Brought onto a monitor, a window larger than its work area shrinks to it.
        {"too large for the monitor it comes onto",
         &side_by_side,
         {2500, 100, 1600, 1200},
         {1920, 500, 1280, 1024}},
        {"too tall for the work area", &left_and_above, {100, 0, 800, 1080}, {100, 40, 800, 1040}},
    };
    for (const layout_case& c : cases)
        EXPECT_EQ(c.expected, fit_on_monitors(c.stored, *c.monitors, frame)) << c.what;
}

TEST(placement, the_system_default_position_stays_the_systems_choice) {
    const placement either[] = {{default_position, default_position, 500, 250},
                                {default_position, 300, 500, 250},
                                {300, default_position, 500, 250}};
    for (const placement& stored : either)
        EXPECT_EQ((placement{default_position, default_position, 500, 250}),
                  fit_on_monitors(stored, side_by_side, frame))
            << stored;
    // It opens on the primary monitor: the size must fit that one's work area.
    EXPECT_EQ((placement{default_position, default_position, 1920, 1040}),
              fit_on_monitors({default_position, default_position, 2500, 1200}, side_by_side, frame));
    EXPECT_EQ((placement{default_position, default_position, 500, 250}),
              fit_on_monitors({default_position, default_position, 3, 3}, side_by_side, frame));
    // No monitor at all: the system decides.
    EXPECT_EQ((placement{default_position, default_position, 640, 480}),
              fit_on_monitors({100, 100, 640, 480}, {}, frame));
}

TEST(placement, workspace_coordinates_are_offset_by_the_taskbar_at_the_top_or_left) {
    const monitor_area top_bar = left_and_above[0];  // taskbar 40 high at the top
    const monitor_area left_bar = left_and_above[1]; // taskbar 60 wide at the left, at (-1280, -300)
    const monitor_area bottom_bar = side_by_side[0]; // taskbar at the bottom: no offset
    EXPECT_EQ((placement{100, 90, 640, 480}), workspace_to_screen({100, 50, 640, 480}, top_bar));
    EXPECT_EQ((placement{-1140, -250, 500, 250}), workspace_to_screen({-1200, -250, 500, 250}, left_bar));
    EXPECT_EQ((placement{100, 50, 640, 480}), workspace_to_screen({100, 50, 640, 480}, bottom_bar));
    EXPECT_EQ((placement{INT_MAX, INT_MAX, 1, 1}),
              workspace_to_screen({INT_MAX, INT_MAX - 10, 1, 1}, top_bar));
}

} // namespace
