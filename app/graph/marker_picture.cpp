#include "app/graph/marker_picture.h"

#include <algorithm>
#include <climits>

#include "app/store/change_mark.h"

namespace {

// The column of a sample time, as view_mapping::marker_column gives it, and for
// the times it gives none (beyond the pixel range) a column far out on that
// side, so that the columns still grow with the time.
int column_of(const view_mapping& view, double time) {
    const double value = view.offset_of(time) + plot_left;
    if (!(value > -pixel_coord_limit)) return INT_MIN / 2;
    if (!(value < pixel_coord_limit)) return INT_MAX / 2;
    return static_cast<int>(value);
}

// A row no count holds: where the samples that draw no marker are counted.
constexpr double outside_row = -2.0;

// Of the visible samples, the share that may change column before counting them
// all again costs less than moving them.
std::size_t move_budget(const sample_store& store) {
    return (store.samples.size() - std::min<std::size_t>(store.first_visible, store.samples.size())) / 4 +
           4096;
}

} // namespace

const column_bits& marker_picture::centres(const sample_store& store, const view_mapping& view, int width,
                                           int height) {
    const picture_key key(view, width, height);
    const bool followed = counted_ && key_.same(key) && take_changes(store) && move_columns(store, view);
    if (followed)
        recount_lost(store, view);
    else
        count_all(store, view, width, height);
    key_ = key;
    view_ = view;
    changed_ = change_mark::none;
    begin_ = store.first_visible;
    size_ = store.samples.size();
    return counts_.bits();
}

// The samples that changed since the last paint, taken in under its mapping:
// false when they reach back before the window, and everything is counted anew.
bool marker_picture::take_changes(const sample_store& store) {
    const std::size_t size = store.samples.size();
    if (store.first_visible < begin_ || changed_ < begin_ || changed_ <= starts_.start(starts_.first()))
        return false;
    const auto old_column = [&](std::size_t i) { return column_of(view_, store.samples[i].time); };
    if (changed_ < size || size != size_) {
        // The samples before changed_ are as they were, and so are the columns
        // before the one that now holds sample changed_.
        const int from = changed_ < size
                             ? std::clamp(old_column(changed_), starts_.first(), starts_.last() + 1)
                             : starts_.last() + 1;
        starts_.rebuild_from(from, size, old_column);
        count_columns(store, view_, begin_, from, starts_.last());
    }
    // The samples that left the window on the left.
    for (std::size_t i = begin_; i < store.first_visible; ++i) {
        int y = 0;
        if (view_.marker_row(store.samples[i].rtt, y)) counts_.change(old_column(i), y, -1);
    }
    return true;
}

// The samples that changed column as the plot moved: false when so many did
// that counting them all again costs less.
bool marker_picture::move_columns(const sample_store& store, const view_mapping& view) {
    const ping_sample* const samples = store.samples.data();
    const std::size_t begin = store.first_visible;
    return starts_.follow(
        store.samples.size(), move_budget(store),
        [&](std::size_t i) { return column_of(view, samples[i].time); },
        [&](std::size_t i) {
            int y = 0;
            if (i < begin || !view.marker_row(samples[i].rtt, y)) return;
            const int from = column_of(view_, samples[i].time);
            const int to = column_of(view, samples[i].time);
            if (from == to) return;
            counts_.change(from, y, -1);
            counts_.change(to, y, 1);
        });
}

void marker_picture::count_all(const sample_store& store, const view_mapping& view, int width, int height) {
    counts_.reset(-1, width + 2, -1, height + 2);
    // A time scale below zero turns the columns round (in a window narrower than
    // its labels): each sample in its own column, and again at the next paint.
    counted_ = view.x_scale > 0.0;
    if (counted_) {
        starts_.build(-1, width, store.samples.size(),
                      [&](std::size_t i) { return column_of(view, store.samples[i].time); });
        count_columns(store, view, store.first_visible, -1, width);
        return;
    }
    for (std::size_t i = store.first_visible; i < store.samples.size(); ++i) {
        int y = 0;
        if (view.marker_row(store.samples[i].rtt, y))
            counts_.change(column_of(view, store.samples[i].time), y, 1);
    }
}

// Counts the samples from `begin` on of the columns `from` to `to`, which hold none yet.
void marker_picture::count_columns(const sample_store& store, const view_mapping& view, std::size_t begin,
                                   int from, int to) {
    const ping_sample* const samples = store.samples.data();
    // A copy, which the counts written below cannot alias.
    const view_mapping rows = view;
    for (int x = from; x <= to; ++x) {
        counts_.clear_column(x);
        const ping_sample* const first = samples + std::max(begin, starts_.start(x));
        const ping_sample* const end = samples + starts_.start(x + 1);
        counts_.add_to_column(x, [&](auto add) {
            // As marker_row, without a branch: the values the noise of real round
            // trips puts in and out of the range at random cost no mispredictions.
            for (const ping_sample* sample = first; sample < end; ++sample) {
                const double rtt = sample->rtt;
                const double y = rows.y_of(rtt);
                const bool drawn = rows.in_range(rtt) & (y > -pixel_coord_limit) & (y < pixel_coord_limit);
                add(static_cast<int>(drawn ? y : outside_row));
            }
        });
    }
}

void marker_picture::recount_lost(const sample_store& store, const view_mapping& view) {
    for (int x = starts_.first(); x <= starts_.last(); ++x)
        if (!counts_.counted(x)) count_columns(store, view, store.first_visible, x, x);
}
