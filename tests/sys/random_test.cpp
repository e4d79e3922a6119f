#include "sys/random.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace shardfall {
namespace {

std::vector<int> firstValues(int count) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(nextRandom());
    }
    return values;
}

TEST(Random, AFreshThreadAndSeedOneStartFromStateOne) {
    const std::vector<int> first{41, 18467, 6334, 26500, 19169};
    std::vector<int> values;
    std::thread([&] { values = firstValues(5); }).join();
    EXPECT_EQ(values, first);
    seedRandom(1);
    EXPECT_EQ(firstValues(5), first);
}

TEST(Random, ThreadsKeepSeparateGenerators) {
    seedRandom(1);
    EXPECT_EQ(nextRandom(), 41);
    std::vector<int> other;
    std::thread([&] {
        seedRandom(7);
        other = firstValues(2);
    }).join();
    // Seeding another thread does not disturb this one.
    EXPECT_EQ(nextRandom(), 18467);
    seedRandom(7);
    EXPECT_EQ(firstValues(2), other);
}

TEST(Random, RandomBelowReducesModuloN) {
    seedRandom(1);
    EXPECT_EQ(randomBelow(6), 41 % 6);
    EXPECT_EQ(randomBelow(7), 18467 % 7);
    EXPECT_EQ(randomBelow(40), 6334 % 40);
}

}  // namespace
}  // namespace shardfall
