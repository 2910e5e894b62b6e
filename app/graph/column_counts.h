// How many drawn items set each pixel of a window's columns, and which pixels are set at all.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/graph/column_bits.h"

// A count a pixel of how many items set it, for columns from `first_column`
// and rows from `first_row`, with the pixels of a count above zero as bits. An
// item that leaves takes its pixels back, so a picture can follow items that
// come and go without drawing the rest again. A count that reached its largest
// value stays there; taking one from it loses the column's count, which the
// owner must then make again (counted()).
class column_counts {
public:
    // All counts zero. In the same layout it clears only the pixels set.
    void reset(int first_column, int columns, int first_row, int rows);

    const column_bits& bits() const { return bits_; }
    bool has_column(int x) const { return bits_.has_column(x); }

    // One item more (sign 1) or less (sign -1) sets pixel (x, y); pixels outside are left out.
    void change(int x, int y, int sign) {
        if (!bits_.has_column(x) || !bits_.has_row(y)) return;
        std::uint16_t& count = counts_[index(x, y)];
        if (sign > 0) {
            if (count == 0) flip(x, y, true);
            if (count != saturated) ++count;
        } else if (count == saturated) {
            lost_[column_index(x)] = 1;
        } else if (count > 0 && --count == 0) {
            flip(x, y, false);
        }
    }
    // The same for rows `from` to `to` of column x.
    void change_rows(int x, std::int64_t from, std::int64_t to, int sign);

    // Counts `count` more items into column x, for the walks that count a column
    // whole: `items(add)` calls add(y) once for each item's pixel (x, y). Many
    // items are counted apart first, without a branch or a count to wait for, and
    // taken into the counts once: for every row when they are half as many as the
    // rows or more (a row is cheaper to look at than an item to follow), for the
    // rows between the lowest and the highest seen when fewer; a few go straight
    // into the counts.
    template <class Items>
    void add_to_column(int x, std::size_t count, Items items) {
        if (!bits_.has_column(x)) return;
        const unsigned first_row = static_cast<unsigned>(bits_.first_row());
        const unsigned rows = static_cast<unsigned>(bits_.rows());
        if (count < few_items) {
            items([&](int y) { change(x, y, 1); });
            return;
        }
        std::uint32_t* const tally = tally_.data(); // rows + 1: the last takes the rows outside
        const auto tally_row = [=](int y) {
            unsigned row = static_cast<unsigned>(y) - first_row;
            row = row < rows ? row : rows;
            ++tally[row];
            return row;
        };
        if (count >= rows / 2) {
            items([=](int y) { tally_row(y); });
            take_tally(x, 0, rows - 1);
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
        take_tally(x, low, std::min(high, rows - 1));
    }
    // Adds to rows `from` to `to` of column x the running sums of `differences`
    // (indexed by row - first_row): the sums of many runs of rows at once.
    void add_sums(int x, std::vector<std::int32_t>& differences, int from, int to);
    // Forgets column x, to count it again.
    void clear_column(int x);

    // Whether column x's counts are still exact; when not, clear and count it again.
    bool counted(int x) const { return !lost_[column_index(x)]; }

    // Whether a pixel of column x was set or cleared since the last forget_changes().
    bool changed(int x) const { return bits_.has_column(x) && changed_[column_index(x)]; }
    void forget_changes() { std::fill(changed_.begin(), changed_.end(), 0); }

    std::size_t memory_bytes() const {
        return counts_.capacity() * sizeof(std::uint16_t) + lost_.capacity() + bits_.memory_bytes();
    }

private:
    static constexpr std::uint16_t saturated = 0xFFFF;
    static constexpr std::size_t few_items = 32;

    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(x - bits_.first_column()) * static_cast<std::size_t>(bits_.rows()) +
               static_cast<std::size_t>(y - bits_.first_row());
    }
    column_bits bits_;
    std::size_t column_index(int x) const { return static_cast<std::size_t>(x - bits_.first_column()); }
    void flip(int x, int y, bool set) {
        if (set)
            bits_.set(x, y);
        else
            bits_.clear(x, y);
        changed_[column_index(x)] = 1;
    }
    void clear();
    void take_tally(int x, unsigned low, unsigned high);

    std::vector<std::uint16_t> counts_;  // column by column
    std::vector<unsigned char> lost_;    // per column
    std::vector<unsigned char> changed_; // per column
    std::vector<std::uint32_t> tally_;   // one column's new items, kept for its memory
};
