// Where the pixel columns of a time-ordered sequence of items begin, followed from mapping to mapping.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// The first index from `low` to `high` where `before(i)` is false, for a `before`
// that holds for a first part of the indices only: std::partition_point over
// indices, for which C++17 has no range.
template <class Before>
std::size_t partition_index(std::size_t low, std::size_t high, Before before) {
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (before(mid))
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

// How many of `items` markers may change column between two paints before drawing
// them all fresh costs less than moving them: a move changes two counts far apart
// in memory, while a marker drawn fresh sets one bit of the column the walk is at.
inline std::size_t fresh_budget(std::size_t items, int columns) {
    return items / 8 + static_cast<std::size_t>(columns > 0 ? columns : 0) + 1024;
}

// The same for the steps of the curve: a step that moves is walked three times
// (the step before it, and its lines out and in) and its riser's counts taken
// out and put back, some twenty times what drawing it fresh as bits costs.
inline std::size_t fresh_steps_budget(std::size_t steps, int columns) {
    return steps / 16 + static_cast<std::size_t>(columns > 0 ? columns : 0) / 64 + 256;
}

// For items whose columns only grow with their index (samples or buckets in time
// order, under a time scale above zero), first_item(x) is the first item whose
// column is x or more, for the columns first_column() to last_column() + 1: the
// items of a column, and those that change column as the mapping moves.
class column_starts {
public:
    int first_column() const { return first_; }
    int last_column() const { return first_ + static_cast<int>(starts_.size()) - 2; }
    std::size_t first_item(int x) const { return starts_[static_cast<std::size_t>(x - first_)]; }

    // The columns `first` to `last`, every start 0 until set: by note() and
    // finish_noting() as a walk meets the items, or by rebuild_from(first).
    void reset(int first, int last) {
        first_ = first;
        starts_.assign(static_cast<std::size_t>(last - first + 2), 0);
        noted_ = 0;
    }
    // The starts of column x and those after it again, for `size` items whose
    // columns `column_of(i)` gives, of which those before first_item(x) are as they were.
    template <class ColumnOf>
    void rebuild_from(int x, std::size_t size, ColumnOf column_of) {
        std::size_t low = x > first_ ? first_item(x - 1) : 0;
        for (std::size_t k = static_cast<std::size_t>(x - first_); k < starts_.size(); ++k) {
            const int column = first_ + static_cast<int>(k);
            low = partition_index(low, size, [&](std::size_t i) { return column_of(i) < column; });
            starts_[k] = low;
        }
    }

    // Each item a walk meets, with its column, in order; then finish_noting() with the number of items.
    void note(std::size_t i, int column) {
        for (; noted_ < starts_.size() && first_ + static_cast<int>(noted_) <= column; ++noted_)
            starts_[noted_] = i;
    }
    void finish_noting(std::size_t size) {
        for (; noted_ < starts_.size(); ++noted_) starts_[noted_] = size;
    }

    // Moves every start to where `column_of`, a new mapping of the same `size`
    // items, puts it, and hands each item that lies between a start's old and new
    // place (the only ones whose column may have changed) to `moved(i, from, to)`,
    // once each, in order, with its column before and after (first_column() - 1 for
    // one before the first column, last_column() + 1 for one after the last). When
    // more than `budget` items would move, it hands none and returns false: the
    // starts are then not to be used until built again. `only_earlier` says that no
    // item's column grew (the plot moved on in time, as between two live paints),
    // so that the starts need not look back.
    template <class ColumnOf, class Moved>
    bool follow(std::size_t size, std::size_t budget, bool only_earlier, ColumnOf column_of, Moved moved) {
        old_.assign(starts_.begin(), starts_.end());
        std::size_t count = 0; // steps of the starts, at least the items that move
        // Coarse items (hour-long steps) start many columns each: the last column
        // worked out is asked for again at the next start.
        std::size_t known = static_cast<std::size_t>(-1);
        int known_column = 0;
        const auto column_at = [&](std::size_t i) {
            if (i != known) {
                known = i;
                known_column = column_of(i);
            }
            return known_column;
        };
        for (std::size_t k = 0; k < starts_.size(); ++k) {
            const int column = first_ + static_cast<int>(k);
            std::size_t at = std::min(old_[k], size);
            // Walked, not halved: a start moves by a few items between two paints.
            for (; !only_earlier && at > 0 && column_at(at - 1) >= column; --at)
                if (++count > budget) return false;
            for (; at < size && column_at(at) < column; ++at)
                if (++count > budget) return false;
            starts_[k] = at;
        }
        hand_moved(size, moved);
        return true;
    }

    // How many column edges the items crossed from `other`'s starts to these (an
    // item that moved two columns crossed two), for the same columns and items in
    // time order; SIZE_MAX when the columns differ.
    std::size_t moved_since(const column_starts& other) const {
        if (other.first_ != first_ || other.starts_.size() != starts_.size())
            return static_cast<std::size_t>(-1);
        std::size_t moved = 0;
        for (std::size_t k = 0; k < starts_.size(); ++k)
            moved +=
                starts_[k] > other.starts_[k] ? starts_[k] - other.starts_[k] : other.starts_[k] - starts_[k];
        return moved;
    }

private:
    // The items between the old starts and the new, to `moved` with their old and new columns.
    template <class Moved>
    void hand_moved(std::size_t size, Moved& moved) const {
        std::size_t done = 0;
        std::size_t before = 0; // starts at or before the item, old and new
        std::size_t after = 0;
        for (std::size_t k = 0; k < starts_.size(); ++k) {
            const std::size_t to = std::min(std::max(old_[k], starts_[k]), size);
            for (std::size_t i = std::max(std::min(old_[k], starts_[k]), done); i < to; ++i) {
                while (before < old_.size() && old_[before] <= i) ++before;
                while (after < starts_.size() && starts_[after] <= i) ++after;
                moved(i, first_ + static_cast<int>(before) - 1, first_ + static_cast<int>(after) - 1);
            }
            done = std::max(done, to);
        }
    }

    int first_ = 0;
    std::vector<std::size_t> starts_;
    std::vector<std::size_t> old_; // the starts before a follow; a member, so that its memory is reused
    std::size_t noted_ = 0;        // starts set by note()
};
