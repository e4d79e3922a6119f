#include "player.h"

#include <cstdlib>
#include <vector>

#include "game/board.h"
#include "game/game.h"
#include "game/keyboard.h"
#include "game/piece.h"

namespace shardfall {

namespace {

// How much the player likes a well once a piece has landed in it. The weights are the usual ones
// for a one-piece greedy player, which then clears rows steadily. A player that keeps one column
// free waits there for a bar: a clear of three or four rows earns more, and a clear of fewer or
// a block left in the column costs it, even alongside such a clear.
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
            heights[x] = well.cellAt(x, y).solid != 0 ? kept : heights[x];
            blocks[x] += well.cellAt(x, y).solid != 0 ? 1 : 0;
        }
    }
    int value = 760 * full;
    for (int x = 0; x < width; ++x) {
        value -= 510 * heights[x] + 357 * (heights[x] - blocks[x]);
        if (x > 0 && x != keptFree && x - 1 != keptFree) {
            value -= 184 * std::abs(heights[x] - heights[x - 1]);
        }
    }
    if (keptFree >= 0 && keptFree < width) {
        value += full >= 3 ? 3000 * full : 0;
        value -= heights[keptFree] > 0 || (full > 0 && full < 3) ? 6000 : 0;
    }
    return value;
}

}  // namespace

void SoakPlayer::press(Game& game, uint32_t key, Deed deed) {
    onKeyDown(game, key, screen_);
    if (deed != DEEDS) {
        tally[deed] += 1;
    }
}

void SoakPlayer::releaseArrows(Game& game) {
    for (const uint32_t key : {KEY_LEFT, KEY_RIGHT, KEY_DOWN}) {
        onKeyUp(game, key);
    }
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
        if (chance(carelessness_)) {
            planTurns_ = below(4);
            planColumn_ = below(11) - 1;
        } else {
            // The greedy search: every turn and column tried, the piece dropped straight down
            // there and the well valued; the first found of equals wins.
            Board well(game.board->width, game.board->height);
            well.cells = game.board->cells;
            game.piece.eraseAt(well, game.pieceColumn, game.pieceRow);
            const std::vector<Cell> start = well.cells;
            int bestValue = -1000000;
            planTurns_ = 0;
            planColumn_ = 5;
            Piece piece = game.piece;
            for (int turns = 0; turns < 4; ++turns, piece.rotateClockwise()) {
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
                        planTurns_ = turns;
                        planColumn_ = column;
                    }
                }
            }
        }
        for (int i = 0; i < planTurns_; ++i) {
            press(game, KEY_UP);
        }
        steering_ = true;
        dropWhenThere_ = !chance(20);
    }
    if (steering_) {
        if (game.pieceColumn > planColumn_ && game.leftHeld == 0) {
            onKeyUp(game, KEY_RIGHT);
            press(game, KEY_LEFT);
        } else if (game.pieceColumn < planColumn_ && game.rightHeld == 0) {
            onKeyUp(game, KEY_LEFT);
            press(game, KEY_RIGHT);
        } else if (game.pieceColumn == planColumn_) {
            onKeyUp(game, KEY_LEFT);
            onKeyUp(game, KEY_RIGHT);
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
        press(game, KEY_A + static_cast<uint32_t>(below(26)), LETTERS);
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
        press(game, KEY_A + static_cast<uint32_t>(below(26)), LETTERS);
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
            press(game, KEY_A + static_cast<uint32_t>(below(26)), LETTERS);
        } else {
            press(game, kind < 15 ? KEY_SPACE : KEY_BACKSPACE, kind < 15 ? SPACES : BACKSPACES);
        }
    }
    if (chance(300)) {
        press(game, KEY_UP);
    }
    if (framesAtScores_ < enterAfter_) {
        return false;
    }
    press(game, KEY_ENTER, ENTERS);
    onKeyUp(game, KEY_ENTER);
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
        press(game, KEY_PAUSE, PAUSES);
        pauseLeft_ = 1 + below(300);
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
    // E scrambles; S's bonus comes with its release; Enter before the scores screen does
    // nothing but lift the debris.
    const struct {
        int oneIn;
        uint32_t key;
        Deed deed;
    } taps[] = {{3000, KEY_E, SCRAMBLES}, {1500, KEY_S, BONUSES}, {20000, KEY_ENTER, DEEDS}};
    for (const auto& t : taps) {
        if ((t.key != KEY_ENTER || !hasFlag(game.state, SHOW_SCORES)) && chance(t.oneIn)) {
            press(game, t.key, t.deed);
            onKeyUp(game, t.key);
        }
    }
    return false;
}

}  // namespace shardfall
