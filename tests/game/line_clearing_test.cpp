#include <gtest/gtest.h>

#include "game/game.h"
#include "platform/random.h"
#include "support/game_harness.h"

namespace shardfall {
namespace {

using testing::fillRow;
using testing::GameHarness;

class LineClearing : public ::testing::Test {
  protected:
    void SetUp() override {
        seedRandom(11);
        board.setCellSize(36);
        board.originX = 332;
        board.originY = 30;
    }
    void passes(int count) {
        for (int i = 0; i < count; ++i) {
            game.updateParticles();
        }
    }
    std::vector<std::string> sounds() const { return h.audio.calls(); }

    GameHarness h;
    Game& game = h.game;
    Board& board = h.board;
};

TEST_F(LineClearing, ALandingWithoutFullRowsPopsAndSweepsTheDebrisAway) {
    game.liveParticleCount = 37;
    fillRow(board, 19, 4);
    board.setCell(4, 18, Cell{0, 255, 3, 0});
    game.clearFullRows();
    EXPECT_EQ(game.liveParticleCount, 0);
    EXPECT_EQ(sounds(), (std::vector<std::string>{"effect Sounds/pop.wav"}));
    EXPECT_EQ(board.pendingScore, 0);
    EXPECT_EQ(board.lines, 0);
    EXPECT_EQ(board.cellAt(0, 19).solid, 255u);
}

TEST_F(LineClearing, OneRowBurstsIntoTwentyParticlesFromItsCells) {
    fillRow(board, 18, 2);      // not full: stays
    fillRow(board, 19, -1, 4);  // full
    board.setCell(3, 19, Cell{6, 99, 5, 11});
    game.particleFrameCounter = 77;
    game.clearFullRows();

    EXPECT_EQ(game.liveParticleCount, 20);
    EXPECT_EQ(game.particleFrameCounter, 0);
    EXPECT_EQ(sounds(), (std::vector<std::string>{"effect Sounds/xplode2.wav"}));
    EXPECT_EQ(board.pendingScore, 100);
    EXPECT_EQ(board.score, 0);
    EXPECT_EQ(board.lines, 1);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(board.cellAt(x, 19), EMPTY_CELL);  // emptied, not yet closed up
        EXPECT_EQ(board.cellAt(x, 18).solid, x == 2 ? 0u : 255u);
    }
    for (int i = 0; i < 20; ++i) {
        const Particle& p = game.particles[i];
        const int column = i / 2;
        EXPECT_EQ(p.x, 332.0 + 36 * column) << i;
        EXPECT_EQ(p.y, 30.0 + 36 * 19) << i;  // the cell's yOffset plays no part
        EXPECT_EQ(p.tile, column == 3 ? 5 : 4);
        EXPECT_EQ(p.initialSize, 36);
        EXPECT_EQ(p.size, 36.0);
        EXPECT_EQ(p.ax, 0.0);
        EXPECT_EQ(p.ay, 0.08);
        EXPECT_EQ(p.shrink, 0.16);
    }

    // Fewer than 40 particles: the 90th pass changes nothing.
    passes(90);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(game.particles[i].ay, 0.08);
    }
}

TEST_F(LineClearing, TheParticleDrawsFollowTheDesignedOrder) {
    fillRow(board, 19);
    seedRandom(5);
    game.clearFullRows();
    seedRandom(5);
    for (int i = 0; i < 20; ++i) {
        // Per particle: speed below 6, direction below 2, rise below 7.
        const int speed = randomBelow(6) + 1;
        const bool left = randomBelow(2) != 0;
        const int rise = randomBelow(7) + 1;
        EXPECT_DOUBLE_EQ(game.particles[i].vx, (left ? -speed : speed) * 0.8) << i;
        EXPECT_DOUBLE_EQ(game.particles[i].vy, -rise * 0.8) << i;
    }
}

TEST_F(LineClearing, RowsNeedNotBeAdjacentAndTwoRowsTurnTheDebrisOnThe90thPass) {
    fillRow(board, 17);
    fillRow(board, 18, 5);
    fillRow(board, 19);
    game.clearFullRows();
    EXPECT_EQ(game.liveParticleCount, 40);
    EXPECT_EQ(board.pendingScore, 300);
    EXPECT_EQ(board.lines, 2);
    EXPECT_EQ(board.cellAt(0, 18).solid, 255u);
    EXPECT_EQ(board.cellAt(0, 17), EMPTY_CELL);

    passes(89);
    EXPECT_EQ(game.particles[0].ay, 0.08);
    EXPECT_EQ(game.particles[39].ay, 0.08);
    passes(1);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(game.particles[i].ay, -0.08) << i;
    }
    passes(200);
    EXPECT_EQ(game.particles[0].ay, -0.08);  // once per clear
}

