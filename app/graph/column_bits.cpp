// Bits of pixel rows per column: the layout and the runs of rows set at once.
#include "app/graph/column_bits.h"

#include <algorithm>

void column_bits::reset(int first_column, int columns, int first_row, int rows) {
    first_column_ = first_column;
    columns_ = std::max(columns, 0);
    first_row_ = first_row;
    rows_ = std::max(rows, 0);
    words_ = (static_cast<std::size_t>(rows_) + 63) / 64;
    bits_.assign(static_cast<std::size_t>(columns_) * words_, 0);
}

void column_bits::set_rows_in(std::uint64_t* words, std::int64_t from, std::int64_t to) const {
    from = std::max<std::int64_t>(from, first_row_);
    to = std::min<std::int64_t>(to, std::int64_t{first_row_} + rows_ - 1);
    if (from > to) return;
    const std::size_t first = static_cast<std::size_t>(from - first_row_);
    const std::size_t last = static_cast<std::size_t>(to - first_row_);
    const std::uint64_t first_mask = ~std::uint64_t{0} << (first % 64);
    const std::uint64_t last_mask = ~std::uint64_t{0} >> (63 - last % 64);
    if (first / 64 == last / 64) {
        words[first / 64] |= first_mask & last_mask;
        return;
    }
    words[first / 64] |= first_mask;
    for (std::size_t k = first / 64 + 1; k < last / 64; ++k) words[k] = ~std::uint64_t{0};
    words[last / 64] |= last_mask;
}
