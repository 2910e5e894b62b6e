// Block extremes of the samples' round-trip times: blocks brought up to date, the window's extremes found.
#include "app/store/sample_extremes.h"

void sample_extremes::join(meta& m, const meta& child) {
    // In time order, so that equal extremes keep the first one found.
    if (child.low < m.low) m.low = child.low;
    if (child.high > m.high) m.high = child.high;
}

void sample_extremes::update(const sample_store& store, std::size_t level, std::size_t j) {
    auto leaf = [&](std::size_t block) {
        const ping_sample* sample = store.samples.data() + block * tree_.leaf;
        const ping_sample* const end = sample + tree_.leaf;
        meta m{sample->rtt, sample->rtt};
        for (; sample < end; ++sample) join(m, meta{sample->rtt, sample->rtt});
        tree_.meta(0, block) = m;
    };
    tree_.update(level, j, leaf, join);
}

void sample_extremes::find(const sample_store& store, double& low, double& high) {
    tree_.resize(store.samples.size());
    meta found{low, high};
    tree_.cover(
        store.first_visible, store.samples.size(),
        [&](std::size_t level, std::size_t j) {
            update(store, level, j);
            join(found, tree_.meta(level, j));
        },
        [&](std::size_t i) {
            join(found, meta{store.samples[i].rtt, store.samples[i].rtt});
        });
    low = found.low;
    high = found.high;
}
