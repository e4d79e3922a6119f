#include "player.h"

#include <cstdlib>
#include <vector>

#include "game/board.h"
#include "game/game.h"
#include "game/keyboard.h"
#include "game/piece.h"

namespace shardfall {

namespace {

// How much the player likes a well once a piece has landed in it: rows cleared are good; the
// stack's total height, covered holes and a ragged surface are bad. The weights are the usual
// ones for a one-piece greedy player, which then clears rows steadily. A player that keeps one
// column free waits there for a bar and clears three or four rows at once.
int wellValue(const Board& well, int keptFree) {
    constexpr int MAX_WIDTH = 32;
    const int width = well.width < MAX_WIDTH ? well.width : MAX_WIDTH;
    int full = 0;
    int heights[MAX_WIDTH] = {};
    int blocks[MAX_WIDTH] = {};
    // From the floor up, leaving out the full rows, which are about to be cleared.
    for (int y = well.height - 1, kept = 0; y >= 0; --y) {
        int occupied = 0;
        for (int x = 0; x < width; ++x) {
            occupied += well.cellAt(x, y).solid != 0 ? 1 : 0;
        }
        if (occupied == width) {
            ++full;
            continue;
        }
        ++kept;
        for (int x = 0; x < width; ++x) {
            if (well.cellAt(x, y).solid != 0) {
                heights[x] = kept;
                ++blocks[x];
            }
        }
    }
    int aggregate = 0;
    int holes = 0;
    int bumpiness = 0;
    for (int x = 0; x < width; ++x) {
        aggregate += heights[x];
        holes += heights[x] - blocks[x];
        if (x > 0 && x != keptFree && x - 1 != keptFree) {
            bumpiness += std::abs(heights[x] - heights[x - 1]);
        }
    }
    int value = 760 * full - 510 * aggregate - 357 * holes - 184 * bumpiness;
    if (keptFree >= 0 && keptFree < width) {
        // Every row it clears goes through the free column, which is saved for three or four.
        value += full >= 3 ? 3000 * full : 0;
        value -= heights[keptFree] > 0 || full == 1 || full == 2 ? 6000 : 0;
    }
    return value;
}

}  // namespace

void SoakPlayer::press(Game& game, uint32_t key) {
    onKeyDown(game, key);
}

void SoakPlayer::release(Game& game, uint32_t key) {
    onKeyUp(game, key);
}

void SoakPlayer::releaseArrows(Game& game) {
    release(game, KEY_LEFT);
    release(game, KEY_RIGHT);
    release(game, KEY_DOWN);
}

void SoakPlayer::startGame() {
    // Careless players end games quickly; a careful one keeps a column free for the bar and
    // now and then clears four rows at once, until a misplaced piece covers its column.
    static constexpr int CARELESSNESS[] = {8, 16, 32, 64};
    if (chance(2)) {
        carelessness_ = 150;
        keptFree_ = 9;
    } else {
        carelessness_ = CARELESSNESS[below(4)];
        keptFree_ = -1;
    }
    needPlan_ = true;
    steering_ = false;
    sawBanner_ = false;
    framesAtScores_ = -1;
}

SoakPlayer::Plan SoakPlayer::choosePlan(const Game& game) {
    if (chance(carelessness_)) {
        return Plan{below(4), below(11) - 1};
    }
    Board well(game.board->width, game.board->height, nullptr);
    well.cells = game.board->cells;
    game.piece.eraseAt(well, game.pieceColumn, game.pieceRow);
    const std::vector<Cell> start = well.cells;

    Plan best;
    int bestValue = -1000000;
    Piece piece = game.piece;
    for (int turns = 0; turns < 4; ++turns) {
        for (int column = -3; column < well.width; ++column) {
            well.cells = start;
            if (!piece.fitsAt(well, column, game.pieceRow)) {
                continue;
            }
            // Bounded, as a piece without blocks (the game's very first) fits everywhere.
            int row = game.pieceRow;
            while (row < well.height && piece.fitsAt(well, column, row + 1)) {
                ++row;
            }
            piece.stampAt(well, column, row);
            const int value = wellValue(well, keptFree_);
            if (value > bestValue) {
                bestValue = value;
                best = Plan{turns, column};
            }
        }
        piece.rotateClockwise();
    }
    return best;
}

void SoakPlayer::play(Game& game) {
    framesAtScores_ = -1;
    sawBanner_ = false;
    if (game.paused) {
        return;
    }
    // A new piece rests ten frames after it enters; after Enter the old one falls at once.
    if (needPlan_ || game.stateDelay == 10) {
        needPlan_ = false;
        releaseArrows(game);
        plan_ = choosePlan(game);
        for (int i = 0; i < plan_.turns; ++i) {
            press(game, KEY_UP);
        }
        steering_ = true;
        // The debris of two rows or more turns back on its 90th pass unless a landing sweeps it
        // away first: after such a clear the piece falls on its own, slowly enough to see it.
        dropWhenThere_ = !chance(20) && game.liveParticleCount < 40;
    }
    if (steering_) {
        if (game.pieceColumn > plan_.column && game.leftHeld == 0) {
            release(game, KEY_RIGHT);
            press(game, KEY_LEFT);
        } else if (game.pieceColumn < plan_.column && game.rightHeld == 0) {
            release(game, KEY_LEFT);
            press(game, KEY_RIGHT);
        } else if (game.pieceColumn == plan_.column) {
            release(game, KEY_LEFT);
            release(game, KEY_RIGHT);
            if (dropWhenThere_) {
                press(game, KEY_DOWN);
            }
            steering_ = false;
        }
    }
    if (chance(keptFree_ >= 0 ? 4000 : 400)) {
        press(game, KEY_UP);
        tally_.extraTurns += 1;
    }
    if (chance(5000)) {
        press(game, KEY_A + static_cast<uint32_t>(below(26)));
        tally_.letters += 1;
    }
}

void SoakPlayer::watchBanner(Game& game) {
    if (!sawBanner_) {
        sawBanner_ = true;
        steering_ = false;
        needPlan_ = true;
        // Usually hands off; sometimes a key stays down into the next game, as it may.
        if (!chance(5)) {
            releaseArrows(game);
        }
    }
    if (chance(100)) {
        press(game, KEY_UP);
        tally_.extraTurns += 1;
    }
    if (chance(200)) {
        press(game, KEY_A + static_cast<uint32_t>(below(26)));
        tally_.letters += 1;
    }
}

bool SoakPlayer::enterName(Game& game) {
    if (framesAtScores_ < 0) {
        framesAtScores_ = 0;
        enterAfter_ = 30 + below(900);
    }
    framesAtScores_ += 1;
    if (chance(6)) {
        const int kind = below(20);
        if (kind < 13) {
            press(game, KEY_A + static_cast<uint32_t>(below(26)));
            tally_.letters += 1;
        } else if (kind < 15) {
            press(game, KEY_SPACE);
            tally_.spaces += 1;
        } else {
            press(game, KEY_BACKSPACE);
            tally_.backspaces += 1;
        }
    }
    if (chance(300)) {
        press(game, KEY_UP);
        tally_.extraTurns += 1;
    }
    if (framesAtScores_ < enterAfter_) {
        return false;
    }
    press(game, KEY_ENTER);
    release(game, KEY_ENTER);
    tally_.enters += 1;
    tally_.enterAtScores += 1;
    startGame();
    return true;
}

bool SoakPlayer::act(Game& game) {
    // The player's own pause, in any state: the banner and the scores screen count on under it.
    if (pauseLeft_ > 0) {
        pauseLeft_ -= 1;
    }
    if (game.paused && pauseLeft_ == 0) {
        press(game, KEY_PAUSE);
    } else if (!game.paused && chance(2500)) {
        press(game, KEY_PAUSE);
        pauseLeft_ = 1 + below(300);
        tally_.pauses += 1;
    }

    if (hasFlag(game.state, SHOW_SCORES)) {
        if (enterName(game)) {
            return true;
        }
    } else if (hasFlag(game.state, GAME_OVER)) {
        watchBanner(game);
    } else {
        play(game);
    }

    if (chance(3000)) {
        press(game, KEY_E);
        release(game, KEY_E);
        tally_.scrambles += 1;
    }
    if (chance(1500)) {
        // The bonus comes with the key's release.
        press(game, KEY_S);
        release(game, KEY_S);
        tally_.bonuses += 1;
    }
    if (!hasFlag(game.state, SHOW_SCORES) && chance(20000)) {
        // Enter before the scores screen does nothing but lift the debris.
        press(game, KEY_ENTER);
        release(game, KEY_ENTER);
        tally_.enters += 1;
    }
    return false;
}

bool SoakPlayer::switchesAway() {
    if (!chance(2000)) {
        return false;
    }
    tally_.surfaceLosses += 1;
    return true;
}

}  // namespace shardfall
