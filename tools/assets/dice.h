// A small seeded random source for the asset generator. The generator must write the same bytes
// on every run, so it never touches the C runtime's rand() or the library's distributions, whose
// results differ between standard libraries.
#pragma once

#include <cstdint>

namespace shardfall {

class Dice {
  public:
    explicit Dice(uint64_t seed) : state_(seed) {}

    // splitmix64: every seed, zero included, gives a well-mixed sequence.
    uint64_t next() {
        state_ += 0x9E3779B97F4A7C15ULL;
        uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Uniform in [low, high).
    double between(double low, double high) { return low + (high - low) * unit(); }

    // Uniform in [0, n); n must be positive.
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

    bool chance(double probability) { return unit() < probability; }

  private:
    uint64_t state_;
};

}  // namespace shardfall
