// The C runtime's rand() of the platform the game was designed on, reproduced exactly so that
// every sequence of pieces, debris and default names is the same everywhere: one linear
// congruential generator per thread, state 1 until the thread seeds it.
// Use: the main thread's sequence is the game's: only the model draws from it, in the order the
// game fixes; drawing never draws. The music thread has its own.
#pragma once

#include <cstdint>

namespace shardfall {

constexpr int RANDOM_MAX = 0x7FFF;

// Seeds the calling thread's generator (srand).
void seedRandom(uint32_t seed);

// The next value of the calling thread's generator, 0 to RANDOM_MAX (rand).
int nextRandom();

// The calling thread's generator state, so a recorded game can show it drew the same numbers.
uint32_t randomState();

// rand() % n, as the game draws its random numbers. n must be positive.
inline int randomBelow(int n) {
    return nextRandom() % n;
}

}  // namespace shardfall