TEST_F(LineClearing, ThreeRowsScore700AndFourOrMoreShakeTheWell) {
    for (int y = 17; y < 20; ++y) {
        fillRow(board, y);
    }
    game.clearFullRows();
    EXPECT_EQ(board.pendingScore, 700);
    EXPECT_EQ(game.shakeCounter, 0);
    EXPECT_FALSE(hasFlag(game.state, SHAKE));

    board.pendingScore = 0;
    for (int y = 16; y < 20; ++y) {
        fillRow(board, y);
    }
    h.audio.clear();
    game.clearFullRows();
    EXPECT_EQ(game.liveParticleCount, 80);
    EXPECT_EQ(sounds(), (std::vector<std::string>{"effect Sounds/explode.wav"}));
    EXPECT_EQ(board.pendingScore, 1500);
    EXPECT_EQ(board.lines, 7);
    EXPECT_EQ(game.shakeCounter, 50);
    EXPECT_EQ(game.state, PLAYING | SHAKE);

    // Five rows, impossible in play, follow the same rule: (45 × 5 − 30) × 10.
    board.pendingScore = 0;
    for (int y = 15; y < 20; ++y) {
        fillRow(board, y);
    }
    game.clearFullRows();
    EXPECT_EQ(board.pendingScore, 1950);
}

TEST_F(LineClearing, AParticleMovesWithItsOldVelocityAndShrinksToZero) {
    Particle p;
    p.vx = 1.0;
    p.vy = -2.0;
    p.ax = 0.5;
    p.ay = 0.25;
    p.size = 36.0;
    p.shrink = 0.16;
    p.step();
    EXPECT_EQ(p.x, 1.0);
    EXPECT_EQ(p.y, -2.0);
    EXPECT_EQ(p.vx, 1.5);
    EXPECT_EQ(p.vy, -1.75);
    p.step();
    EXPECT_EQ(p.x, 2.5);
    EXPECT_EQ(p.y, -3.75);

    for (int i = 2; i < 224; ++i) {
        p.step();
    }
    EXPECT_GT(p.size, 0.0);
    for (int i = 0; i < 3; ++i) {
        p.step();
        EXPECT_GE(p.size, 0.0);
    }
    EXPECT_EQ(p.size, 0.0);
}

TEST_F(LineClearing, LiftingMakesDebrisRiseUntilThe90thPassTurnsItBack) {
    fillRow(board, 18);
    fillRow(board, 19);
    game.clearFullRows();
    passes(30);
    game.particles[3].ay = -0.08;  // already rising: stays rising
    const double vx = game.particles[0].vx;
    const double vy = game.particles[0].vy;
    game.liftParticles();
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(game.particles[i].ay, -0.08) << i;
    }
    EXPECT_EQ(game.particles[0].vx, vx);
    EXPECT_EQ(game.particles[0].vy, vy);
    EXPECT_EQ(game.particleFrameCounter, 30);
    EXPECT_EQ(game.liveParticleCount, 40);

    passes(60);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(game.particles[i].ay, 0.08) << i;
    }
}

TEST_F(LineClearing, ASecondClearRestartsTheCountOfPasses) {
    fillRow(board, 18);
    fillRow(board, 19);
    game.clearFullRows();
    passes(50);
    fillRow(board, 19);
    game.clearFullRows();
    EXPECT_EQ(game.liveParticleCount, 20);
    EXPECT_EQ(game.particleFrameCounter, 0);
    fillRow(board, 18);
    fillRow(board, 19);
    game.clearFullRows();
    passes(50);
    EXPECT_EQ(game.particles[0].ay, 0.08);  // no turn at the old clear's 90th pass
    passes(40);
    EXPECT_EQ(game.particles[0].ay, -0.08);
}

TEST_F(LineClearing, TheParticleArrayNeverOverflows) {
    // A well wide enough that one row would need 900 particles.
    game.board = std::make_unique<Board>(450, 3);
    Board& wide = *game.board;
    wide.setCellSize(10);
    fillRow(wide, 1);
    fillRow(wide, 2);
    game.clearFullRows();
    EXPECT_EQ(game.liveParticleCount, MAX_PARTICLES);
    EXPECT_EQ(wide.cellAt(399, 1), EMPTY_CELL);
    EXPECT_EQ(wide.cellAt(400, 1).solid, 255u);  // the rest of the row keeps its blocks
    EXPECT_EQ(wide.cellAt(0, 2).solid, 255u);    // and the next row is not looked at
    EXPECT_EQ(wide.lines, 1);
    EXPECT_EQ(wide.pendingScore, 4500);
    EXPECT_EQ(sounds(), (std::vector<std::string>{"effect Sounds/xplode2.wav"}));
}

TEST_F(LineClearing, DebrisWaitsAtTheScoresScreenAndFliesOnInTheNextGame) {
    fillRow(board, 19);
    game.clearFullRows();
    game.state = SHOW_SCORES;
    const double x = game.particles[0].x;
    h.frames(5);
    EXPECT_EQ(game.particles[0].x, x);
    game.state = PLAYING;
    game.stateDelay = 5;  // no landing in these frames
    h.frames(1);
    EXPECT_EQ(game.particles[0].x, x + game.particles[0].vx);
    EXPECT_EQ(game.liveParticleCount, 20);
}

}  // namespace
}  // namespace shardfall
