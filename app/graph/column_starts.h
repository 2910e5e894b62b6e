// Where the pixel columns of a time-ordered sequence of items begin, followed from mapping to mapping.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// How many of `items` items may change column between two paints before drawing
// them all afresh, without counts, costs less than moving them: a move takes a
// count a pixel from one column and gives it to another, two reads of memory far
// apart, while an item drawn afresh sets one bit of a column the walk is at.
inline std::size_t fresh_budget(std::size_t items, int columns) {
    return items / 8 + static_cast<std::size_t>(columns > 0 ? columns : 0) + 1024;
}

// The same for the steps of the curve: a step that moves is walked three times
// (the step before it, and its lines out and in) and its riser's counts taken
// out and put back, some twenty times what drawing it afresh as bits costs.
inline std::size_t fresh_steps_budget(std::size_t steps, int columns) {
    return steps / 16 + static_cast<std::size_t>(columns > 0 ? columns : 0) / 64 + 256;
}

// For items whose columns only grow with their index (samples or buckets in time
// order, under a time scale above zero), start(x) is the first item whose column
// is x or more, for the columns first() to last() + 1, over items 0 to size - 1.
class column_starts {
public:
    int first() const { return first_; }
    int last() const { return first_ + static_cast<int>(starts_.size()) - 2; }
    std::size_t start(int x) const { return starts_[static_cast<std::size_t>(x - first_)]; }

    // Every start, for `size` items whose columns `column_of(i)` gives.
    template <class ColumnOf>
    void build(int first, int last, std::size_t size, ColumnOf column_of) {
        first_ = first;
        starts_.assign(static_cast<std::size_t>(last - first + 2), 0);
        rebuild_from(first, size, column_of);
    }
    // The starts of column x and those after it again, for `size` items of which
    // those before start(x) are as they were.
    template <class ColumnOf>
    void rebuild_from(int x, std::size_t size, ColumnOf column_of) {
        std::size_t low = x > first_ ? start(x - 1) : 0;
        for (std::size_t k = static_cast<std::size_t>(x - first_); k < starts_.size(); ++k) {
            const int column = first_ + static_cast<int>(k);
            low = first_at_least(low, size, column, column_of);
            starts_[k] = low;
        }
    }

    // Builds the starts from the items handed to note() in order, with their
    // columns, as a walk over them meets them; finish() with the number of items.
    void start(int first, int last) {
        first_ = first;
        starts_.assign(static_cast<std::size_t>(last - first + 2), 0);
        noted_ = 0;
    }
    void note(std::size_t i, int column) {
        for (; noted_ < starts_.size() && first_ + static_cast<int>(noted_) <= column; ++noted_)
            starts_[noted_] = i;
    }
    void finish(std::size_t size) {
        for (; noted_ < starts_.size(); ++noted_) starts_[noted_] = size;
    }

    // Moves every start to where `column_of`, a new mapping of the same `size`
    // items, puts it, and hands each item that lies between a start's old and new
    // place (the only ones whose column may have changed) to `moved(i, from, to)`,
    // once each, in order, with its column before and after (first() - 1 for one
    // before the first column, last() + 1 for one after the last). When more than
    // `budget` items would move, it hands none and returns false: the starts are
    // then not to be used until built again. `only_earlier` says that no item's
    // column grew (the plot moved on in time, as between two live paints), so that
    // the starts need not look back.
    template <class ColumnOf, class Moved>
    bool follow(std::size_t size, std::size_t budget, bool only_earlier, ColumnOf column_of, Moved moved) {
        old_.assign(starts_.begin(), starts_.end());
        std::size_t count = 0; // steps of the starts, at least the items that move
        for (std::size_t k = 0; k < starts_.size(); ++k) {
            const int column = first_ + static_cast<int>(k);
            std::size_t at = std::min(old_[k], size);
            // Walked, not halved: a start moves by a few items between two paints.
            for (; !only_earlier && at > 0 && column_of(at - 1) >= column; --at)
                if (++count > budget) return false;
            for (; at < size && column_of(at) < column; ++at)
                if (++count > budget) return false;
            starts_[k] = at;
        }
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
        return true;
    }

    // How many items lie in another column under these starts than under
    // `other`'s, of the same columns and items in time order; SIZE_MAX when the
    // columns differ.
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
    // The first item from `low` on whose column is `column` or more.
    template <class ColumnOf>
    static std::size_t first_at_least(std::size_t low, std::size_t size, int column, ColumnOf column_of) {
        std::size_t high = size;
        while (low < high) {
            const std::size_t mid = low + (high - low) / 2;
            if (column_of(mid) < column)
                low = mid + 1;
            else
                high = mid;
        }
        return low;
    }

    int first_ = 0;
    std::vector<std::size_t> starts_;
    std::vector<std::size_t> old_; // kept for its memory
    std::size_t noted_ = 0;        // starts set by note()
};
