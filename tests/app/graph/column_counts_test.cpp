// Per-pixel counts: pixels set while an item sets them, saturation, whole-column adds and change marks.
#include "app/graph/column_counts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

bool is_set(const column_bits& bits, int x, int y) {
    const std::size_t bit = static_cast<std::size_t>(y - bits.first_row());
    return bits.column(x)[bit / 64] >> (bit % 64) & 1;
}

// The rows set in column x, from the first row on.
std::vector<int> set_rows(const column_counts& counts, int x) {
    std::vector<int> rows;
    const column_bits& bits = counts.bits();
    for (int y = bits.first_row(); y < bits.first_row() + bits.rows(); ++y)
        if (is_set(bits, x, y)) rows.push_back(y);
    return rows;
}

// Rows across a word boundary: a pixel stays set until the last item that set it leaves.
TEST(column_counts, a_pixel_stays_set_until_its_last_item_leaves) {
    column_counts counts;
    counts.reset(-1, 4, -1, 130);
    counts.change(0, 63, 1);
    counts.change_rows(0, 60, 70, 1);
    counts.change_rows(0, 120, 500, 1); // runs and pixels outside are cut off
    counts.change(9, 3, 1);
    counts.change(0, 200, 1);
    std::vector<int> expected;
    for (int y = 60; y <= 70; ++y) expected.push_back(y);
    for (int y = 120; y <= 128; ++y) expected.push_back(y);
    EXPECT_EQ(set_rows(counts, 0), expected);
    counts.change_rows(0, 60, 70, -1);
    EXPECT_TRUE(is_set(counts.bits(), 0, 63));
    EXPECT_FALSE(is_set(counts.bits(), 0, 62));
    counts.change(0, 63, -1);
    counts.change(0, 63, -1); // one less than none stays none
    counts.change_rows(0, 120, 128, -1);
    EXPECT_EQ(set_rows(counts, 0), std::vector<int>());
    counts.change(0, 63, 1);
    EXPECT_EQ(set_rows(counts, 0), std::vector<int>{63});
}

// A count at its largest value cannot tell how many items left: the column is
// marked for counting again, and clearing it makes it exact again.
TEST(column_counts, a_saturated_count_marks_its_column_not_counted_when_one_leaves) {
    column_counts counts;
    counts.reset(0, 3, 0, 10);
    for (int i = 0; i < 70000; ++i) counts.change(1, 4, 1);
    counts.change(2, 4, 1);
    EXPECT_TRUE(counts.counted(1));
    counts.change(1, 4, -1);
    counts.change(2, 4, -1);
    EXPECT_FALSE(counts.counted(1));
    EXPECT_TRUE(counts.counted(2));
    EXPECT_TRUE(is_set(counts.bits(), 1, 4)); // still set: it cannot know
    counts.clear_column(1);
    EXPECT_TRUE(counts.counted(1));
    EXPECT_EQ(set_rows(counts, 1), std::vector<int>());
    // add_to_column's tally saturates the same way.
    counts.add_to_column(1, 70000, [](auto add) {
        for (int i = 0; i < 70000; ++i) add(5);
    });
    counts.change(1, 5, -1);
    EXPECT_FALSE(counts.counted(1));
}

// Few items, fewer than half the rows and more: each way of adding a column
// whole gives the counts one change() at a time gives, rows outside left out.
TEST(column_counts, adding_a_column_whole_counts_as_adding_item_by_item) {
    for (const std::size_t items : {5u, 40u, 90u, 1000u}) {
        column_counts counts;
        counts.reset(0, 2, -1, 100);
        std::vector<int> rows;
        for (std::size_t i = 0; i < items; ++i) rows.push_back(static_cast<int>((i * 37) % 130) - 20);
        counts.add_to_column(0, rows.size(), [&](auto add) {
            for (int y : rows) add(y);
        });
        for (int y : rows) counts.change(1, y, 1);
        EXPECT_EQ(set_rows(counts, 0), set_rows(counts, 1)) << items << " items";
        // Every count is exact: taking each item out once leaves nothing.
        for (int y : rows) counts.change(0, y, -1);
        EXPECT_EQ(set_rows(counts, 0), std::vector<int>()) << items << " items";
    }
}

