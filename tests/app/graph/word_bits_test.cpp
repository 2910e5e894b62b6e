// The word operations the pictures are drawn with, against a bit at a time.
#include "app/graph/word_bits.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

TEST(word_bits, count_lowest_runs_and_transpose_agree_with_single_bits) {
    std::mt19937_64 random(7);
    std::uint64_t words[64];
    std::uint64_t original[64];
    for (int r = 0; r < 64; ++r) {
        // Sparse, dense and edge words: the count's halves must carry right at both ends.
        const std::uint64_t word = r == 0   ? ~std::uint64_t{0}
                                   : r == 1 ? std::uint64_t{1} << 63
                                            : random() & random();
        words[r] = original[r] = word;
        int count = 0;
        int lowest = -1;
        for (int b = 0; b < 64; ++b) {
            if ((word >> b & 1) == 0) continue;
            ++count;
            if (lowest < 0) lowest = b;
        }
        EXPECT_EQ(set_bits(word), count) << "row " << r;
        std::uint64_t runs = 0; // the runs set again, each apart from the one before
        int last_end = -1;
        each_run_of_bits(word, [&](int first, int end) {
            EXPECT_LT(last_end, first) << "row " << r;
            EXPECT_LT(first, end) << "row " << r;
            for (int b = first; b < end; ++b) runs |= std::uint64_t{1} << b;
            last_end = end;
        });
        EXPECT_EQ(runs, word) << "row " << r;
        if (word != 0) {
            EXPECT_EQ(lowest_bit(word), lowest) << "row " << r;
        }
    }
    EXPECT_EQ(set_bits(0), 0);
    transpose_bits(words);
    for (int r = 0; r < 64; ++r)
        for (int c = 0; c < 64; ++c) ASSERT_EQ(words[c] >> r & 1, original[r] >> c & 1) << r << "," << c;
}
