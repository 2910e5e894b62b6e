// The marker picture: its centres counted, followed or drawn fresh, and its marker pixels.
#include "app/graph/marker_picture.h"

#include <algorithm>
#include <climits>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "app/graph/marker_shape.h"
#include "app/store/change_mark.h"

namespace {

// The column of a sample time, as view_mapping::marker_column gives it, and for
// the times it gives none (beyond the pixel range) a column far out on that
// side, so that the columns still grow with the time.
int column_of(const view_mapping& view, double time) {
    const double value = view.offset_of(time) + view.plot_left;
    if (!(value > -pixel_coord_limit)) return INT_MIN / 2;
    if (!(value < pixel_coord_limit)) return INT_MAX / 2;
    return static_cast<int>(value);
}

// A row no count holds, above the reach of the thickest marker: where the samples
// that draw no marker are counted.
constexpr double outside_row = -1.0e6;

// The marker rows of the samples [first, end), as view_mapping::marker_row gives
// them, to add(y), and outside_row for those that draw no marker. Without a
// branch, two at a time where the processor allows: a rescale counts every
// visible sample again, and the noise of real round trips puts them in and out
// of the range at random. The same operations in the same order as marker_row,
// so the same rows to the last bit. `add` is a row sink: add(y) for each sample.
template <class Add>
void add_marker_rows(const ping_sample* first, const ping_sample* end, const view_mapping& view, Add add) {
    const ping_sample* sample = first;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128d low = _mm_set1_pd(view.y_low);
    const __m128d high = _mm_set1_pd(view.y_high);
    const __m128d scale = _mm_set1_pd(view.y_scale);
    const __m128d height = _mm_set1_pd(view.plot_height);
    const __m128d margin = _mm_set1_pd(view.margin);
    const __m128d limit = _mm_set1_pd(pixel_coord_limit);
    const __m128d negative_limit = _mm_set1_pd(-pixel_coord_limit);
    const __m128d outside = _mm_set1_pd(outside_row);
    for (; end - sample >= 2; sample += 2) {
        // Two records, read bytewise: they are only as aligned as a double.
        __m128d records[2];
        std::memcpy(records, sample, sizeof records);
        const __m128d rtt = _mm_unpackhi_pd(records[0], records[1]);
        const __m128d y = _mm_add_pd(_mm_sub_pd(height, _mm_mul_pd(_mm_sub_pd(rtt, low), scale)), margin);
        const __m128d drawn = _mm_and_pd(_mm_and_pd(_mm_cmple_pd(low, rtt), _mm_cmple_pd(rtt, high)),
                                         _mm_and_pd(_mm_cmpgt_pd(y, negative_limit), _mm_cmplt_pd(y, limit)));
        const __m128i rows = _mm_cvttpd_epi32(_mm_or_pd(_mm_and_pd(drawn, y), _mm_andnot_pd(drawn, outside)));
        add(_mm_cvtsi128_si32(rows));
        add(_mm_cvtsi128_si32(_mm_shuffle_epi32(rows, 1)));
    }
#endif
    for (; sample < end; ++sample) {
        const double rtt = sample->rtt;
        const double y = view.y_of(rtt);
        const bool drawn = view.in_range(rtt) & (y > -pixel_coord_limit) & (y < pixel_coord_limit);
        add(static_cast<int>(drawn ? y : outside_row));
    }
}

} // namespace

const column_bits& marker_picture::centres(const sample_store& store, const view_mapping& view, int width,
                                           int height) {
    const picture_key key{view, width, height, 0.0, 0.0, line_ends(), shape_.thickness};
    const std::size_t size = store.samples.size();
    const std::size_t budget =
        fresh_budget(size - std::min<std::size_t>(store.first_visible, size), width + 2 * reach_);
    path_ = policy_.paint(
        key.same_but_time(key_), view.x_scale > 0.0, budget,
        [&](std::size_t most) { return follow(store, view, most); },
        [&] { return draw_fresh(store, view, width, height); },
        [&] {
            count_all(store, view, width, height);
            return true;
        });
    key_ = key;
    changed_from_ = change_mark::none;
    first_visible_ = store.first_visible;
    size_ = size;
    return path_ == paint_path::fresh ? fresh_ : counts_.bits();
}

const column_bits& marker_picture::pixels(const sample_store& store, const view_mapping& view, int width,
                                          int height, const marker_shape& shape) {
    // Another thickness is another key: the centres are made anew, with the reach of the new shape.
    shape_ = shape;
    reach_ = shape.reach();
    const column_bits& centres = this->centres(store, view, width, height);
    const bool laid_out = pixels_.columns() == width && pixels_.first_row() == centres.first_row() &&
                          pixels_.rows() == centres.rows();
    if (!laid_out) pixels_.reset(0, width, centres.first_row(), centres.rows());
    // From the counts, a marker pixel can differ from the last paint's only within
    // a marker's reach of a centre set or cleared since: in the words next to those
    // changed, of the columns near; counts made anew change every column.
    const bool all = !laid_out || path_ == paint_path::fresh;
    changes_.reset(width);
    for (int x = 0; x < width; ++x) {
        std::uint64_t* const column = pixels_.column(x);
        if (all)
            marker_column(centres, x, column, shape_);
        else if (!counts_.each_changed_run_near(x, reach_, [&](std::size_t first, std::size_t end) {
                     marker_column(centres, x, column, shape_, first, end);
                 }))
            continue;
        changes_.mark(x);
    }
    counts_.forget_changes();
    return pixels_;
}

