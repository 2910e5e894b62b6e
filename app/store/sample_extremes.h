// Block summaries of the samples' round-trip times: the extremes of the visible ones without a walk over all.
#pragma once

#include <cstddef>

#include "app/store/sample_store.h"
#include "app/store/summary_tree.h"

// Per block of samples, the smallest and largest round-trip time, which no
// mapping to pixels changes: a paint finds win_min and win_max from the blocks
// and the few samples beside them.
class sample_extremes {
public:
    // The samples from index `first` on changed (merged, inserted or removed).
    void changed_from(std::size_t first) { tree_.changed_from(first); }

    // The smallest and largest round-trip time of the samples from first_visible
    // to the end, as a walk in time order with strict comparisons from `low` and
    // `high` finds them.
    void find(const sample_store& store, double& low, double& high);

    // Hands `visit(i)`, in index order, the samples of [from, to) whose blocks may
    // hold a round-trip time in [low, high]: a block whose extremes lie outside is
    // passed over whole. `visit` returns false to stop. A search for a value among
    // many samples thus reads only the blocks that reach it.
    template <class Visit>
    void visit_between(const sample_store& store, std::size_t from, std::size_t to, double low, double high,
                       Visit visit);

    std::size_t memory_bytes() const { return tree_.memory_bytes(); }

private:
    struct meta {
        double low;
        double high;
    };
    static void join(meta& m, const meta& child);
    void update(const sample_store& store, std::size_t level, std::size_t j);
    template <class Visit>
    bool visit_node(std::size_t level, std::size_t j, double low, double high, Visit& visit);

    summary_tree<meta, 64> tree_;
};

template <class Visit>
void sample_extremes::visit_between(const sample_store& store, std::size_t from, std::size_t to, double low,
                                    double high, Visit visit) {
    tree_.resize(store.samples.size());
    bool going = true;
    tree_.cover(
        from, to,
        [&](std::size_t level, std::size_t j) {
            if (going) {
                update(store, level, j);
                going = visit_node(level, j, low, high, visit);
            }
        },
        [&](std::size_t i) {
            if (going) going = visit(i);
        });
}

// False once `visit` asked to stop. The node must be up to date, which updates those below it.
template <class Visit>
bool sample_extremes::visit_node(std::size_t level, std::size_t j, double low, double high, Visit& visit) {
    const meta& m = tree_.meta(level, j);
    if (m.high < low || m.low > high) return true;
    if (level == 0) {
        for (std::size_t i = j * tree_.leaf; i < (j + 1) * tree_.leaf; ++i)
            if (!visit(i)) return false;
        return true;
    }
    for (std::size_t c = j * tree_.fanout; c < (j + 1) * tree_.fanout; ++c)
        if (!visit_node(level - 1, c, low, high, visit)) return false;
    return true;
}
