// How many drawn items set each pixel of a window's columns, and which pixels are set at all.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/graph/column_bits.h"
#include "app/graph/word_bits.h"

// For each pixel of the columns from `first_column` and rows from `first_row`,
// how many drawn items set it, and as bits the pixels whose count is above zero.
// An item that leaves gives back its pixels, so a picture can follow items that
// come and go without drawing the rest again. A count at its largest value stays
// there; one less from it marks the column's counts as no longer exact
// (counted()), and the owner counts that column again.
class column_counts {
public:
    // The largest count, where a count stays.
    static constexpr std::uint16_t saturated = 0xFFFF;

    // All counts zero. In the same layout it clears only the pixels set.
    void reset(int first_column, int columns, int first_row, int rows);

    const column_bits& bits() const { return bits_; }
    bool has_column(int x) const { return bits_.has_column(x); }

    // One item more (sign 1) or less (sign -1) sets pixel (x, y); pixels outside are left out.
    void change(int x, int y, int sign) {
        if (bits_.has_column(x) && bits_.has_row(y))
            change_count(x, static_cast<std::size_t>(y - bits_.first_row()), sign);
    }
    // The same for rows `from` to `to` of column x.
    void change_rows(int x, std::int64_t from, std::int64_t to, int sign);

    // Adds `count` more items to column x: `items(add)` calls add(y) once for each
    // item's pixel (x, y). Many items are tallied per row first, without a branch,
    // and the tally added once: over every row when they are half as many as the
    // rows or more, else over the rows from the lowest to the highest seen. A few
    // items go straight into the counts.
    template <class Items>
    void add_to_column(int x, std::size_t count, Items items) {
        if (!bits_.has_column(x)) return;
        const unsigned first_row = static_cast<unsigned>(bits_.first_row());
        const unsigned rows = static_cast<unsigned>(bits_.rows());
        if (count < few_items) {
            items([&](int y) { change(x, y, 1); });
            return;
        }
        std::uint32_t* const tally = tally_.data(); // rows + 1: the last tallies the items outside the rows
        const auto tally_row = [=](int y) {
            unsigned row = static_cast<unsigned>(y) - first_row;
            row = row < rows ? row : rows;
            ++tally[row];
            return row;
        };
        if (count >= rows / 2) {
            items([=](int y) { tally_row(y); });
            add_tally(x, 0, rows - 1);
            return;
        }
        unsigned low = rows;
        unsigned high = 0;
        items([&](int y) {
            const unsigned row = tally_row(y);
            // Values, not std::min's references, which would keep them in memory.
            low = row < low ? row : low;
            high = row > high ? row : high;
        });
        add_tally(x, low, std::min(high, rows - 1));
    }
    // Adds to rows `from` to `to` of column x the running sums of `differences`
    // (indexed by row - first_row): the sums of many runs of rows at once.
    void add_sums(int x, std::vector<std::int32_t>& differences, int from, int to);
    // Zero counts in column x, to count it again.
    void clear_column(int x);

    // Whether column x's counts are still exact; when not, clear and count it again.
    bool counted(int x) const { return !lost_[column_index(x)]; }

    // Whether a pixel of column x was set or cleared since the last forget_changes().
    bool changed(int x) const { return changed_words(x) != 0; }
    // Which words of column x's bits hold a pixel set or cleared since the last
    // forget_changes(): bit b for the words b * word_group() to b * word_group() +
    // word_group() - 1 (more, never fewer, may be marked).
    std::uint64_t changed_words(int x) const { return bits_.has_column(x) ? changed_[column_index(x)] : 0; }
    // The same for the columns x - reach to x + reach together.
    std::uint64_t changed_words_near(int x, int reach) const {
        std::uint64_t words = 0;
        for (int column = x - reach; column <= x + reach; ++column) words |= changed_words(column);
        return words;
    }
    std::size_t word_group() const { return group_; }
    // Calls words(first, end) for each run of words first to end - 1 of column x's
    // bits that a pixel set or cleared within `reach` columns of x may reach through a
    // shape less than a word high: the changed words, and one more above and below.
    // Whether it called it at all.
    template <class Words>
    bool each_changed_run_near(int x, int reach, Words words) const {
        std::uint64_t reached = changed_words_near(x, reach);
        if (reached == 0) return false;
        reached |= reached << 1 | reached >> 1;
        each_run_of_bits(reached, [&](int first, int end) {
            words(static_cast<std::size_t>(first) * group_,
                  std::min(static_cast<std::size_t>(end) * group_, bits_.words()));
        });
        return true;
    }
    void forget_changes() { std::fill(changed_.begin(), changed_.end(), 0); }

    std::size_t memory_bytes() const {
        return counts_.capacity() * sizeof(std::uint16_t) + lost_.capacity() + bits_.memory_bytes();
    }

private:
    static constexpr std::size_t few_items = 32;

    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(x - bits_.first_column()) * static_cast<std::size_t>(bits_.rows()) +
               static_cast<std::size_t>(y - bits_.first_row());
    }
    column_bits bits_;
    std::size_t column_index(int x) const { return static_cast<std::size_t>(x - bits_.first_column()); }
    // One item more or less at row `row` (counted from first_row) of column x.
    void change_count(int x, std::size_t row, int sign) {
        std::uint16_t& count = counts_[column_index(x) * static_cast<std::size_t>(bits_.rows()) + row];
        std::uint64_t& word = bits_.column(x)[row / 64];
        const std::uint64_t bit = std::uint64_t{1} << (row % 64);
        if (sign > 0) {
            if (count == 0) {
                word |= bit;
                changed_[column_index(x)] |= group_bit(row / 64);
            }
            count = static_cast<std::uint16_t>(count + (count != saturated));
        } else if (count == saturated) {
            lost_[column_index(x)] = 1;
        } else if (count > 0 && --count == 0) {
            word &= ~bit;
            changed_[column_index(x)] |= group_bit(row / 64);
        }
    }
    std::uint64_t group_bit(std::size_t word) const { return std::uint64_t{1} << (word / group_); }
    void add_tally(int x, unsigned low, unsigned high);

    std::vector<std::uint16_t> counts_;  // column by column
    std::vector<unsigned char> lost_;    // per column
    std::vector<std::uint64_t> changed_; // per column, the groups of words changed
    std::size_t group_ = 1;              // words a bit of changed_ stands for
    std::vector<std::uint32_t> tally_;   // new items per row of one column, zero between columns
};
