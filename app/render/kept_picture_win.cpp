// The picture kept in the back buffer between paints: the frame's pixels and the last marker and curve bits.
#include "app/render/kept_picture_win.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "app/graph/word_bits.h"
#include "app/render/screen_copy_win.h"

namespace {

// The word of 64 rows, counted from row 0, that holds row y.
std::int64_t word_of_row(std::int64_t y) {
    return y >= 0 ? y / 64 : -((63 - y) / 64);
}

// Marks in `rows` (a flag for each 64 rows of the bitmap) those where column x
// differs between two sets of bits of one layout. Whether any differ.
bool mark_changed_rows(const column_bits& kept, const column_bits& now, int x,
                       std::vector<unsigned char>& rows) {
    if (!now.has_column(x)) return false;
    const std::uint64_t* const before = kept.column(x);
    const std::uint64_t* const after = now.column(x);
    // Most columns are as they were: the library's compare finds that fastest.
    if (std::memcmp(before, after, now.words() * sizeof(std::uint64_t)) == 0) return false;
    bool any = false;
    for (std::size_t k = 0; k < now.words(); ++k) {
        if (before[k] == after[k]) continue;
        any = true;
        const std::int64_t top = now.first_row() + 64 * static_cast<std::int64_t>(k);
        for (std::int64_t j = std::max<std::int64_t>(word_of_row(top), 0);
             j <= word_of_row(top + 63) && j < static_cast<std::int64_t>(rows.size()); ++j)
            rows[static_cast<std::size_t>(j)] = 1;
    }
    return any;
}

void copy_column(const column_bits& from, column_bits& to, int x) {
    std::memcpy(to.column(x), from.column(x), from.words() * sizeof(std::uint64_t));
}

std::uint64_t word_or_zero(const std::uint64_t* words, std::int64_t count, std::int64_t i) {
    return i >= 0 && i < count ? words[i] : 0;
}

// The bits of rows 64 j to 64 j + 63 of column x (none where `bits` is null or lacks the column).
std::uint64_t row_word(const column_bits* bits, int x, int j) {
    if (!bits || !bits->has_column(x)) return 0;
    const std::int64_t first = std::int64_t{j} * 64 - bits->first_row();
    const std::int64_t word = word_of_row(first);
    const int shift = static_cast<int>(first - word * 64);
    const std::uint64_t* words = bits->column(x);
    const auto count = static_cast<std::int64_t>(bits->words());
    const std::uint64_t low = word_or_zero(words, count, word) >> shift;
    return shift == 0 ? low : low | word_or_zero(words, count, word + 1) << (64 - shift);
}

std::uint32_t rgb_of(std::uint32_t argb) {
    return argb & 0xFFFFFFu;
}

} // namespace

bool frame_key::operator==(const frame_key& other) const {
    return width == other.width && height == other.height && background == other.background &&
           span == other.span && only_avg == other.only_avg && show_avg == other.show_avg &&
           std::memcmp(values, other.values, sizeof values) == 0;
}

// A row the same as the one above shares its runs: most rows of a frame are
// background with the axis, and comparing a row costs less than scanning it.
void frame_runs::capture(const back_buffer_view& pixels) {
    starts_.clear();
    colors_.clear();
    rows_.clear();
    for (int y = 0; y < pixels.height(); ++y) {
        if (y > 0 && pixels.same_as_row_above(y)) {
            rows_.push_back(rows_[2 * static_cast<std::size_t>(y) - 2]);
            rows_.push_back(rows_[2 * static_cast<std::size_t>(y) - 1]);
            continue;
        }
        rows_.push_back(starts_.size());
        for (int x = 0; x < pixels.width(); ++x) {
            const std::uint32_t color = pixels.rgb(x, y);
            if (x > 0 && color == colors_.back()) continue;
            starts_.push_back(static_cast<std::uint32_t>(x));
            colors_.push_back(color);
        }
        rows_.push_back(starts_.size());
    }
}

std::uint32_t frame_runs::at(int x, int y) const {
    const auto first = starts_.begin() + static_cast<std::ptrdiff_t>(rows_[2 * static_cast<std::size_t>(y)]);
    const auto end =
        starts_.begin() + static_cast<std::ptrdiff_t>(rows_[2 * static_cast<std::size_t>(y) + 1]);
    const auto run = std::upper_bound(first, end, static_cast<std::uint32_t>(x)) - 1;
    return colors_[static_cast<std::size_t>(run - starts_.begin())];
}

void kept_picture::forget() {
    background_ = false;
    framed_ = false;
}

