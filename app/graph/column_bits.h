// Bits of pixel rows, one run of words per pixel column.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Bits of pixel rows, one run of words per pixel column: columns from
// `first_column`, rows from `first_row`, row r of a column in bit (r - first_row).
class column_bits {
public:
    // `columns` columns of `rows` rows each, all clear.
    void reset(int first_column, int columns, int first_row, int rows);

    int first_column() const { return first_column_; }
    int columns() const { return columns_; }
    int first_row() const { return first_row_; }
    int rows() const { return rows_; }
    std::size_t words() const { return words_; }

    bool has_column(int x) const {
        return static_cast<unsigned>(x - first_column_) < static_cast<unsigned>(columns_);
    }
    bool has_row(int y) const { return static_cast<unsigned>(y - first_row_) < static_cast<unsigned>(rows_); }
    // Whether `other` has the same columns and rows, so that their words line up.
    bool same_layout(const column_bits& other) const {
        return first_column_ == other.first_column_ && columns_ == other.columns_ &&
               first_row_ == other.first_row_ && rows_ == other.rows_;
    }
    std::uint64_t* column(int x) { return &bits_[static_cast<std::size_t>(x - first_column_) * words_]; }
    const std::uint64_t* column(int x) const {
        return &bits_[static_cast<std::size_t>(x - first_column_) * words_];
    }

    void set(int x, int y) {
        if (!has_column(x) || !has_row(y)) return;
        const std::size_t bit = static_cast<std::size_t>(y - first_row_);
        column(x)[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
    // Rows `from` to `to` of column x, both included; rows outside are left out.
    void set_rows(int x, std::int64_t from, std::int64_t to) {
        if (has_column(x)) set_rows_in(column(x), from, to);
    }
    std::size_t memory_bytes() const { return bits_.capacity() * sizeof(std::uint64_t); }

private:
    void set_rows_in(std::uint64_t* words, std::int64_t from, std::int64_t to) const;

    int first_column_ = 0;
    int columns_ = 0;
    int first_row_ = 0;
    int rows_ = 0;
    std::size_t words_ = 0;
    std::vector<std::uint64_t> bits_;
};
