// Per-pixel counts of drawn items: changes by pixel, by run of rows and by column.
#include "app/graph/column_counts.h"

#include <algorithm>

#include "app/graph/word_bits.h"

void column_counts::reset(int first_column, int columns, int first_row, int rows) {
    if (bits_.first_column() == first_column && bits_.columns() == columns &&
        bits_.first_row() == first_row && bits_.rows() == rows && !counts_.empty()) {
        for (int x = first_column; x < first_column + columns; ++x) clear_column(x);
        return;
    }
    bits_.reset(first_column, columns, first_row, rows);
    tally_.assign(static_cast<std::size_t>(bits_.rows()) + 1, 0);
    counts_.assign(static_cast<std::size_t>(bits_.columns()) * static_cast<std::size_t>(bits_.rows()), 0);
    lost_.assign(static_cast<std::size_t>(bits_.columns()), 0);
    changed_.assign(static_cast<std::size_t>(bits_.columns()), 1);
}

void column_counts::change_rows(int x, std::int64_t from, std::int64_t to, int sign) {
    from = std::max<std::int64_t>(from, bits_.first_row());
    to = std::min<std::int64_t>(to, std::int64_t{bits_.first_row()} + bits_.rows() - 1);
    if (!bits_.has_column(x)) return;
    for (std::int64_t y = from; y <= to; ++y)
        change_count(x, static_cast<std::size_t>(y - bits_.first_row()), sign);
}

// Only the pixels set have a count: the bits tell which to clear.
void column_counts::clear_column(int x) {
    if (!bits_.has_column(x)) return;
    std::uint16_t* const counts = &counts_[index(x, bits_.first_row())];
    std::uint64_t* const words = bits_.column(x);
    for (std::size_t k = 0; k < bits_.words(); ++k) {
        for (std::uint64_t word = words[k]; word != 0; word &= word - 1)
            counts[k * 64 + static_cast<std::size_t>(lowest_bit(word))] = 0;
        words[k] = 0;
    }
    lost_[column_index(x)] = 0;
    changed_[column_index(x)] = 1;
}

void column_counts::add_tally(int x, unsigned low, unsigned high) {
    std::uint16_t* const counts = &counts_[index(x, bits_.first_row())];
    std::uint64_t* const words = bits_.column(x);
    for (unsigned row = low; row <= high; ++row) {
        const std::uint32_t more = tally_[row];
        if (more == 0) continue;
        tally_[row] = 0;
        if (counts[row] == 0) words[row / 64] |= std::uint64_t{1} << (row % 64);
        counts[row] = static_cast<std::uint16_t>(std::min<std::uint32_t>(counts[row] + more, saturated));
    }
    tally_[static_cast<std::size_t>(bits_.rows())] = 0;
    changed_[column_index(x)] = 1;
}

void column_counts::add_sums(int x, std::vector<std::int32_t>& differences, int from, int to) {
    if (!bits_.has_column(x)) return;
    std::int64_t sum = 0;
    for (int y = from; y <= to; ++y) {
        const std::size_t row = static_cast<std::size_t>(y - bits_.first_row());
        sum += differences[row];
        differences[row] = 0;
        if (sum <= 0) continue;
        std::uint16_t& count = counts_[index(x, y)];
        if (count == 0) bits_.set(x, y);
        count = static_cast<std::uint16_t>(std::min<std::int64_t>(count + sum, saturated));
    }
    changed_[column_index(x)] = 1;
    const std::size_t end = static_cast<std::size_t>(to + 1 - bits_.first_row());
    if (end < differences.size()) differences[end] = 0;
}
