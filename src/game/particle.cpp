#include "game/particle.h"

namespace shardfall {

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
