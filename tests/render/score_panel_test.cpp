#include <gtest/gtest.h>

#include <memory>

#include "game/board.h"
#include "game/game.h"
#include "render/overlays.h"
#include "support/temp_folder.h"

namespace shardfall {
namespace {

// The score panel stands right of the well's right wall, wherever the game placed the well. On
// 4:3 and wider screens it keeps its place of old, fourteen characters from the right edge; on
// narrower ones it moves to just right of the wall.
TEST(ScorePanel, StandsRightOfTheWellAndKeepsItsPlaceWhereItFits) {
    const struct {
        int width;
        int height;
        int x;  // the place of old, 0 where the panel must move
    } cases[] = {
        {1024, 768, 730},   {1920, 1080, 1500}, {800, 600, 576},    {640, 480, 458},
        {1600, 1200, 1124}, {1280, 800, 972},   {3840, 2160, 2986}, {1280, 1024, 0},
        {1024, 1024, 0},    {1280, 1000, 0},    {600, 1000, 0},
    };
    TempFolder folder;  // the game's table reads and writes records.dat here
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        auto game = std::make_unique<Game>();
        game->screen = ScreenGeometry::ofScreen(c.width, c.height);
        ASSERT_TRUE(game->createBoard());
        game->runFrame();
        const Board& board = *game->board;
        const int wallRight = board.originX + board.pixelWidth() + board.cellSize / 2;

        const int x = scorePanelX(board, c.width);
        EXPECT_GE(x, wallRight);
        EXPECT_EQ(x, c.x != 0 ? c.x : wallRight);
    }
}

}  // namespace
}  // namespace shardfall
