// The generator's sequence is in every golden replay; what they cannot show is that each thread
// has a generator of its own, so that the music thread's draws never disturb the game's.
#include "sys/random.h"

#include <gtest/gtest.h>

#include <thread>

namespace shardfall {
namespace {

TEST(Random, ThreadsKeepSeparateGeneratorsAndAFreshOneStartsFromStateOne) {
    seedRandom(1);
    EXPECT_EQ(nextRandom(), 41);
    int fresh = 0;
    int seeded[2] = {};
    std::thread([&] {
        fresh = nextRandom();
        seedRandom(7);
        seeded[0] = nextRandom();
        seeded[1] = nextRandom();
    }).join();
    EXPECT_EQ(fresh, 41);
    EXPECT_EQ(nextRandom(), 18467);
    seedRandom(7);
    EXPECT_EQ(nextRandom(), seeded[0]);
    EXPECT_EQ(nextRandom(), seeded[1]);
    seedRandom(1);
    EXPECT_EQ(randomBelow(6), 41 % 6);
}

}  // namespace
}  // namespace shardfall
