// Bit operations on 64-bit words, with the compiler's own instructions for them.
#pragma once

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

// Calls run(first, end) for each run of set bits of `word`, bits first to end - 1, lowest first.
template <class Run>
void each_run_of_bits(std::uint64_t word, Run run) {
    while (word != 0) {
        const int first = lowest_bit(word);
        // The run with every bit below it set: its lowest clear bit ends the run.
        const std::uint64_t filled = word | ((std::uint64_t{1} << first) - 1);
        const int end = ~filled == 0 ? 64 : lowest_bit(~filled);
        run(first, end);
        word = end == 64 ? 0 : word & (~std::uint64_t{0} << end);
    }
}

// How many bits of `word` are set. Without the popcount instruction in the target,
// the compiler's own builtin is a library call; the sum in halves is a dozen
// instructions inline.
inline int set_bits(std::uint64_t word) {
#if defined(__POPCNT__)
    return __builtin_popcountll(word);
#else
    word -= (word >> 1) & 0x5555555555555555ull;
    word = (word & 0x3333333333333333ull) + ((word >> 2) & 0x3333333333333333ull);
    word = (word + (word >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((word * 0x0101010101010101ull) >> 56);
#endif
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