// Runs as differences summed into a column, as the curve's walk adds its risers.
TEST(column_counts, sums_of_differences_add_their_runs_and_leave_the_differences_zero) {
    column_counts counts;
    counts.reset(0, 1, 0, 10);
    std::vector<std::int32_t> differences(11, 0);
    differences[2] += 1; // rows 2 to 5
    differences[6] -= 1;
    differences[4] += 1; // rows 4 to 9
    differences[10] -= 1;
    counts.add_sums(0, differences, 2, 9);
    EXPECT_EQ(differences, std::vector<std::int32_t>(11, 0));
    EXPECT_EQ(set_rows(counts, 0), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9}));
    counts.change_rows(0, 4, 9, -1);
    EXPECT_EQ(set_rows(counts, 0), (std::vector<int>{2, 3, 4, 5}));
}

// A column is marked changed when one of its pixels is set or cleared, not when
// only a count moves; counts made anew change every column.
TEST(column_counts, mark_the_columns_whose_pixels_changed) {
    column_counts counts;
    counts.reset(0, 6, 0, 8);
    EXPECT_TRUE(counts.changed(5));
    counts.change(1, 2, 1);
    counts.forget_changes();
    counts.change(1, 2, 1); // 1 to 2: the pixel was set already
    counts.change(4, 3, 1);
    EXPECT_FALSE(counts.changed(1));
    EXPECT_TRUE(counts.changed(4));
    EXPECT_TRUE(counts.changed_words_near(3, 1) != 0);
    EXPECT_TRUE(counts.changed_words_near(5, 1) != 0);
    EXPECT_FALSE(counts.changed_words_near(2, 1) != 0);
    counts.forget_changes();
    counts.change(1, 2, -1);
    EXPECT_FALSE(counts.changed(1));
    counts.change(1, 2, -1);
    EXPECT_TRUE(counts.changed(1));
    counts.reset(0, 6, 0, 8);
    for (int x = 0; x < 6; ++x) EXPECT_TRUE(counts.changed(x)) << x;

    // Which words changed: a bit a word up to 64 words, a bit for two words in a column of 65 to 128.
    counts.reset(0, 2, -1, 64 * 40);
    counts.forget_changes();
    counts.change(0, 62, 1); // bit 63 of the column: word 0
    counts.change(1, 64 * 30, 1);
    EXPECT_EQ(counts.changed_words(0), 1u);
    EXPECT_EQ(counts.changed_words_near(0, 1), 1u | std::uint64_t{1} << 30);
    counts.reset(0, 1, 0, 64 * 70);
    EXPECT_EQ(counts.word_group(), 2u);
    counts.forget_changes();
    counts.change_rows(0, 64 * 69 + 3, 64 * 69 + 9, 1);
    EXPECT_EQ(counts.changed_words(0), std::uint64_t{1} << 34);
    counts.forget_changes();
    counts.change_rows(0, 64 * 69, 64 * 69 + 9, -1); // rows 64 * 69 to + 2 were not set
    EXPECT_EQ(counts.changed_words(0), std::uint64_t{1} << 34);
}

// A run of rows changes its counts as many single changes would: the same pixels set, the same
// columns marked changed and not counted, through saturated counts, zero counts and runs of
// every length and place across the words.
TEST(column_counts, a_run_of_rows_counts_as_its_rows_one_by_one) {
    column_counts runs;
    column_counts single;
    runs.reset(0, 3, -2, 150);
    single.reset(0, 3, -2, 150);
    for (int i = 0; i < 70000; ++i) { // saturated at row 40 of column 1
        runs.change(1, 40, 1);
        single.change(1, 40, 1);
    }
    std::uint32_t state = 5;
    const auto next = [&state](int n) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(n));
    };
    for (int step = 0; step < 3000; ++step) {
        const int x = next(3);
        const int from = next(170) - 10;
        const int to = from + next(step % 2 ? 90 : 9);
        const int sign = next(3) == 0 ? -1 : 1;
        if (step % 50 == 0) {
            runs.forget_changes();
            single.forget_changes();
        }
        runs.change_rows(x, from, to, sign);
        for (int y = from; y <= to; ++y) single.change(x, y, sign);
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(set_rows(runs, c), set_rows(single, c)) << "step " << step << ", column " << c;
            ASSERT_EQ(runs.changed(c), single.changed(c)) << "step " << step << ", column " << c;
            // Runs may mark more words changed than their rows one by one, never fewer.
            ASSERT_EQ(runs.changed_words(c) & single.changed_words(c), single.changed_words(c))
                << "step " << step << ", column " << c;
            ASSERT_EQ(runs.counted(c), single.counted(c)) << "step " << step << ", column " << c;
        }
    }
    EXPECT_FALSE(runs.counted(1)); // the saturated row was taken from
}

} // namespace
