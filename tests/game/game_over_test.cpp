#include <gtest/gtest.h>

#include <string>

#include "game/board.h"
#include "game/game.h"
#include "host/headless/headless_game.h"

namespace shardfall {
namespace {

// A game that ends while cleared rows' points are still trickling into the score: the points
// earned are all in the final score, none left pending for the table to miss. (The soak's
// player never tops out that soon after a clear.)
TEST(GameOver, PointsStillPendingGoIntoTheFinalScore) {
    HeadlessGame headless;
    HeadlessGame::Options options;
    options.seed = 3;
    options.musicStartUp = false;
    std::string error;
    ASSERT_TRUE(headless.start(options, error)) << error;
    Game& game = headless.game();
    Board& board = *game.board;
    // The stack up to the third row, with the left column open so that no row is ever full:
    // the next piece cannot enter.
    for (int y = 2; y < board.height; ++y) {
        for (int x = 1; x < board.width; ++x) {
            board.setCell(x, y, Cell{0, 1, x % 7, 0});
        }
    }
    board.score = 1000;
    board.pendingScore = 400;
    for (int frame = 0; frame < 3000 && (game.state & GAME_OVER) == 0; ++frame) {
        headless.tick();
    }
    ASSERT_NE(game.state & GAME_OVER, 0u) << "the game did not end";
    EXPECT_EQ(board.pendingScore, 0);
    EXPECT_EQ(board.score, 1400);
}

}  // namespace
}  // namespace shardfall
