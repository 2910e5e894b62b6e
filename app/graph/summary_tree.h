// Levels of block summaries over a sequence, and rows of pixel columns as bits.
#pragma once

#include <algorithm>
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
    std::uint64_t* column(int x) { return &bits_[static_cast<std::size_t>(x - first_column_) * words_]; }
    const std::uint64_t* column(int x) const {
        return &bits_[static_cast<std::size_t>(x - first_column_) * words_];
    }

    void set(int x, int y) {
        if (has_column(x) && has_row(y)) set_bit(column(x), static_cast<std::size_t>(y - first_row_));
    }
    // Rows `from` to `to` of column x, both included; rows outside are left out.
    void set_rows(int x, std::int64_t from, std::int64_t to) {
        if (has_column(x)) set_rows_in(column(x), from, to);
    }
    // The same rows in a run of words laid out as one column here.
    void set_rows_in(std::uint64_t* words, std::int64_t from, std::int64_t to) const;
    // Adds the rows of `words` (laid out as one column here) to column x.
    void merge(int x, const std::uint64_t* words);

    static void set_bit(std::uint64_t* words, std::size_t bit) {
        words[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
    std::size_t memory_bytes() const { return bits_.capacity() * sizeof(std::uint64_t); }

private:
    int first_column_ = 0;
    int columns_ = 0;
    int first_row_ = 0;
    int rows_ = 0;
    std::size_t words_ = 0;
    std::vector<std::uint64_t> bits_;
};

// Summaries of aligned blocks of a sequence: a node of level 0 covers `leaf`
// consecutive items, a node of level k + 1 covers `fanout` nodes of level k. Only
// complete blocks have a node. Each node has a `Meta` record and `words` words of
// bits, and is valid while its stamp equals the tree's generation: a change of the
// items makes the nodes over them stale, a change of the mapping that their bits
// depend on makes every node stale at once.
template <class Meta>
class summary_tree {
public:
    static constexpr std::size_t fanout = 8;

    // Drops every node; blocks of `leaf` items, `words` words of bits a node.
    void reset(std::size_t leaf, std::size_t words) {
        leaf_ = leaf;
        words_ = words;
        levels_.clear();
        generation_ = 1;
    }
    std::size_t leaf() const { return leaf_; }
    std::size_t words() const { return words_; }
    bool empty_layout() const { return leaf_ == 0; }

    // Items from `first` on were replaced, inserted or removed.
    void changed_from(std::size_t first) {
        for (std::size_t level = 0; level < levels_.size(); ++level) {
            std::vector<std::uint32_t>& stamps = levels_[level].stamps;
            for (std::size_t j = first / span(level); j < stamps.size(); ++j) stamps[j] = 0;
        }
    }
    // Every node's bits are stale.
    void invalidate_all() {
        if (++generation_ != 0) return;
        // The stamps went round: start again with every node stale.
        generation_ = 1;
        for (level_nodes& level : levels_) std::fill(level.stamps.begin(), level.stamps.end(), 0u);
    }
    // Makes the nodes of the complete blocks of `items` items; new ones are stale.
    void resize(std::size_t items) {
        if (leaf_ == 0) return;
        std::size_t count = items / leaf_;
        std::size_t level = 0;
        for (; count > 0; ++level, count /= fanout) {
            if (level == levels_.size()) levels_.emplace_back();
            level_nodes& nodes = levels_[level];
            // Grown by an eighth rather than doubled: the nodes grow with the samples.
            if (nodes.metas.capacity() < count) {
                const std::size_t room = count + count / 8 + 16;
                nodes.stamps.reserve(room);
                nodes.metas.reserve(room);
                nodes.bits.reserve(room * words_);
            }
            nodes.stamps.resize(count);
            nodes.metas.resize(count);
            nodes.bits.resize(count * words_);
        }
        levels_.resize(level);
    }

    std::size_t levels() const { return levels_.size(); }
    std::size_t nodes(std::size_t level) const { return levels_[level].metas.size(); }
    // Items a node of `level` covers.
    std::size_t span(std::size_t level) const {
        std::size_t s = leaf_;
        for (std::size_t i = 0; i < level; ++i) s *= fanout;
        return s;
    }
    bool valid(std::size_t level, std::size_t j) const { return levels_[level].stamps[j] == generation_; }
    void validate(std::size_t level, std::size_t j) { levels_[level].stamps[j] = generation_; }
    Meta& meta(std::size_t level, std::size_t j) { return levels_[level].metas[j]; }
    std::uint64_t* bits(std::size_t level, std::size_t j) { return &levels_[level].bits[j * words_]; }

    // Hands the items [from, to) in order to `on_node(level, j)` as the largest
    // complete aligned blocks that fit, and to `on_item(i)` one by one between them.
    template <class OnNode, class OnItem>
    void cover(std::size_t from, std::size_t to, OnNode on_node, OnItem on_item) const {
        std::size_t i = from;
        while (i < to) {
            std::size_t best_span = 0;
            std::size_t best_level = 0;
            std::size_t s = leaf_;
            for (std::size_t level = 0; level < levels_.size() && s != 0; ++level, s *= fanout) {
                if (i % s != 0 || i / s >= levels_[level].metas.size() || to - i < s) break;
                best_span = s;
                best_level = level;
            }
            if (best_span == 0) {
                on_item(i);
                ++i;
            } else {
                on_node(best_level, i / best_span);
                i += best_span;
            }
        }
    }

    // Node j of `level` taken apart: its children to `on_node(level - 1, c)` in
    // order, or for a block of level 0, its items to `on_item(i)`.
    template <class OnNode, class OnItem>
    void split(std::size_t level, std::size_t j, OnNode on_node, OnItem on_item) const {
        if (level == 0) {
            for (std::size_t i = j * leaf_; i < (j + 1) * leaf_; ++i) on_item(i);
            return;
        }
        for (std::size_t c = j * fanout; c < (j + 1) * fanout; ++c) on_node(level - 1, c);
    }

    std::size_t memory_bytes() const {
        std::size_t bytes = 0;
        for (const level_nodes& level : levels_)
            bytes += level.stamps.capacity() * sizeof(std::uint32_t) + level.metas.capacity() * sizeof(Meta) +
                     level.bits.capacity() * sizeof(std::uint64_t);
        return bytes;
    }

private:
    // Kept apart, so that a node costs no padding.
    struct level_nodes {
        std::vector<std::uint32_t> stamps; // a node is valid while its stamp equals generation_
        std::vector<Meta> metas;
        std::vector<std::uint64_t> bits;
    };

    std::size_t leaf_ = 0;
    std::size_t words_ = 0;
    std::uint32_t generation_ = 1;
    std::vector<level_nodes> levels_;
};
