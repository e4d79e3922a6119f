#include "player.h"

#include "game/game.h"
#include "game/keyboard.h"
#include "placement.h"

namespace shardfall {

namespace {

// The free column is saved for three or four rows at once: a clear of fewer, or a block left
// in it, costs the player even alongside such a clear.
constexpr KeptFreeWeights KEPT_FREE{3000, 6000, false};

}  // namespace

void SoakPlayer::press(Game& game, uint32_t key) {
    onKeyDown(game, key, screen_);
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

Placement SoakPlayer::choosePlan(const Game& game) {
    if (chance(carelessness_)) {
        return Placement{below(4), below(11) - 1};
    }
    return bestPlacement(game, keptFree_, KEPT_FREE);
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
        dropWhenThere_ = !chance(20);
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
    }
    if (framesAtScores_ < enterAfter_) {
        return false;
    }
    press(game, KEY_ENTER);
    release(game, KEY_ENTER);
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
