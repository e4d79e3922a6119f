// One block of debris from a cleared row: it flies under a constant acceleration, shrinks by a
// fixed amount every pass.
#pragma once

#include <cstdint>

namespace shardfall {

// The Game's fixed debris array; a clear never spawns beyond it.
constexpr int MAX_PARTICLES = 800;

class Particle {
  public:
    // A block of debris bursting from the cell whose top-left corner is at (x, y): it flies
    // up and to a random side at a random speed, falls back and shrinks. Makes three or four
    // random draws, in a fixed order.
    static Particle burst(int x, int y, int cellSize, int32_t tile);

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
