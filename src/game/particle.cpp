#include "game/particle.h"

#include "sys/random.h"

namespace shardfall {

Particle Particle::burst(int x, int y, int cellSize, int32_t tile) {
    Particle p;
    p.x = static_cast<double>(x);
    p.y = static_cast<double>(y);
    p.initialSize = cellSize;
    p.size = static_cast<double>(cellSize);
    p.tile = tile;
    p.vx = (randomBelow(6) + 1) * 0.8;
    if (randomBelow(2) != 0) {
        p.vx = -p.vx;
    }
    p.vy = -(randomBelow(7) + 1) * 0.8;
    p.ax = 0.0;
    p.ay = 0.08;
    p.shrink = 0.16;
    return p;
}

void Particle::step() {
    x += vx;
    y += vy;
    vx += ax;
    vy += ay;
    size -= shrink;
    if (size <= 0.0) {
        size = 0.0;
    }
}

}  // namespace shardfall
