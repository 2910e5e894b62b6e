// Per-pixel counts of drawn items: changes by pixel, by run of rows and by column.
#include "app/graph/column_counts.h"

#include <algorithm>

#include "app/graph/word_bits.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

// One more (sign 1) or one less (-1) in each of `n` counts, leaving a saturated count and
// (taking away) a zero as they are. Whether one of them was zero (adding) or saturated
// (taking away).
bool step_counts(std::uint16_t* counts, std::size_t n, int sign) {
    const std::uint16_t stuck = sign > 0 ? 0 : column_counts::saturated;
    std::size_t i = 0;
    bool found = false;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i mark = _mm_set1_epi16(static_cast<short>(stuck));
    const __m128i one = _mm_set1_epi16(1);
    __m128i seen = _mm_setzero_si128();
    for (; n - i >= 8; i += 8) {
        __m128i* const at = reinterpret_cast<__m128i*>(counts + i);
        const __m128i count = _mm_loadu_si128(at);
        const __m128i is_stuck = _mm_cmpeq_epi16(count, mark);
        seen = _mm_or_si128(seen, is_stuck);
        // Saturating: the largest count + 1 stays there and 0 - 1 stays 0; nothing is taken from
        // the largest.
        _mm_storeu_si128(at, sign > 0 ? _mm_adds_epu16(count, one)
                                      : _mm_subs_epu16(count, _mm_andnot_si128(is_stuck, one)));
    }
    found = _mm_movemask_epi8(seen) != 0;
#endif
    for (; i < n; ++i) {
        const std::uint16_t count = counts[i];
        found |= count == stuck;
        if (sign > 0)
            counts[i] = static_cast<std::uint16_t>(count + (count != column_counts::saturated));
        else
            counts[i] = static_cast<std::uint16_t>(count - (count != 0 && count != column_counts::saturated));
    }
    return found;
}

// Bits of the `n` counts (at most 64) that are zero, bit i for counts[i]: sixteen at a time where
// the processor allows. Taking a riser's run out clears the pixels whose count it ends.
std::uint64_t zero_counts(const std::uint16_t* counts, std::size_t n) {
    std::uint64_t zeros = 0;
    std::size_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i zero = _mm_setzero_si128();
    for (; n - i >= 16; i += 16) {
        const __m128i low =
            _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(counts + i)), zero);
        const __m128i high =
            _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(counts + i + 8)), zero);
        // Each comparison is 0 or -1 a count, which packs into one byte of the same sign.
        zeros |= static_cast<std::uint64_t>(_mm_movemask_epi8(_mm_packs_epi16(low, high))) << i;
    }
#endif
    for (; i < n; ++i) zeros |= std::uint64_t{counts[i] == 0} << i;
    return zeros;
}

constexpr std::uint64_t all_changed = ~std::uint64_t{0};

} // namespace

void column_counts::reset(int first_column, int columns, int first_row, int rows) {
    if (bits_.first_column() == first_column && bits_.columns() == columns &&
        bits_.first_row() == first_row && bits_.rows() == rows && !counts_.empty()) {
        for (int x = first_column; x < first_column + columns; ++x) clear_column(x);
        return;
    }
    bits_.reset(first_column, columns, first_row, rows);
    tally_.assign(static_cast<std::size_t>(bits_.rows()) + 1, 0);
    counts_.assign(static_cast<std::size_t>(bits_.columns()) * static_cast<std::size_t>(bits_.rows()), 0);
    lost_.assign(static_cast<std::size_t>(bits_.columns()), 0);
    group_ = std::max<std::size_t>(1, (bits_.words() + 63) / 64);
    changed_.assign(static_cast<std::size_t>(bits_.columns()), all_changed);
}

// A run of rows at once, as change_count would make it row by row: the counts in one pass
// without a branch, eight at a time where the processor allows, then the bits a word at a
// time. The risers of a curve run over hundreds of rows, and a live paint moves thousands.
void column_counts::change_rows(int x, std::int64_t from, std::int64_t to, int sign) {
    from = std::max<std::int64_t>(from, bits_.first_row());
    to = std::min<std::int64_t>(to, std::int64_t{bits_.first_row()} + bits_.rows() - 1);
    if (!bits_.has_column(x) || from > to) return;
    const std::size_t first = static_cast<std::size_t>(from - bits_.first_row());
    const std::size_t end = static_cast<std::size_t>(to - bits_.first_row()) + 1;
    std::uint16_t* const counts = &counts_[index(x, bits_.first_row())];
    std::uint64_t* const words = bits_.column(x);
    std::uint64_t& changed = changed_[column_index(x)];
    // Rows whose count was zero (adding) or is saturated (taking away): a count that
    // stays, and a pixel newly set or a column no longer exact.
    const bool stays = step_counts(counts + first, end - first, sign);
    if (sign > 0) {
        if (stays)
            for (std::size_t k = first / 64; k <= (end - 1) / 64; ++k) changed |= group_bit(k);
        bits_.set_rows(x, from, to);
        return;
    }
    if (stays) lost_[column_index(x)] = 1;
    for (std::size_t k = first / 64; k <= (end - 1) / 64; ++k) {
        const std::size_t low = std::max(first, k * 64);
        const std::uint64_t zeros = zero_counts(counts + low, std::min(end, k * 64 + 64) - low) << (low % 64);
        if ((words[k] & zeros) != 0) changed |= group_bit(k);
        words[k] &= ~zeros;
    }
}

// Only the pixels set have a count: the bits tell which to clear.
void column_counts::clear_column(int x) {
    if (!bits_.has_column(x)) return;
    std::uint16_t* const counts = &counts_[index(x, bits_.first_row())];
    std::uint64_t* const words = bits_.column(x);
    for (std::size_t k = 0; k < bits_.words(); ++k) {
        for (std::uint64_t word = words[k]; word != 0; word &= word - 1)
            counts[k * 64 + static_cast<std::size_t>(lowest_bit(word))] = 0;
        words[k] = 0;
    }
    lost_[column_index(x)] = 0;
    changed_[column_index(x)] = all_changed;
}

void column_counts::add_tally(int x, unsigned low, unsigned high) {
    std::uint16_t* const counts = &counts_[index(x, bits_.first_row())];
    std::uint64_t* const words = bits_.column(x);
    for (unsigned row = low; row <= high; ++row) {
        const std::uint32_t more = tally_[row];
        if (more == 0) continue;
        tally_[row] = 0;
        if (counts[row] == 0) words[row / 64] |= std::uint64_t{1} << (row % 64);
        counts[row] = static_cast<std::uint16_t>(std::min<std::uint32_t>(counts[row] + more, saturated));
    }
    tally_[static_cast<std::size_t>(bits_.rows())] = 0;
    changed_[column_index(x)] = all_changed;
}

void column_counts::add_sums(int x, std::vector<std::int32_t>& differences, int from, int to) {
    if (!bits_.has_column(x)) return;
    std::int64_t sum = 0;
    for (int y = from; y <= to; ++y) {
        const std::size_t row = static_cast<std::size_t>(y - bits_.first_row());
        sum += differences[row];
        differences[row] = 0;
        if (sum <= 0) continue;
        std::uint16_t& count = counts_[index(x, y)];
        if (count == 0) bits_.set(x, y);
        count = static_cast<std::uint16_t>(std::min<std::int64_t>(count + sum, saturated));
    }
    changed_[column_index(x)] = all_changed;
    const std::size_t end = static_cast<std::size_t>(to + 1 - bits_.first_row());
    if (end < differences.size()) differences[end] = 0;
}
