// One block of debris from a cleared row: it flies under a constant acceleration, shrinks by a
// fixed amount every pass.
#pragma once

#include <cstdint>

namespace shardfall {

// The Game's fixed debris array; a clear never spawns beyond it.
constexpr int MAX_PARTICLES = 800;

class Particle {
  public:
    // One pass of motion: move by the old velocity, then accelerate, then shrink (never
    // below 0).
    void step();
    int32_t tile = 0;
    double x = 0.0;
    double y = 0.0;
    double vx = 0.0;
    double vy = 0.0;
    double ax = 0.0;
    double ay = 0.0;
    double size = 0.0;
    double shrink = 0.0;
    int32_t initialSize = 0;
};

}  // namespace shardfall
