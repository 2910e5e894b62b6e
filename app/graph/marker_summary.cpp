#include "app/graph/marker_summary.h"

#include <algorithm>

namespace {

constexpr std::size_t min_leaf = 64;

// Samples a block of markers holds: at least min_leaf, and enough that a
// node's bits cost at most about two bytes a sample. Every sample of a block
// that holds a column's edge is visited, so the blocks stay as small as that
// allows.
std::size_t marker_leaf(std::size_t words) {
    std::size_t leaf = min_leaf;
    while (leaf < words * 4) leaf *= 2;
    return leaf;
}

} // namespace

void marker_summary::prepare(const sample_store& store, const view_mapping& view, int height) {
    const std::size_t words = column_bits::words_for(height + 2);
    tree_.fit(row_key(view, height, nullptr), marker_leaf(words), words);
    tree_.resize(store.samples.size());
}

void marker_summary::mend_leaf(const sample_store& store, const view_mapping& view, std::size_t j) {
    std::uint64_t* bits = tree_.bits(0, j);
    std::fill(bits, bits + tree_.words(), 0);
    const std::size_t first = j * tree_.leaf();
    const ping_sample* sample = store.samples.data() + first;
    const ping_sample* const end = sample + tree_.leaf();
    // Copies, which the writes below cannot alias.
    const view_mapping rows = view;
    const int last_row = tree_.key().height;
    double low = sample->rtt;
    double high = low;
    for (; sample < end; ++sample) {
        const double rtt = sample->rtt;
        if (rtt < low) low = rtt;
        if (rtt > high) high = rtt;
        int y = 0;
        // Centres above row -1 or below the last row leave no pixel in the bitmap.
        if (rows.marker_row(rtt, y) && y >= -1 && y <= last_row)
            column_bits::set_bit(bits, static_cast<std::size_t>(y + 1));
    }
    meta& m = tree_.meta(0, j);
    m.low = low;
    m.high = high;
    m.first_time = store.samples[first].time;
    m.last_time = store.samples[first + tree_.leaf() - 1].time;
}

void marker_summary::join(meta& m, const meta& child) {
    // In time order, so that equal extremes keep the first one found.
    if (child.low < m.low) m.low = child.low;
    if (child.high > m.high) m.high = child.high;
    m.last_time = child.last_time;
}

void marker_summary::mend(const sample_store& store, const view_mapping& view, std::size_t level,
                          std::size_t j) {
    auto leaf = [&](std::size_t block) { mend_leaf(store, view, block); };
    tree_.mend(level, j, leaf, join);
}

void marker_summary::extremes(const sample_store& store, const view_mapping& view, int height, double& low,
                              double& high) {
    prepare(store, view, height);
    const ping_sample* const samples = store.samples.data();
    tree_.cover(
        store.first_visible, store.samples.size(),
        [&](std::size_t level, std::size_t j) {
            mend(store, view, level, j);
            const meta& m = tree_.meta(level, j);
            if (m.low < low) low = m.low;
            if (m.high > high) high = m.high;
        },
        [&](std::size_t i) {
            const double rtt = samples[i].rtt;
            if (rtt < low) low = rtt;
            if (rtt > high) high = rtt;
        });
}

const column_bits& marker_summary::centres(const sample_store& store, const view_mapping& view, int width,
                                           int height) {
    prepare(store, view, height);
    centres_.reset(-1, width + 2, -1, height + 2);
    const ping_sample* const samples = store.samples.data();
    const double past_right = static_cast<double>(width) + 1.0;
    marker_columns columns(view);
    const auto item = [&](std::size_t i) {
        int x = 0;
        int y = 0;
        if (view.marker_row(samples[i].rtt, y) && columns.find(samples[i].time, x)) centres_.set(x, y);
    };
    // A block whose first and last sample share a column has all its samples
    // there: the column only grows (or only shrinks) with the time.
    const auto visit = [&](const auto& self, std::size_t level, std::size_t j) -> void {
        mend(store, view, level, j); // done already by extremes(), as a rule
        const meta& m = tree_.meta(level, j);
        const double a = view.offset_of(m.first_time) + plot_left;
        const double b = view.offset_of(m.last_time) + plot_left;
        // Wholly left of column -1 or right of column `width`: no marker reaches the bitmap.
        if (std::max(a, b) <= -2.0 || std::min(a, b) >= past_right) return;
        int xa = 0;
        int xb = 0;
        if (pixel_coord(a, xa) && pixel_coord(b, xb) && xa == xb) {
            centres_.merge(xa, tree_.bits(level, j));
        } else {
            tree_.split(
                level, j, [&](std::size_t child_level, std::size_t c) { self(self, child_level, c); }, item);
        }
    };
    tree_.cover(
        store.first_visible, store.samples.size(),
        [&](std::size_t level, std::size_t j) { visit(visit, level, j); }, item);
    return centres_;
}
