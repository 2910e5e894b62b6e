// The index of the lowest set bit of a word, with the compiler's own instruction for it.
#pragma once

#include <cstdint>

#if defined(_MSC_VER)
#include <intrin.h>
#endif

// `word` must not be 0.
inline int lowest_bit(std::uint64_t word) {
#if defined(_MSC_VER)
    unsigned long index = 0;
    _BitScanForward64(&index, word);
    return static_cast<int>(index);
#else
    return __builtin_ctzll(word);
#endif
}
