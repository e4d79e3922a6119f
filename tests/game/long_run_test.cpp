// Thousands of frames of scripted play on a full software screen, checking after every frame
// what must always hold, whatever the player does.
#include <gtest/gtest.h>

#include <random>

#include "game/game.h"
#include "game/keyboard.h"
#include "platform/random.h"
#include "support/game_harness.h"

namespace shardfall {
namespace {

using testing::GameHarness;

// A simple player: for each new piece it tries every turn and column, drops the piece straight
// down on a copy of the well and keeps the place that clears most rows and leaves the fewest
// holes and the lowest stack. Now and then it plays a random place instead, so games end.
struct Plan {
    int turns = 0;
    int column = 5;
};

int holesAndHeight(const Board& well) {
    int penalty = 0;
    for (int x = 0; x < well.width; ++x) {
        bool covered = false;
        for (int y = 0; y < well.height; ++y) {
            if (well.cellAt(x, y).solid != 0) {
                if (!covered) {
                    penalty += well.height - y;  // column height
                }
                covered = true;
            } else if (covered) {
                penalty += 8;  // a hole
            }
        }
    }
    return penalty;
}

Plan choosePlan(const Game& game, std::mt19937& random) {
    Board well(10, 20, nullptr);
    well.cells = game.board->cells;
    game.piece.eraseAt(well, game.pieceColumn, game.pieceRow);
    const std::vector<Cell> start = well.cells;

    if (random() % 10 < 1) {
        return Plan{static_cast<int>(random() % 4), static_cast<int>(random() % 10) - 1};
    }
    Plan best;
    int bestScore = -1000000;
    Piece piece = game.piece;
    for (int turns = 0; turns < 4; ++turns) {
        for (int column = -3; column < 10; ++column) {
            well.cells = start;
            if (!piece.fitsAt(well, column, -2)) {
                continue;
            }
            int row = -2;
            while (piece.fitsAt(well, column, row + 1)) {
                ++row;
            }
            piece.stampAt(well, column, row);
            int full = 0;
            for (int y = 0; y < 20; ++y) {
                int occupied = 0;
                for (int x = 0; x < 10; ++x) {
                    occupied += well.cellAt(x, y).solid != 0 ? 1 : 0;
                }
                full += occupied == 10 ? 1 : 0;
            }
            const int score = 100 * full - holesAndHeight(well);
            if (score > bestScore) {
                bestScore = score;
                best = Plan{turns, column};
            }
        }
        piece.rotateClockwise();
    }
    return best;
}

struct Tally {
    int gamesEnded = 0;
    int restarts = 0;
    int linesCleared = 0;
    int maxRows = 0;
};

// Checks the board and the falling piece; returns false at the first broken rule.
void checkInvariants(const Game& game, const Board& board) {
    ASSERT_GE(board.pendingScore, 0);
    ASSERT_EQ((board.score + board.pendingScore) % 100, 0);
    ASSERT_GE(game.liveParticleCount, 0);
    ASSERT_LE(game.liveParticleCount, 80);
    ASSERT_EQ(game.liveParticleCount % 20, 0);

    const Piece& piece = game.piece;
    auto inPiece = [&](int x, int y) {
        const int px = x - game.pieceColumn;
        const int py = y - game.pieceRow;
        return px >= 0 && py >= 0 && px < piece.width && py < piece.height && piece.blockAt(px, py);
    };
    for (int y = 0; y < piece.height; ++y) {
        for (int x = 0; x < piece.width; ++x) {
            if (piece.blockAt(x, y)) {
                // The piece never leaves the well sideways or through the floor.
                ASSERT_GE(game.pieceColumn + x, 0);
                ASSERT_LT(game.pieceColumn + x, 10);
                ASSERT_LT(game.pieceRow + y, 20);
            }
        }
    }
    for (int y = 0; y < board.height; ++y) {
        for (int x = 0; x < board.width; ++x) {
            const Cell cell = board.cellAt(x, y);
            if (cell.solid == 0) {
                ASSERT_EQ(cell.tile, 1) << x << "," << y;
                ASSERT_EQ(cell.yOffset, 0) << x << "," << y;
                continue;
            }
            ASSERT_GE(cell.tile, 0);
            ASSERT_LE(cell.tile, 6);
            // Only the falling piece is drawn between rows; everything landed sits in its row.
            if (!inPiece(x, y)) {
                ASSERT_EQ(cell.yOffset, 0) << x << "," << y;
            }
        }
    }
}

TEST(LongRun, ScriptedPlayOverSeveralGamesKeepsTheGameSound) {
    GameHarness h;
    Game& game = h.game;
    Board& board = h.board;
    const bool savedFirstFrame = firstFrameDone;
    firstFrameDone = false;
    seedRandom(20240501);
    std::mt19937 script(7);

    Tally tally;
    Plan plan;
    bool steering = false;
    int framesAtScores = 0;
    int previousScore = 0;
    int previousLines = 0;
    for (int frame = 0; frame < 12000; ++frame) {
        bool restarted = false;
        if (hasFlag(game.state, SHOW_SCORES)) {
            ++framesAtScores;
            if (framesAtScores == 20) {
                onKeyDown(game, KEY_A);
                onKeyDown(game, KEY_SPACE);
            }
            if (framesAtScores == 40) {
                onKeyDown(game, KEY_ENTER);
                ASSERT_EQ(game.state, PLAYING);
                for (const Cell& cell : board.cells) {
                    ASSERT_EQ(cell, EMPTY_CELL);
                }
                ASSERT_EQ(board.score, 0);
                ASSERT_EQ(board.lines, 0);
                restarted = true;
                ++tally.restarts;
                framesAtScores = 0;
            }
        } else if (!hasFlag(game.state, GAME_OVER)) {
            if (game.stateDelay == 10 || frame == 2) {
                // A new piece has just entered: turn it now, steer it while it falls.
                onKeyUp(game, KEY_DOWN);
                onKeyUp(game, KEY_LEFT);
                onKeyUp(game, KEY_RIGHT);
                plan = choosePlan(game, script);
                for (int i = 0; i < plan.turns; ++i) {
                    onKeyDown(game, KEY_UP);
                }
                steering = true;
            }
            if (steering) {
                if (game.pieceColumn > plan.column && game.leftHeld == 0) {
                    onKeyUp(game, KEY_RIGHT);
                    onKeyDown(game, KEY_LEFT);
                } else if (game.pieceColumn < plan.column && game.rightHeld == 0) {
                    onKeyUp(game, KEY_LEFT);
                    onKeyDown(game, KEY_RIGHT);
                } else if (game.pieceColumn == plan.column) {
                    onKeyUp(game, KEY_LEFT);
                    onKeyUp(game, KEY_RIGHT);
                    onKeyDown(game, KEY_DOWN);
                    steering = false;
                }
            }
        }

        const bool wasOver = hasFlag(game.state, GAME_OVER);
        h.frames(1);
        applyFirstFrameOverride(game);
        if (!wasOver && hasFlag(game.state, GAME_OVER)) {
            ++tally.gamesEnded;
            EXPECT_TRUE(game.playerName.empty());
            EXPECT_EQ(game.highScores.y, 768);
        }

        ASSERT_NO_FATAL_FAILURE(checkInvariants(game, board)) << "frame " << frame;
        if (!restarted) {
            ASSERT_GE(board.score, previousScore) << "frame " << frame;
            ASSERT_GE(board.lines, previousLines) << "frame " << frame;
        }
        tally.linesCleared += board.lines - (restarted ? 0 : previousLines);
        previousScore = board.score;
        previousLines = board.lines;
    }

    RecordProperty("games", tally.gamesEnded);
    RecordProperty("lines", tally.linesCleared);
    EXPECT_GE(tally.gamesEnded, 2);
    EXPECT_GE(tally.restarts, 2);
    EXPECT_GT(tally.linesCleared, 0);
    firstFrameDone = savedFirstFrame;
}

}  // namespace
}  // namespace shardfall
