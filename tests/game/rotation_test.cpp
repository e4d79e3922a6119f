#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "game/board.h"
#include "game/game.h"
#include "support/temp_folder.h"

namespace shardfall {
namespace {

Piece turned(int shape, int turns) {
    Piece piece = shapeCatalogue[shape];
    for (int i = 0; i < turns; ++i) {
        piece.rotateClockwise();
    }
    return piece;
}

// An L turned three times (110, 010, 010) at column 4, row 10, turned once more among single
// blocks: it turns where it stands, else one column left, else one column right, else not at all.
TEST(Rotation, TurnsInPlaceElseKicksLeftElseRightElseStays) {
    const struct {
        std::vector<std::pair<int, int>> blocks;
        int column;  // where the piece ends
        bool turns;
    } cases[] = {
        {{}, 4, true},
        {{{6, 10}}, 3, true},
        {{{6, 10}, {3, 11}}, 5, true},
        {{{6, 10}, {3, 11}, {7, 10}}, 4, false},
    };
    TempFolder folder;  // the game's table reads and writes records.dat here
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        auto game = std::make_unique<Game>();
        ASSERT_TRUE(game->createBoard());
        Board& board = *game->board;
        Board expected{10, 20};
        for (const auto& [x, y] : c.blocks) {
            board.setCell(x, y, Cell{0, 1, 0, 0});
            expected.setCell(x, y, Cell{0, 1, 0, 0});
        }
        game->piece = turned(0, 3);
        game->pieceColumn = 4;
        game->pieceRow = 10;
        game->piece.stampAt(board, 4, 10);
        game->rotatePiece();
        EXPECT_EQ(game->pieceColumn, c.column);
        turned(0, c.turns ? 4 : 3).stampAt(expected, c.column, 10);
        for (size_t i = 0; i < board.cells.size(); ++i) {
            EXPECT_EQ(board.cells[i].solid, expected.cells[i].solid) << "cell " << i;
        }
    }
}

}  // namespace
}  // namespace shardfall
