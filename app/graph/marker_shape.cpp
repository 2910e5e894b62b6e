// The marker's pixels from its centres at any display scale, a column at a time.
#include "app/graph/marker_shape.h"

#include <algorithm>
#include <vector>

namespace {

// Word k of a column of `words` words moved d rows down (d > 0) or up (d < 0); |d| < 64.
std::uint64_t moved(const std::uint64_t* column, std::size_t k, std::size_t words, int d) {
    if (d > 0) return (column[k] << d) | (k > 0 ? column[k - 1] >> (64 - d) : 0);
    if (d < 0) return (column[k] >> -d) | (k + 1 < words ? column[k + 1] << (64 + d) : 0);
    return column[k];
}

} // namespace

void add_bar_column(const column_bits& from, int x, const marker_shape::bar& b, std::uint64_t* out,
                    std::size_t first, std::size_t end) {
    const std::size_t words = from.words();
    end = std::min(end, words);
    if (first >= end) return;
    // The columns the bar reaches x from, together, over the words that reach words first to
    // end - 1; then moved by each of its rows. One buffer a thread, as the pictures call this
    // for many columns a paint.
    const std::size_t low = first > 0 ? first - 1 : 0;
    const std::size_t high = std::min(end + 1, words);
    thread_local std::vector<std::uint64_t> together;
    together.resize(std::max(together.size(), words));
    std::fill(together.begin() + static_cast<std::ptrdiff_t>(low),
              together.begin() + static_cast<std::ptrdiff_t>(high), 0);
    for (int dx = b.left; dx <= b.right; ++dx) {
        if (!from.has_column(x - dx)) continue;
        const std::uint64_t* column = from.column(x - dx);
        for (std::size_t k = low; k < high; ++k) together[k] |= column[k];
    }
    for (int dy = b.top; dy <= b.bottom; ++dy)
        for (std::size_t k = first; k < end; ++k) out[k] |= moved(together.data(), k, words, dy);
}

void marker_column(const column_bits& centres, int x, std::uint64_t* out, const marker_shape& shape,
                   std::size_t first, std::size_t end) {
    if (shape.thickness == 1) {
        marker_column(centres, x, out, first, end);
        return;
    }
    end = std::min(end, centres.words());
    if (first >= end) return;
    std::fill(out + first, out + end, 0);
    add_bar_column(centres, x, shape.across, out, first, end);
    add_bar_column(centres, x, shape.upright, out, first, end);
}
