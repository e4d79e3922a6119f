#include "game/board.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "support/game_harness.h"

namespace shardfall {
namespace {

using testing::fillRow;

constexpr Cell WALL{0, 1, 1, 0};
constexpr Cell BLOCK{3, 77, 5, 9};

TEST(Board, CellAtOutsideTheGridTestsTheColumnFirst) {
    Board board(10, 20);
    EXPECT_EQ(board.cellAt(-1, -1), WALL);
    EXPECT_EQ(board.cellAt(10, -5), WALL);
    EXPECT_EQ(board.cellAt(0, -1), (Cell{0, 0, 1, 0}));
    EXPECT_EQ(board.cellAt(9, -100), (Cell{0, 0, 1, 0}));
    EXPECT_EQ(board.cellAt(0, 20), WALL);
    EXPECT_EQ(board.cellAt(10, 0), WALL);
    EXPECT_EQ(board.cellAt(-1, 25), WALL);
}

TEST(Board, SetCellSwallowsWritesAboveAndRefusesBesideOrBelow) {
    Board board(10, 20);
    EXPECT_TRUE(board.setCell(3, -1, BLOCK));
    EXPECT_FALSE(board.setCell(-1, 0, BLOCK));
    EXPECT_FALSE(board.setCell(10, 0, BLOCK));
    EXPECT_FALSE(board.setCell(0, 20, BLOCK));
    EXPECT_FALSE(board.setCell(-1, 20, BLOCK));
    for (const Cell& cell : board.cells) {
        EXPECT_EQ(cell, EMPTY_CELL);
    }

    EXPECT_TRUE(board.setCell(9, 19, BLOCK));
    EXPECT_EQ(board.cellAt(9, 19), BLOCK);
    EXPECT_EQ(board.cells[19 * 10 + 9], BLOCK);
}

TEST(Board, ResetEmptiesTheWellButKeepsPendingPoints) {
    Board board(10, 20);
    fillRow(board, 4);
    board.setCell(2, 19, BLOCK);
    board.score = 500;
    board.lines = 7;
    board.elapsedSeconds = 12.5;
    board.pendingScore = 300;
    board.reset();
    for (const Cell& cell : board.cells) {
        EXPECT_EQ(cell, EMPTY_CELL);
    }
    EXPECT_EQ(board.score, 0);
    EXPECT_EQ(board.lines, 0);
    EXPECT_EQ(board.elapsedSeconds, 0.0);
    EXPECT_EQ(board.pendingScore, 300);
}

// Every row but the free ones holds one block whose tile names the row it started in.
void markRows(Board& board, std::initializer_list<int> freeRows) {
    for (int y = 0; y < board.height; ++y) {
        if (std::find(freeRows.begin(), freeRows.end(), y) != freeRows.end()) {
            continue;
        }
        board.setCell(y % board.width, y, Cell{0, 255, 100 + y, 0});
    }
}

int originalRowAt(const Board& board, int y) {
    for (int x = 0; x < board.width; ++x) {
        const Cell cell = board.cellAt(x, y);
        if (cell.solid != 0) {
            return cell.tile - 100;
        }
    }
    return -1;
}

TEST(Board, CollapseClosesFreeRowsAndMovesTheRowsAboveDown) {
    Board board(10, 20);
    markRows(board, {5, 7});
    // A free row may still carry leftovers in its other words; it goes all the same.
    board.setCell(4, 5, Cell{6, 0, 3, 2});
    board.collapseEmptyRows();

    EXPECT_EQ(originalRowAt(board, 0), -1);
    EXPECT_EQ(originalRowAt(board, 1), -1);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(board.cellAt(x, 0), EMPTY_CELL);
        EXPECT_EQ(board.cellAt(x, 1), EMPTY_CELL);
    }
    for (int y = 2; y <= 6; ++y) {
        EXPECT_EQ(originalRowAt(board, y), y - 2) << "row " << y;
    }
    EXPECT_EQ(originalRowAt(board, 7), 6);
    for (int y = 8; y < 20; ++y) {
        EXPECT_EQ(originalRowAt(board, y), y) << "row " << y;
    }
    // The moved block kept its column.
    EXPECT_EQ(board.cellAt(0, 2).tile, 100);
}

TEST(Board, CollapseWithoutFreeRowsOrOfAnEmptyBoardChangesNothing) {
    Board full(10, 20);
    markRows(full, {});
    full.setCell(3, 8, BLOCK);
    const auto before = full.cells;
    full.collapseEmptyRows();
    EXPECT_EQ(full.cells, before);

    Board empty(10, 20);
    empty.collapseEmptyRows();
    for (const Cell& cell : empty.cells) {
        EXPECT_EQ(cell, EMPTY_CELL);
    }
}

class WellHint : public ::testing::Test {
  protected:
    void SetUp() override {
        board.setCellSize(36);
        // Leftover ripple everywhere, to see which rows the pass clears.
        for (Cell& cell : board.cells) {
            cell.shrink = 5;
        }
    }

