#include "game/piece.h"

#include <gtest/gtest.h>

#include <string>

namespace shardfall {
namespace {

// The mask as rows of 0 and 1, top row first, separated by commas.
std::string rows(const Piece& piece) {
    std::string text;
    for (int y = 0; y < piece.height; ++y) {
        if (y > 0) {
            text += ',';
        }
        for (int x = 0; x < piece.width; ++x) {
            text += piece.blockAt(x, y) ? '1' : '0';
        }
    }
    return text;
}

Piece turned(const Piece& shape, int turns) {
    Piece piece = shape;
    for (int i = 0; i < turns; ++i) {
        piece.rotateClockwise();
    }
    return piece;
}

TEST(Piece, CatalogueAndStartShapes) {
    const char* expected[6] = {"001,111,000",         "010,111,000", "11,11",
                               "1000,1000,1000,1000", "111,001,000", "110,011,000"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rows(shapeCatalogue[i]), expected[i]) << "entry " << i;
        EXPECT_EQ(shapeCatalogue[i].blockTemplate, (Cell{0, 255, 1, 0}));
        EXPECT_EQ(shapeCatalogue[i].yOffset, 0);
    }
    EXPECT_EQ(rows(gemShape), "1");
    EXPECT_EQ(rows(startShape), "110,011,000");
    EXPECT_EQ(startShape.blockTemplate, (Cell{0, 255, 1, 0}));
}

TEST(Piece, QuarterTurnsOfLTAndZ) {
    const Piece& l = shapeCatalogue[0];
    EXPECT_EQ(rows(turned(l, 1)), "010,010,011");
    EXPECT_EQ(rows(turned(l, 2)), "000,111,100");
    EXPECT_EQ(rows(turned(l, 3)), "110,010,010");
    EXPECT_EQ(rows(turned(shapeCatalogue[1], 1)), "010,011,010");
    const Piece& z = shapeCatalogue[5];
    EXPECT_EQ(rows(turned(z, 1)), "001,011,010");
    EXPECT_EQ(rows(turned(z, 2)), "000,110,011");
}

TEST(Piece, TheBarTurnsAboutItsBoxAndFourTurnsGiveEveryShapeBack) {
    const Piece& bar = shapeCatalogue[3];
    EXPECT_EQ(rows(turned(bar, 1)), "1111,0000,0000,0000");
    EXPECT_EQ(rows(turned(bar, 2)), "0001,0001,0001,0001");
    EXPECT_EQ(rows(turned(bar, 3)), "0000,0000,0000,1111");
    EXPECT_EQ(rows(turned(shapeCatalogue[2], 1)), "11,11");
    EXPECT_EQ(rows(turned(gemShape, 1)), "1");
    for (const Piece& shape : shapeCatalogue) {
        const Piece back = turned(shape, 4);
        EXPECT_EQ(rows(back), rows(shape));
        EXPECT_TRUE(std::equal(std::begin(back.mask), std::end(back.mask), std::begin(shape.mask)));
    }
}

TEST(Piece, OnlyBlocksMeetWallsAndFloor) {
    Board board(10, 20);
    const Piece& bar = shapeCatalogue[3];
    EXPECT_FALSE(bar.fitsAt(board, -1, 0));
    // Three columns of the box lie beyond the right wall, but no block does.
    EXPECT_TRUE(bar.fitsAt(board, 9, 0));
    EXPECT_FALSE(bar.fitsAt(board, 10, 0));
    EXPECT_TRUE(bar.fitsAt(board, 0, 16));
    EXPECT_FALSE(bar.fitsAt(board, 0, 17));

    // The L's empty bottom row may hang below the floor.
    EXPECT_TRUE(shapeCatalogue[0].fitsAt(board, 0, 18));
    EXPECT_FALSE(shapeCatalogue[0].fitsAt(board, 0, 19));

    board.setCell(6, 5, Cell{0, 1, 0, 0});
    EXPECT_FALSE(shapeCatalogue[2].fitsAt(board, 5, 4));
    EXPECT_TRUE(shapeCatalogue[2].fitsAt(board, 4, 4));
}

TEST(Piece, EveryShapeFitsAboveAnEmptyWellWithinTheWalls) {
    Board board(10, 20);
    for (const Piece& shape : shapeCatalogue) {
        for (int turns = 0; turns < 4; ++turns) {
            const Piece piece = turned(shape, turns);
            int firstColumn = piece.width;
            int lastColumn = -1;
            for (int y = 0; y < piece.height; ++y) {
                for (int x = 0; x < piece.width; ++x) {
                    if (piece.blockAt(x, y)) {
                        firstColumn = std::min(firstColumn, x);
                        lastColumn = std::max(lastColumn, x);
                    }
                }
            }
            for (int column = -firstColumn; column + lastColumn < 10; ++column) {
                EXPECT_TRUE(piece.fitsAt(board, column, -2)) << rows(piece) << " at " << column;
            }
            EXPECT_FALSE(piece.fitsAt(board, -firstColumn - 1, -2));
            EXPECT_FALSE(piece.fitsAt(board, 10 - lastColumn, -2));
        }
    }
}

TEST(Piece, StampAboveTheWellWritesOnlyTheVisibleBlocks) {
    Board board(10, 20);
    Piece piece = turned(shapeCatalogue[1], 1);  // 010, 011, 010
    piece.blockTemplate = Cell{2, 0xFF00, 6, 0};
    piece.yOffset = 13;
    piece.stampAt(board, 4, -2);

    int occupied = 0;
    for (const Cell& cell : board.cells) {
        occupied += cell.solid != 0 ? 1 : 0;
    }
    EXPECT_EQ(occupied, 1);
    EXPECT_EQ(board.cellAt(5, 0), (Cell{2, 0xFF00, 6, 13}));

    // The unturned T hangs entirely above the well at row -2: its bottom mask row is empty.
    Board other(10, 20);
    shapeCatalogue[1].stampAt(other, 4, -2);
    for (const Cell& cell : other.cells) {
        EXPECT_EQ(cell, EMPTY_CELL);
    }

    // Erasing at a lower place shows that erase frees exactly the blocks' cells.
    piece.stampAt(board, 4, 3);
    board.setCell(4, 3, Cell{0, 9, 3, 0});  // a neighbour under the empty mask corner
    piece.eraseAt(board, 4, -2);
    EXPECT_EQ(board.cellAt(5, 0), EMPTY_CELL);
    EXPECT_EQ(board.cellAt(4, 3).solid, 9u);
    EXPECT_EQ(board.cellAt(5, 3).solid, 0xFF00u);
    EXPECT_EQ(board.cellAt(6, 4).solid, 0xFF00u);
    EXPECT_EQ(board.cellAt(5, 5).solid, 0xFF00u);
}

TEST(Piece, EraseLeavesEmptyCellsEvenWhereBlocksWereBeforeTheStamp) {
    Board board(10, 20);
    const Cell old{7, 1, 3, 4};
    for (int x = 0; x < 10; ++x) {
        board.setCell(x, 10, old);
        board.setCell(x, 11, old);
    }
    const Piece& square = shapeCatalogue[2];
    square.stampAt(board, 3, 10);
    EXPECT_EQ(board.cellAt(3, 10), (Cell{0, 255, 1, 0}));
    square.eraseAt(board, 3, 10);
    for (int y = 10; y <= 11; ++y) {
        EXPECT_EQ(board.cellAt(3, y), EMPTY_CELL);
        EXPECT_EQ(board.cellAt(4, y), EMPTY_CELL);
        EXPECT_EQ(board.cellAt(2, y), old);
        EXPECT_EQ(board.cellAt(5, y), old);
    }
}

TEST(Piece, ATemplateWithoutSolidStampsNothing) {
    Board board(10, 20);
    Piece piece = shapeCatalogue[2];
    piece.blockTemplate.solid = 0;
    piece.stampAt(board, 0, 0);
    Piece::empty().stampAt(board, 0, 0);
    for (const Cell& cell : board.cells) {
        EXPECT_EQ(cell, EMPTY_CELL);
    }
    EXPECT_TRUE(Piece::empty().fitsAt(board, -5, 30));
}

}  // namespace
}  // namespace shardfall
