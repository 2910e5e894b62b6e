#include <gtest/gtest.h>

#include <random>

#include "tests/app/store/store_exercise.h"

namespace {

TEST(store_model, random_sessions_keep_every_invariant) {
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
        std::mt19937 random(seed);
        store_exercise::session session([&random] { return static_cast<std::uint32_t>(random()); });
        EXPECT_EQ(session.run(400), "") << "seed " << seed;
    }
}

} // namespace
