// Bit operations on 64-bit words, with the compiler's own instructions for them.
#pragma once

#include <bitset>
#include <cstdint>

#if defined(_MSC_VER)
#include <intrin.h>
#endif

// The index of the lowest set bit of `word`, which must not be 0.
inline int lowest_bit(std::uint64_t word) {
#if defined(_MSC_VER)
    unsigned long index = 0;
    _BitScanForward64(&index, word);
    return static_cast<int>(index);
#else
    return __builtin_ctzll(word);
#endif
}

// How many bits of `word` are set.
inline int set_bits(std::uint64_t word) {
    return static_cast<int>(std::bitset<64>(word).count());
}

// Transposes a 64 x 64 matrix of bits in place: bit c of word r becomes bit r of
// word c. Rows of bits of 64 columns turn into columns of bits of 64 rows.
inline void transpose_bits(std::uint64_t (&words)[64]) {
    std::uint64_t mask = 0x00000000FFFFFFFFull;
    for (int j = 32; j != 0; j >>= 1, mask ^= mask << j) {
        for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
            const std::uint64_t t = ((words[k] >> j) ^ words[k | j]) & mask;
            words[k] ^= t << j;
            words[k | j] ^= t;
        }
    }
}
