// Column starts: built from a walk or by search, and followed as the mapping moves items across column edges.
#include "app/graph/column_starts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <tuple>
#include <vector>

namespace {

// Items at times 0, 0.37, 0.74, ... and columns of width 1 whose edges lie at
// `shift` + whole numbers: a larger shift moves every item to the left.
struct timeline {
    std::size_t size = 200;
    int column(std::size_t i, double shift) const { return static_cast<int>(std::floor(i * 0.37 - shift)); }
};

column_starts built(const timeline& items, double shift) {
    column_starts starts;
    starts.reset(5, 40);
    starts.rebuild_from(5, items.size, [&](std::size_t i) { return items.column(i, shift); });
    return starts;
}

std::vector<std::size_t> all(const column_starts& starts) {
    std::vector<std::size_t> firsts;
    for (int x = starts.first_column(); x <= starts.last_column() + 1; ++x)
        firsts.push_back(starts.first_item(x));
    return firsts;
}

TEST(column_starts, a_walk_noting_items_builds_the_starts_a_search_finds) {
    const timeline items;
    const column_starts searched = built(items, 0.0);
    EXPECT_EQ(searched.first_item(5), 14u); // 14 * 0.37 = 5.18
    EXPECT_EQ(searched.first_item(41), 111u);
    column_starts noted;
    noted.reset(5, 40);
    for (std::size_t i = 0; i < items.size; ++i) noted.note(i, items.column(i, 0.0));
    noted.finish_noting(items.size);
    EXPECT_EQ(all(noted), all(searched));
    EXPECT_EQ(noted.moved_since(searched), 0u);
}

// The plot moves on by a fraction of a column and back: each item that crosses a
// column edge is handed once, with its column before and after, and the starts
// come out as built for the new mapping.
TEST(column_starts, follow_hands_each_item_that_crosses_a_column_edge) {
    const timeline items;
    for (const double shift : {0.3, 1.6, -0.45}) {
        column_starts starts = built(items, 0.0);
        std::vector<std::tuple<std::size_t, int, int>> moved;
        const auto column = [&](std::size_t i) { return items.column(i, shift); };
        ASSERT_TRUE(starts.follow(items.size, 1000, shift > 0.0, column,
                                  [&](std::size_t i, int from, int to) { moved.emplace_back(i, from, to); }));
        EXPECT_EQ(all(starts), all(built(items, shift))) << shift;
        std::vector<std::tuple<std::size_t, int, int>> expected;
        std::size_t edges_crossed = 0;
        for (std::size_t i = 0; i < items.size; ++i) {
            // Columns outside the starts' range are seen as the one beside it.
            const int from = std::clamp(items.column(i, 0.0), 4, 41);
            const int to = std::clamp(items.column(i, shift), 4, 41);
            if (from != to) expected.emplace_back(i, from, to);
            edges_crossed += static_cast<std::size_t>(std::abs(to - from));
        }
        EXPECT_EQ(moved, expected) << shift;
        EXPECT_EQ(starts.moved_since(built(items, 0.0)), edges_crossed) << shift;
    }
}

TEST(column_starts, follow_gives_up_and_hands_nothing_beyond_its_budget) {
    const timeline items;
    column_starts starts = built(items, 0.0);
    std::size_t handed = 0;
    EXPECT_FALSE(starts.follow(
        items.size, 10, true, [&](std::size_t i) { return items.column(i, 0.9); },
        [&](std::size_t, int, int) { ++handed; }));
    EXPECT_EQ(handed, 0u);
    column_starts other;
    other.reset(0, 3);
    EXPECT_EQ(other.moved_since(built(items, 0.0)), static_cast<std::size_t>(-1));
}

} // namespace
