// Levels of block summaries over a sequence, each node valid until the items under it change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Summaries of aligned blocks of a sequence: a node of level 0 covers `Leaf`
// consecutive items, one of level k + 1 `fanout` nodes of level k; only complete
// blocks have one. Its `Meta` record is valid until the items under it change.
template <class Meta, std::size_t Leaf>
class summary_tree {
public:
    static constexpr std::size_t fanout = 8;
    static constexpr std::size_t leaf = Leaf;

    // Items from `first` on were replaced, inserted or removed.
    void changed_from(std::size_t first) {
        for (std::size_t level = 0; level < levels_.size(); ++level) {
            std::vector<std::uint8_t>& valid = levels_[level].valid;
            for (std::size_t j = first / span(level); j < valid.size(); ++j) valid[j] = 0;
        }
    }
    // Makes the nodes of the complete blocks of `items` items; new ones are stale.
    void resize(std::size_t items) {
        std::size_t count = items / leaf;
        std::size_t level = 0;
        for (; count > 0; ++level, count /= fanout) {
            if (level == levels_.size()) levels_.emplace_back();
            level_nodes& nodes = levels_[level];
            // Grown by an eighth rather than doubled: the nodes grow with the samples.
            if (nodes.metas.capacity() < count) {
                const std::size_t room = count + count / 8 + 16;
                nodes.valid.reserve(room);
                nodes.metas.reserve(room);
            }
            nodes.valid.resize(count);
            nodes.metas.resize(count);
        }
        levels_.resize(level);
    }

    // Items a node of `level` covers.
    static std::size_t span(std::size_t level) {
        std::size_t s = leaf;
        for (std::size_t i = 0; i < level; ++i) s *= fanout;
        return s;
    }
    const Meta& meta(std::size_t level, std::size_t j) const { return levels_[level].metas[j]; }
    Meta& meta(std::size_t level, std::size_t j) { return levels_[level].metas[j]; }

    // Brings node j of `level` up to date when it is stale, and the nodes below it
    // that it needs: `leaf_meta(j)` makes a node of level 0 from its items; a node
    // above starts as its first child and takes the others in order with
    // `join(meta, child_meta)`.
    template <class LeafMeta, class Join>
    void update(std::size_t level, std::size_t j, LeafMeta& leaf_meta, Join& join) {
        if (levels_[level].valid[j]) return;
        if (level == 0) {
            leaf_meta(j);
        } else {
            for (std::size_t c = j * fanout; c < (j + 1) * fanout; ++c) {
                update(level - 1, c, leaf_meta, join);
                if (c == j * fanout)
                    meta(level, j) = meta(level - 1, c);
                else
                    join(meta(level, j), meta(level - 1, c));
            }
        }
        levels_[level].valid[j] = 1;
    }

    // Hands the items [from, to) in order to `on_node(level, j)` as the largest
    // complete aligned blocks that fit, and to `on_item(i)` one by one between them.
    template <class OnNode, class OnItem>
    void cover(std::size_t from, std::size_t to, OnNode on_node, OnItem on_item) const {
        std::size_t i = from;
        while (i < to) {
            std::size_t best_span = 0;
            std::size_t best_level = 0;
            std::size_t s = leaf;
            for (std::size_t level = 0; level < levels_.size(); ++level, s *= fanout) {
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

    std::size_t memory_bytes() const {
        std::size_t bytes = 0;
        for (const level_nodes& level : levels_)
            bytes += level.valid.capacity() * sizeof(std::uint8_t) + level.metas.capacity() * sizeof(Meta);
        return bytes;
    }

private:
    // Kept apart, so that a node costs no padding.
    struct level_nodes {
        std::vector<std::uint8_t> valid;
        std::vector<Meta> metas;
    };

    std::vector<level_nodes> levels_;
};
