#include "sys/random.h"

namespace shardfall {

namespace {
thread_local uint32_t state = 1;
}

void seedRandom(uint32_t seed) {
    state = seed;
}

uint32_t randomState() {
    return state;
}

int nextRandom() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

}  // namespace shardfall
