// The summary tree: items covered by aligned blocks once each, and nodes brought up to date after changes.
#include "app/store/summary_tree.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace {

using sum_tree = summary_tree<long, 4>; // blocks of 4, 32, 256, ... items

TEST(summary_tree, cover_hands_every_item_once_in_order_as_aligned_blocks_and_single_items) {
    sum_tree tree;
    tree.resize(1000); // 250 leaves, 31 nodes above them, 3 above those
    for (const auto& range : {std::pair<std::size_t, std::size_t>{0, 1000}, {3, 997}, {250, 260}, {7, 7}}) {
        std::size_t next = range.first;
        std::size_t nodes = 0;
        tree.cover(
            range.first, range.second,
            [&](std::size_t level, std::size_t j) {
                const std::size_t span = sum_tree::span(level);
                EXPECT_EQ(j * span, next);
                EXPECT_LE(next + span, range.second);
                next += span;
                ++nodes;
            },
            [&](std::size_t i) { EXPECT_EQ(i, next++); });
        EXPECT_EQ(next, range.second);
        if (range.first == 0) {
            EXPECT_EQ(nodes, 3u + 7u + 2u); // 3 * 256 + 7 * 32 + 2 * 4 items
        }
    }
}

// Nodes are made from their items once, and again only after a change under them.
TEST(summary_tree, update_remakes_only_the_nodes_over_changed_items) {
    std::vector<long> items(300);
    for (std::size_t i = 0; i < items.size(); ++i) items[i] = static_cast<long>(i);
    sum_tree tree;
    tree.resize(items.size());
    std::size_t leaves_made = 0;
    auto leaf = [&](std::size_t j) {
        ++leaves_made;
        long sum = 0;
        for (std::size_t i = j * 4; i < j * 4 + 4; ++i) sum += items[i];
        tree.meta(0, j) = sum;
    };
    auto join = [](long& sum, long child) { sum += child; };
    const auto total = [&] {
        long sum = 0;
        tree.cover(
            0, items.size(),
            [&](std::size_t level, std::size_t j) {
                tree.update(level, j, leaf, join);
                sum += tree.meta(level, j);
            },
            [&](std::size_t i) { sum += items[i]; });
        return sum;
    };
    // Every leaf once: 64 under the node of level 2, 8 under one of level 1, 3 more.
    EXPECT_EQ(total(), 299L * 300 / 2);
    EXPECT_EQ(leaves_made, 75u);
    EXPECT_EQ(total(), 299L * 300 / 2);
    EXPECT_EQ(leaves_made, 75u);
    items[200] += 1000;
    tree.changed_from(200);
    EXPECT_EQ(total(), 299L * 300 / 2 + 1000);
    EXPECT_EQ(leaves_made, 75u + 25u); // leaves 50 to 74: those from item 200 on
}

} // namespace
