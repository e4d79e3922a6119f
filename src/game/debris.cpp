// The debris of cleared rows in flight: its motion every frame and Enter's lift.
#include <cmath>

#include "game/game.h"

namespace shardfall {

void Game::updateParticles() {
    particleFrameCounter += 1;
    for (int i = 0; i < liveParticleCount; ++i) {
        Particle& p = particles[i];
        p.step();
        if (particleFrameCounter == 90 && liveParticleCount >= 40) {
            p.ay = -p.ay;
        }
    }
}

void Game::liftParticles() {
    for (int i = 0; i < liveParticleCount; ++i) {
        particles[i].ay = -std::fabs(particles[i].ay);
    }
}

}  // namespace shardfall