follow_result marker_picture::follow(const sample_store& store, const view_mapping& view,
                                     std::size_t budget) {
    if (!add_changes(store)) return follow_result::lost;
    if (!move_columns(store, view, budget)) return follow_result::too_many;
    for (int x = starts_.first_column(); x <= starts_.last_column(); ++x)
        if (!counts_.counted(x)) count_columns(store, view, store.first_visible, x, x);
    return follow_result::followed;
}

// The samples that changed since the last paint, added under its mapping: false
// when they reach back before the window, and everything is counted again.
bool marker_picture::add_changes(const sample_store& store) {
    const std::size_t size = store.samples.size();
    const int first = starts_.first_column();
    const int last = starts_.last_column();
    if (store.first_visible < first_visible_ || changed_from_ < first_visible_ ||
        changed_from_ <= starts_.first_item(first))
        return false;
    const view_mapping& old = key_.view;
    const auto old_column = [&](std::size_t i) { return column_of(old, store.samples[i].time); };
    if (changed_from_ < size || size != size_) {
        // The samples before changed_from_ are as they were, and so are the columns
        // before the one that now holds that sample; so are those after it too
        // when samples only came after the others, which are then only added.
        const int from =
            changed_from_ < size ? std::clamp(old_column(changed_from_), first, last + 1) : last + 1;
        const bool appended = changed_from_ >= size_;
        starts_.rebuild_from(appended ? std::min(from + 1, last + 1) : from, size, old_column);
        if (!appended) count_columns(store, old, first_visible_, from, last);
        for (std::size_t i = std::max(size_, first_visible_); appended && i < size; ++i) {
            int y = 0;
            if (old.marker_row(store.samples[i].rtt, y)) counts_.change(old_column(i), y, 1);
        }
    }
    // The samples that left the window on the left.
    for (std::size_t i = first_visible_; i < store.first_visible; ++i) {
        int y = 0;
        if (old.marker_row(store.samples[i].rtt, y)) counts_.change(old_column(i), y, -1);
    }
    return true;
}

// The samples that changed column as the plot moved: false when more than
// `budget` did, and setting the centres fresh costs less.
bool marker_picture::move_columns(const sample_store& store, const view_mapping& view, std::size_t budget) {
    const ping_sample* const samples = store.samples.data();
    const std::size_t begin = store.first_visible;
    return starts_.follow(
        store.samples.size(), budget, view.right_time >= key_.view.right_time,
        [&](std::size_t i) { return column_of(view, samples[i].time); },
        [&](std::size_t i, int from, int to) {
            int y = 0;
            if (i < begin || from == to || !view.marker_row(samples[i].rtt, y)) return;
            counts_.change(from, y, -1);
            counts_.change(to, y, 1);
        });
}

void marker_picture::count_all(const sample_store& store, const view_mapping& view, int width, int height) {
    fresh_ = column_bits();
    counts_.reset(-reach_, width + 2 * reach_, -reach_, height + 2 * reach_);
    starts_.reset(-reach_, width - 1 + reach_);
    starts_.rebuild_from(-reach_, store.samples.size(),
                         [&](std::size_t i) { return column_of(view, store.samples[i].time); });
    count_columns(store, view, store.first_visible, -reach_, width - 1 + reach_);
}

// The centres set as bits, without counts. Returns how many samples changed
// column since the last paint, from the starts noted on the way.
std::size_t marker_picture::draw_fresh(const sample_store& store, const view_mapping& view, int width,
                                       int height) {
    counts_ = column_counts();
    fresh_.reset(-reach_, width + 2 * reach_, -reach_, height + 2 * reach_);
    std::swap(previous_, starts_);
    starts_.reset(-reach_, width - 1 + reach_);
    const ping_sample* const samples = store.samples.data();
    const std::size_t size = store.samples.size();
    for (std::size_t i = store.first_visible; i < size; ++i) {
        const int x = column_of(view, samples[i].time);
        starts_.note(i, x);
        int y = 0;
        if (view.marker_row(samples[i].rtt, y)) fresh_.set(x, y);
    }
    starts_.finish_noting(size);
    return starts_.moved_since(previous_);
}

// Counts the samples from `begin` on of the columns `from` to `to` again.
void marker_picture::count_columns(const sample_store& store, const view_mapping& view, std::size_t begin,
                                   int from, int to) {
    const ping_sample* const samples = store.samples.data();
    // A copy, which the counts written below cannot alias.
    const view_mapping rows = view;
    for (int x = from; x <= to; ++x) {
        counts_.clear_column(x);
        const ping_sample* const first = samples + std::max(begin, starts_.first_item(x));
        const ping_sample* const end = samples + starts_.first_item(x + 1);
        const std::size_t count = first < end ? static_cast<std::size_t>(end - first) : 0;
        counts_.add_to_column(x, count, [&](auto add) { add_marker_rows(first, end, rows, add); });
    }
}
