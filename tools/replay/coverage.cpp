#include "coverage.h"

#include "game/board.h"
#include "game/game.h"
#include "game/keyboard.h"
#include "game/piece.h"

namespace shardfall {

namespace {

constexpr const char* NAMES[COVERAGE_EVENTS] = {"fast-drop",
                                                "sideways-press",
                                                "sideways-repeat",
                                                "sideways-slip",
                                                "both-arrows",
                                                "turn-in-place",
                                                "turn-kick-left",
                                                "turn-kick-right",
                                                "turn-both-kicks-open",
                                                "turn-blocked",
                                                "clear-1",
                                                "clear-2",
                                                "clear-3",
                                                "clear-4",
                                                "well-hint",
                                                "debris",
                                                "debris-gravity-turn",
                                                "debris-no-turn",
                                                "debris-lift",
                                                "pause-in-play",
                                                "pause-at-banner",
                                                "pause-at-table",
                                                "focus-loss",
                                                "focus-return",
                                                "banner",
                                                "banner-full",
                                                "leaderboard-slide",
                                                "leaderboard-rest",
                                                "name-letter",
                                                "name-space",
                                                "name-backspace",
                                                "name-full",
                                                "bonus-s",
                                                "bonus-s-held",
                                                "scramble-e",
                                                "enter-in-play",
                                                "table-place-1",
                                                "table-tie",
                                                "table-insert",
                                                "table-equals-place-10",
                                                "table-below-place-10",
                                                "restart",
                                                "fps-update"};

uint64_t pieceKey(const Piece& piece) {
    uint64_t h = static_cast<uint64_t>(piece.width) << 8 | static_cast<uint64_t>(piece.height);
    for (int i = 0; i < piece.width * piece.height && i < 16; ++i) {
        h = h * 3 + piece.mask[i];
    }
    return h;
}

bool wellHintShown(const Board& board) {
    for (const Cell& cell : board.cells) {
        if (cell.shrink != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool turnWouldKickEitherWay(const Game& game) {
    if (game.board == nullptr) {
        return false;
    }
    Board well(game.board->width, game.board->height);
    well.cells = game.board->cells;
    game.piece.eraseAt(well, game.pieceColumn, game.pieceRow);
    Piece turned = game.piece;
    turned.rotateClockwise();
    return !turned.fitsAt(well, game.pieceColumn, game.pieceRow) &&
           turned.fitsAt(well, game.pieceColumn - 1, game.pieceRow) &&
           turned.fitsAt(well, game.pieceColumn + 1, game.pieceRow);
}

const char* Coverage::name(int event) {
    return NAMES[event];
}

Coverage::Snapshot Coverage::snapshot(const Game& game) {
    Snapshot s;
    s.state = game.state;
    s.paused = game.paused;
    s.column = game.pieceColumn;
    s.row = game.pieceRow;
    s.piece = pieceKey(game.piece);
    s.lines = game.board ? game.board->lines : 0;
    s.score = game.board ? game.board->score : 0;
    s.sidewaysRepeat = game.sidewaysRepeat;
    s.bothArrows = game.leftHeld != 0 && game.rightHeld != 0;
    s.fastDrop = game.fastDrop;
    s.stateDelay = game.stateDelay;
    s.liveParticles = game.liveParticleCount;
    s.nameLength = game.playerName.size();
    s.tableY = game.leaderboardY;
    return s;
}

void Coverage::add(int event, uint64_t frame) {
    if (counts_[event]++ == 0) {
        first_[event] = frame;
    }
}

void Coverage::beforeKey(const Game& game, bool down, uint32_t key) {
    before_ = snapshot(game);
    down_ = down;
    key_ = key;
    bothKicksOpen_ = down && key == KEY_UP && turnWouldKickEitherWay(game);
    if (down && key == KEY_ENTER && hasFlag(game.state, SHOW_SCORES) && game.board) {
        const auto& records = game.highScores.records;
        const uint32_t score = static_cast<uint32_t>(game.board->score);
        const uint32_t tenth = static_cast<uint32_t>(records[TABLE_PLACES - 1].score);
        ties_ = false;
        enteringPlace_ = score > tenth ? 1 : score == tenth ? -1 : 0;
        for (int i = 0; i < TABLE_PLACES; ++i) {
            const uint32_t other = static_cast<uint32_t>(records[i].score);
            ties_ = ties_ || other == score;
            if (enteringPlace_ > 0 && other >= score) {
                enteringPlace_ += 1;
            }
        }
    }
}

// Up in play: which way the turn went, judged by where the piece stands now.
void Coverage::afterTurn(const Game& game, uint64_t frame) {
    if (bothKicksOpen_) {
        add(TURN_BOTH_KICKS_OPEN, frame);
    }
    if (game.pieceColumn == before_.column - 1) {
        add(TURN_KICK_LEFT, frame);
    } else if (game.pieceColumn == before_.column + 1) {
        add(TURN_KICK_RIGHT, frame);
    } else if (pieceKey(game.piece) != before_.piece) {
        add(TURN_IN_PLACE, frame);
    } else {
        add(TURN_BLOCKED, frame);
    }
}

// Enter on the scores screen: a new game, and where the finished one went in the table.
void Coverage::afterRestart(uint64_t frame) {
    add(RESTART, frame);
    if (enteringPlace_ == -1) {
        add(TABLE_EQUALS_PLACE_10, frame);
    } else if (enteringPlace_ == 0) {
        add(TABLE_BELOW_PLACE_10, frame);
    } else {
        add(TABLE_INSERT, frame);
        if (enteringPlace_ == 1) {
            add(TABLE_PLACE_1, frame);
        }
        if (ties_) {
            add(TABLE_TIE, frame);
        }
    }
}

void Coverage::afterKey(const Game& game, uint64_t frame) {
    const bool inPlay = hasFlag(static_cast<StateFlags>(before_.state), PLAYING) &&
                        !hasFlag(static_cast<StateFlags>(before_.state), GAME_OVER);
    const bool atTable = hasFlag(static_cast<StateFlags>(before_.state), SHOW_SCORES);
    if (key_ == KEY_S && down_ && sPressedBefore_ == 0) {
        sPressedBefore_ = frame;
    }
    if (!down_) {
        if (key_ == KEY_S) {
            add(sPressedBefore_ != 0 && sPressedBefore_ < frame ? BONUS_S_HELD : BONUS_S, frame);
            sPressedBefore_ = 0;
        }
        return;
    }
    switch (key_) {
        case KEY_UP:
            if (inPlay) {
                afterTurn(game, frame);
            }
            break;
        case KEY_PAUSE:
            add(atTable                                                      ? PAUSE_AT_TABLE
                : hasFlag(static_cast<StateFlags>(before_.state), GAME_OVER) ? PAUSE_AT_BANNER
                                                                             : PAUSE_IN_PLAY,
                frame);
            break;
        case KEY_ENTER:
            if (before_.liveParticles > 0 && inPlay) {
                add(DEBRIS_LIFT, frame);
            }
            if (atTable) {
                afterRestart(frame);
            } else {
                add(ENTER_IN_PLAY, frame);
            }
            break;
        case KEY_BACKSPACE:
            if (before_.nameLength > 0) {
                add(NAME_BACKSPACE, frame);
            }
            break;
        case KEY_SPACE:
            add(NAME_SPACE, frame);
            break;
        case KEY_E:
            add(SCRAMBLE_E, frame);
            break;
        default:
            if (key_ >= KEY_A && key_ <= KEY_Z && game.playerName.size() > before_.nameLength) {
                add(NAME_LETTER, frame);
            } else if (key_ >= KEY_A && key_ <= KEY_Z && before_.nameLength == MAX_PLAYER_NAME) {
                add(NAME_FULL, frame);
            }
            break;
    }
}

void Coverage::focus(bool active, uint64_t frame) {
    add(active ? FOCUS_RETURN : FOCUS_LOSS, frame);
}

void Coverage::beforeFrame(const Game& game) {
    before_ = snapshot(game);
}

void Coverage::afterFrame(const Game& game, uint64_t frame) {
    const StateFlags state = game.state;
    const bool stepped = hasFlag(static_cast<StateFlags>(before_.state), PLAYING) &&
                         !before_.paused && before_.stateDelay == 0;
    if (stepped && before_.fastDrop != 0) {
        add(FAST_DROP, frame);
    }
    if (stepped && game.pieceColumn != before_.column && before_.row == game.pieceRow) {
        add(before_.sidewaysRepeat == 255 ? SIDEWAYS_PRESS : SIDEWAYS_REPEAT, frame);
    }
    // One step, sideways and a row down: the piece slipped under a block beside it.
    if (stepped && before_.fastDrop == 0 && game.pieceColumn != before_.column &&
        game.pieceRow == before_.row + 1 && pieceKey(game.piece) == before_.piece) {
        add(SIDEWAYS_SLIP, frame);
    }
    if (stepped && before_.bothArrows) {
        add(BOTH_ARROWS, frame);
    }
    if (game.board != nullptr) {
        const int rows = game.board->lines - before_.lines;
        if (rows >= 1 && rows <= 4) {
            add(CLEAR_1 + rows - 1, frame);
        }
        if (hasFlag(state, PLAYING) && wellHintShown(*game.board)) {
            add(WELL_HINT, frame);
        }
    }
    if (hasFlag(state, PLAYING) && game.liveParticleCount > 0) {
        add(DEBRIS, frame);
        if (game.particleFrameCounter == 90) {
            add(game.liveParticleCount >= 40 ? DEBRIS_GRAVITY_TURN : DEBRIS_NO_TURN, frame);
        }
    }
    if (hasFlag(state, GAME_OVER)) {
        add(BANNER, frame);
        if (game.bannerZoom == 20) {
            add(BANNER_FULL, frame);
        }
    }
    if (hasFlag(state, SHOW_SCORES) && game.board != nullptr) {
        const int target = (game.screen.height - 10 * game.board->cellSize) / 2;
        if (game.leaderboardY > target) {
            add(LEADERBOARD_SLIDE, frame);
        } else if (before_.tableY != game.leaderboardY) {
            add(LEADERBOARD_REST, frame);
        }
    }
    if (frame % 20 == 0) {
        add(FPS_UPDATE, frame);
    }
}

std::string Coverage::reached() const {
    std::string out;
    for (int i = 0; i < COVERAGE_EVENTS; ++i) {
        if (counts_[i] > 0) {
            out += out.empty() ? "" : " ";
            out += NAMES[i];
        }
    }
    return out;
}

}  // namespace shardfall
