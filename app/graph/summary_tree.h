// Levels of block summaries over a sequence, each node valid while its stamp is current.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/graph/view_mapping.h"

// The vertical mapping that the row bits of a tree's nodes were made under; any
// difference (a rescale, a resize, another bitmap, another line rule) makes them
// all stale.
struct row_key {
    row_key() = default;
    row_key(const view_mapping& view, int rows, const void* line_rule)
        : y_low(view.y_low), y_high(view.y_high), y_scale(view.y_scale), plot_height(view.plot_height),
          margin(view.margin), height(rows), ends(line_rule) {}

    double y_low = 0.0;
    double y_high = 0.0;
    double y_scale = 0.0;
    double plot_height = 0.0;
    double margin = 0.0;
    int height = -1; // rows of the bitmap
    const void* ends = nullptr;

    // Compared bit for bit: a NaN is the same NaN, and 0.0 differs from -0.0.
    bool same(const row_key& other) const {
        const auto same_bits = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
        return same_bits(y_low, other.y_low) && same_bits(y_high, other.y_high) &&
               same_bits(y_scale, other.y_scale) && same_bits(plot_height, other.plot_height) &&
               same_bits(margin, other.margin) && height == other.height && ends == other.ends;
    }
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

    // Fits the tree to blocks of `leaf` items with `words` words of bits a node,
    // made under the mapping `key`: a new layout drops every node, a new mapping
    // makes them all stale.
    void fit(const row_key& key, std::size_t leaf, std::size_t words) {
        if (leaf_ != leaf || words_ != words) {
            leaf_ = leaf;
            words_ = words;
            levels_.clear();
            generation_ = 1;
        } else if (!key_.same(key)) {
            invalidate_all();
        }
        key_ = key;
    }
    std::size_t leaf() const { return leaf_; }
    std::size_t words() const { return words_; }
    const row_key& key() const { return key_; }

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

    // Items a node of `level` covers.
    std::size_t span(std::size_t level) const {
        std::size_t s = leaf_;
        for (std::size_t i = 0; i < level; ++i) s *= fanout;
        return s;
    }
    // Brings node j of `level` up to date when it is stale, and the nodes below it
    // that it needs: `leaf(j)` makes a node of level 0 from its items; a node above
    // starts as its first child and takes the others in order with
    // `join(meta, child_meta)`, its bits the union of theirs.
    template <class Leaf, class Join>
    void mend(std::size_t level, std::size_t j, Leaf& leaf, Join& join) {
        if (levels_[level].stamps[j] == generation_) return;
        if (level == 0) {
            leaf(j);
        } else {
            std::uint64_t* const to = words_ > 0 ? bits(level, j) : nullptr;
            std::fill(to, to + words_, 0);
            for (std::size_t c = j * fanout; c < (j + 1) * fanout; ++c) {
                mend(level - 1, c, leaf, join);
                if (c == j * fanout)
                    meta(level, j) = meta(level - 1, c);
                else
                    join(meta(level, j), meta(level - 1, c));
                const std::uint64_t* const from = words_ > 0 ? bits(level - 1, c) : nullptr;
                for (std::size_t k = 0; k < words_; ++k) to[k] |= from[k];
            }
        }
        levels_[level].stamps[j] = generation_;
    }
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

    row_key key_;
    std::size_t leaf_ = 0;
    std::size_t words_ = 0;
    std::uint32_t generation_ = 1;
    std::vector<level_nodes> levels_;
};