void kept_picture::keep_background(int width, int height) {
    forget();
    background_ = true;
    note_changed({0, 0, width, height});
}

void kept_picture::keep_frame(const frame_key& key, double plot_width, const back_buffer_view& pixels) {
    forget();
    key_ = key;
    plot_width_ = plot_width;
    frame_.capture(pixels);
    framed_ = true;
    note_changed({0, 0, pixels.width(), pixels.height()});
}

void kept_picture::keep_samples(const column_bits* markers, const column_bits* curve) {
    has_markers_ = markers != nullptr;
    has_curve_ = curve != nullptr;
    if (markers) markers_ = *markers;
    if (curve) curve_ = *curve;
}

bool kept_picture::update(back_buffer_view& pixels, screen_copy& screen, const column_bits* markers,
                          const column_bits* curve, std::uint32_t marker_color, std::uint32_t curve_color) {
    if (!framed_ || (markers != nullptr) != has_markers_ || (curve != nullptr) != has_curve_) return false;
    if ((markers && !markers->same_layout(markers_)) || (curve && !curve->same_layout(curve_))) return false;
    // Until the bits are kept, what the back buffer shows is not known.
    framed_ = false;
    int from = INT_MAX;
    int to = INT_MIN;
    for (const column_bits* bits : {markers, curve}) {
        if (!bits || bits->columns() <= 0) continue;
        from = std::min(from, std::max(0, bits->first_column()));
        to = std::max(to, std::min(pixels.width(), bits->first_column() + bits->columns()));
    }
    rows_.assign(static_cast<std::size_t>(pixels.height() + 63) / 64, 0);
    for (int x = from; x < to; ++x) {
        const bool new_markers = markers && mark_changed_rows(markers_, *markers, x, rows_);
        const bool new_curve = curve && mark_changed_rows(curve_, *curve, x, rows_);
        if (!new_markers && !new_curve) continue;
        update_column(pixels, screen, x, markers, curve, rgb_of(marker_color), rgb_of(curve_color));
        // Only the columns that changed are kept anew.
        if (new_markers) copy_column(*markers, markers_, x);
        if (new_curve) copy_column(*curve, curve_, x);
    }
    framed_ = true;
    return true;
}

// Each pixel shows the curve where a curve bit is set, else a marker where a
// marker bit is, else the frame: only those whose choice changed are written, in
// the rows marked in rows_, whose marks it clears.
void kept_picture::update_column(back_buffer_view& pixels, screen_copy& screen, int x,
                                 const column_bits* markers, const column_bits* curve,
                                 std::uint32_t marker_color, std::uint32_t curve_color) {
    const column_bits* old_markers = has_markers_ ? &markers_ : nullptr;
    const column_bits* old_curve = has_curve_ ? &curve_ : nullptr;
    const int height = pixels.height();
    int top = INT_MAX;
    int bottom = INT_MIN;
    for (int j = 0; j * 64 < height; ++j) {
        if (!rows_[static_cast<std::size_t>(j)]) continue;
        rows_[static_cast<std::size_t>(j)] = 0;
        const std::uint64_t om = row_word(old_markers, x, j);
        const std::uint64_t oc = row_word(old_curve, x, j);
        const std::uint64_t nm = row_word(markers, x, j);
        const std::uint64_t nc = row_word(curve, x, j);
        if (om == nm && oc == nc) continue;
        const std::uint64_t writes[3] = {nc & ~oc, nm & ~nc & ~(om & ~oc), ~(nm | nc) & (om | oc)};
        for (int kind = 0; kind < 3; ++kind) {
            for (std::uint64_t word = writes[kind]; word != 0; word &= word - 1) {
                const int y = j * 64 + lowest_bit(word);
                if (y >= height) break;
                const std::uint32_t rgb = kind == 0   ? curve_color
                                          : kind == 1 ? marker_color
                                                      : frame_.at(x, y);
                pixels.put_rgb(x, y, rgb);
                screen.put_rgb(x, y, rgb);
                top = std::min(top, y);
                bottom = std::max(bottom, y + 1);
            }
        }
    }
    if (top < bottom) note_changed({x, top, x + 1, bottom});
}

// A column next to the last run, or within it, joins it.
void kept_picture::note_changed(const pixel_rect& rect) {
    std::vector<pixel_rect>& runs = changed_.runs;
    if (!runs.empty() && runs.back().left <= rect.left && rect.left <= runs.back().right)
        runs.back().add(rect);
    else
        runs.push_back(rect);
}

kept_picture::changes kept_picture::take_changes() {
    changes taken;
    std::swap(taken, changed_);
    return taken;
}