    bool rowRipples(int y) const {
        // With the phase at 0 and a 36-pixel cell the wave across the columns is fixed.
        static constexpr int wave[10] = {12, 16, 20, 23, 23, 22, 20, 16, 11, 6};
        for (int x = 0; x < 10; ++x) {
            if (board.cellAt(x, y).shrink != wave[x]) {
                return false;
            }
        }
        return true;
    }
    int shrinkSum(int y) const {
        int sum = 0;
        for (int x = 0; x < 10; ++x) {
            sum += board.cellAt(x, y).shrink;
        }
        return sum;
    }

    Board board{10, 20};
};

TEST_F(WellHint, FourAlmostFullRowsWithOneHoleColumnRipple) {
    for (int y = 16; y < 20; ++y) {
        fillRow(board, y, 9, 4);
    }
    board.updateWellHint();
    for (int y = 0; y < 16; ++y) {
        EXPECT_EQ(shrinkSum(y), 0) << "row " << y;
    }
    for (int y = 16; y < 20; ++y) {
        EXPECT_TRUE(rowRipples(y)) << "row " << y;
        // Only the shrink word moves.
        EXPECT_EQ(board.cellAt(0, y).tile, 4);
        EXPECT_EQ(board.cellAt(9, y).solid, 0u);
    }
    EXPECT_DOUBLE_EQ(board.wavePhase, 0.1);

    // The crests drift toward column 0 as the phase grows.
    board.updateWellHint();
    EXPECT_EQ(board.cellAt(0, 16).shrink, static_cast<int>((std::sin(0.1) + 1.0) * 12));
    EXPECT_EQ(board.cellAt(3, 16).shrink, 23);
    EXPECT_DOUBLE_EQ(board.wavePhase, 0.2);
}

TEST_F(WellHint, EveryAlmostFullRowRipplesOnceFourLineUp) {
    for (int y = 15; y < 19; ++y) {
        fillRow(board, y, 9);
    }
    fillRow(board, 19, 2);
    board.updateWellHint();
    for (int y = 15; y < 20; ++y) {
        EXPECT_TRUE(rowRipples(y)) << "row " << y;
    }
    for (int y = 0; y < 15; ++y) {
        EXPECT_EQ(shrinkSum(y), 0) << "row " << y;
    }
}

TEST_F(WellHint, WithoutFourAdjacentRowsHoledInOneColumnNothingRipples) {
    struct Case {
        std::vector<std::pair<int, int>> rows;  // (row, hole); a hole of -1 fills the row
        int firstCleared;  // rows from here down lose their ripple, those above keep it
    };
    const Case cases[] = {
        {{{16, 9}, {17, 9}, {18, 3}, {19, 9}}, 16},  // one hole out of line
        {{{10, 6}, {11, 6}, {12, 6}, {19, 6}}, 10},  // not adjacent
        {{{17, 0}, {18, 0}, {19, 0}}, 17},           // only three
        {{{19, -1}}, 0},                             // full, not almost full: all cleared
    };
    for (const Case& c : cases) {
        board.reset();
        SetUp();
        for (auto [y, hole] : c.rows) {
            fillRow(board, y, hole);
        }
        board.updateWellHint();
        for (int y = 0; y < 20; ++y) {
            EXPECT_EQ(shrinkSum(y), y < c.firstCleared ? 50 : 0)
                << "first cleared " << c.firstCleared << ", row " << y;
        }
    }
}

}  // namespace
}  // namespace shardfall
