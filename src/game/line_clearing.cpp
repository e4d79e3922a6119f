#include "audio/sound.h"
#include "game/game.h"

namespace shardfall {

namespace {

// Points per column of the well for n rows cleared at once.
int pointsPerColumn(int rows) {
    switch (rows) {
        case 1:
            return 10;
        case 2:
            return 30;
        case 3:
            return 70;
        default:
            return 45 * rows - 30;
    }
}

}  // namespace

void Game::clearFullRows() {
    // Every landing sweeps away the debris of the last one, cleared rows or not.
    liveParticleCount = 0;
    int rows = 0;
    if (board->height < 1) {
        playSound(LANDING_SOUND);
        return;
    }

    const int cellSize = board->cellSize;
    bool arrayFull = false;
    for (int r = 0; r < board->height && !arrayFull; ++r) {
        int occupied = 0;
        for (int c = 0; c < board->width; ++c) {
            if (board->cellAt(c, r).solid != 0) {
                ++occupied;
            }
        }
        if (occupied < board->width) {
            continue;
        }
        particleFrameCounter = 0;
        rows += 1;

        for (int c = 0; c < board->width && !arrayFull; ++c) {
            const Cell burst = board->cellAt(c, r);
            if (burst.solid == 0) {
                continue;
            }
            for (int k = 0; k < 2; ++k) {
                particles[liveParticleCount] =
                    Particle::burst(cellSize * c + board->originX, cellSize * r + board->originY,
                                    cellSize, burst.tile);
                board->setCell(c, r, EMPTY_CELL);
                liveParticleCount += 1;
                if (liveParticleCount >= MAX_PARTICLES) {
                    // The rest of this row keeps its blocks and lower rows are not looked at.
                    arrayFull = true;
                    break;
                }
            }
        }
    }

    if (rows == 0) {
        playSound(LANDING_SOUND);
        return;
    }
    playSound(rows >= 4 ? BIG_CLEAR_SOUND : CLEAR_SOUND);

    if (rows >= 4) {
        shakeCounter = 50;
        state |= SHAKE;
    }
    board->pendingScore += pointsPerColumn(rows) * board->width;
    board->lines += rows;
}

}  // namespace shardfall
