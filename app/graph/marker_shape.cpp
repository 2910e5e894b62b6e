// The marker's pixels from its centres at any display scale, a column at a time.
#include "app/graph/marker_shape.h"

#include <vector>

namespace {

// Word k of a column of `words` words moved d rows down (d > 0) or up (d < 0); |d| < 64.
std::uint64_t moved(const std::uint64_t* column, std::size_t k, std::size_t words, int d) {
    if (d > 0) return (column[k] << d) | (k > 0 ? column[k - 1] >> (64 - d) : 0);
    if (d < 0) return (column[k] >> -d) | (k + 1 < words ? column[k + 1] << (64 + d) : 0);
    return column[k];
}

} // namespace

void add_bar_column(const column_bits& from, int x, const marker_shape::bar& b, std::uint64_t* out) {
    const std::size_t words = from.words();
    // The columns the bar reaches x from, together; then moved by each of its rows. One
    // buffer a thread, as the pictures call this for many columns a paint.
    thread_local std::vector<std::uint64_t> together;
    together.assign(words, 0);
    for (int dx = b.left; dx <= b.right; ++dx) {
        if (!from.has_column(x - dx)) continue;
        const std::uint64_t* column = from.column(x - dx);
        for (std::size_t k = 0; k < words; ++k) together[k] |= column[k];
    }
    for (int dy = b.top; dy <= b.bottom; ++dy)
        for (std::size_t k = 0; k < words; ++k) out[k] |= moved(together.data(), k, words, dy);
}

void marker_column(const column_bits& centres, int x, std::uint64_t* out, const marker_shape& shape) {
    if (shape.thickness == 1) {
        marker_column(centres, x, out);
        return;
    }
    std::fill(out, out + centres.words(), 0);
    add_bar_column(centres, x, shape.across, out);
    add_bar_column(centres, x, shape.upright, out);
}
