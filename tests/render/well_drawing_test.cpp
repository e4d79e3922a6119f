#include <gtest/gtest.h>

#include "game/board.h"
#include "game/particle.h"
#include "render/well_drawing.h"
#include "support/game_harness.h"
#include "support/recording_surface.h"

namespace shardfall {
namespace {

using testing::RecordingSurface;

class BoardDrawing : public ::testing::Test {
  protected:
    void SetUp() override {
        board.setCellSize(36);
        board.originX = 332;
        board.originY = 30;
    }
    const RecordingSurface::Copy& only() {
        EXPECT_EQ(target.copies.size(), 1u);
        return target.copies.at(0);
    }

    RecordingSurface sheet{288, 1296};
    RecordingSurface target{1024, 768};
    BlockCanvas canvas{target, sheet};
    Board board{10, 20};
};

TEST_F(BoardDrawing, AnEmptyCellDrawsNothing) {
    board.setCell(2, 3, Cell{4, 0, 5, 10});
    DrawWellCells(board, canvas);
    EXPECT_TRUE(target.copies.empty());
}

TEST_F(BoardDrawing, AShrunkCellComesFromItsSheetRowCentredInItsPlace) {
    board.setCell(2, 3, Cell{4, 255, 5, 0});
    DrawWellCells(board, canvas);
    const auto& copy = only();
    EXPECT_EQ(copy.x, 332 + 72 + 2);
    EXPECT_EQ(copy.y, 30 + 108 + 2);
    EXPECT_EQ(copy.source, &sheet);
    EXPECT_EQ(copy.sourceRect, (Rect{180, 144, 212, 176}));
    EXPECT_EQ(copy.flags, BLTFAST_SRCCOLORKEY);

    // An odd shrink sits half a pixel toward the top left; a full block comes from row 0.
    target.copies.clear();
    DrawCellAtPixel(canvas, 36, 100, 200, Cell{5, 1, 0, 0});
    DrawCellAtPixel(canvas, 36, 100, 200, Cell{0, 1, 7, 0});
    ASSERT_EQ(target.copies.size(), 2u);
    EXPECT_EQ(target.copies[0].x, 102);
    EXPECT_EQ(target.copies[0].sourceRect, (Rect{0, 180, 31, 211}));
    EXPECT_EQ(target.copies[1].x, 100);
    EXPECT_EQ(target.copies[1].sourceRect, (Rect{252, 0, 288, 36}));
}

TEST_F(BoardDrawing, CellsAreDrawnColumnByColumnAndSunkByTheirOffset) {
    board.setCell(1, 0, Cell{0, 1, 0, 0});
    board.setCell(0, 1, Cell{0, 1, 0, 10});
    board.setCell(0, 0, Cell{0, 1, 0, 0});
    DrawWellCells(board, canvas);
    ASSERT_EQ(target.copies.size(), 3u);
    EXPECT_EQ(target.copies[0].x, 332);
    EXPECT_EQ(target.copies[0].y, 30);
    EXPECT_EQ(target.copies[1].x, 332);
    EXPECT_EQ(target.copies[1].y, 30 + 36 + 10);
    EXPECT_EQ(target.copies[2].x, 368);
    EXPECT_EQ(target.copies[2].y, 30);
}

TEST_F(BoardDrawing, TheFrameIsWhiteHalfCellBlocksDownBothSidesAndAlongTheBottom) {
    DrawWellFrame(board, canvas);
    ASSERT_EQ(target.copies.size(), 102u);
    int left = 0;
    int right = 0;
    int bottom = 0;
    for (const auto& copy : target.copies) {
        EXPECT_EQ(copy.sourceRect, (Rect{252, 648, 270, 666}));
        if (copy.y == 750) {
            EXPECT_EQ((copy.x - 314) % 18, 0);
            EXPECT_LE(copy.x, 692);
            ++bottom;
        } else if (copy.x == 314) {
            ++left;
        } else if (copy.x == 692) {
            ++right;
        }
    }
    EXPECT_EQ(left, 40);
    EXPECT_EQ(right, 40);
    EXPECT_EQ(bottom, 22);

    // A 35-pixel cell: 17-pixel blocks, 42 down each side, the last reaching into the bottom.
    target.copies.clear();
    board.setCellSize(35);
    DrawWellFrame(board, canvas);
    int sides = 0;
    int lowest = 0;
    for (const auto& copy : target.copies) {
        if (copy.y != 30 + 700) {
            ++sides;
            lowest = std::max(lowest, copy.y);
        }
    }
    EXPECT_EQ(sides, 84);
    EXPECT_EQ(lowest, 30 + 697);
    EXPECT_EQ(target.copies.size() - sides, 22u);
}

TEST_F(BoardDrawing, AOnePixelCellHasNoFrame) {
    board.setCellSize(1);
    DrawWellFrame(board, canvas);  // must return
    EXPECT_TRUE(target.copies.empty());
}

TEST_F(BoardDrawing, ParticlesShrinkAboutTheCentreOfTheirCell) {
    Particle p;
    p.tile = 3;
    p.x = 100.0;
    p.y = 50.0;
    p.initialSize = 36;
    p.size = 36.0;
    DrawDebris(&p, 1, board.cellSize, canvas);
    p.size = 20.5;
    DrawDebris(&p, 1, board.cellSize, canvas);
    p.x = 100.9;
    p.size = 1.0;
    DrawDebris(&p, 1, board.cellSize, canvas);
    p.size = 0.99;
    DrawDebris(&p, 1, board.cellSize, canvas);
    p.size = 0.0;
    DrawDebris(&p, 1, board.cellSize, canvas);
    ASSERT_EQ(target.copies.size(), 3u);
    EXPECT_EQ(target.copies[0].x, 100);
    EXPECT_EQ(target.copies[0].y, 50);
    EXPECT_EQ(target.copies[0].sourceRect, (Rect{108, 0, 144, 36}));
    EXPECT_EQ(target.copies[1].x, 107);
    EXPECT_EQ(target.copies[1].y, 57);
    EXPECT_EQ(target.copies[1].sourceRect, (Rect{108, 576, 128, 596}));
    EXPECT_EQ(target.copies[2].x, 117);  // (100.9 + 17) truncated
    EXPECT_EQ(target.copies[2].sourceRect, (Rect{108, 1260, 109, 1261}));
}

TEST(BoardDrawingPixels, KeyColouredPixelsLetTheBlockAboveShowThrough) {
    auto sheet = testing::paintedTileSheet(36);
    SoftwareSurface target(400, 400);
    target.setColorKey(0);
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
            target.setPixel(x, y, 0x101010);
        }
    }
    const BlockCanvas canvas{target, *sheet};
    Board board(10, 20);
    board.setCellSize(36);
    board.originX = 10;
    board.originY = 10;
    board.setCell(1, 5, Cell{0, 1, 0, 10});  // red, sunk by 10 pixels
    board.setCell(1, 6, Cell{0, 1, 2, 0});   // blue, drawn after it
    DrawWellCells(board, canvas);

    const int px = 10 + 36;
    const int lowerTop = 10 + 6 * 36;
    // The lower block's outermost ring is key-coloured: the red block shows through there.
    EXPECT_EQ(target.pixel(px + 18, lowerTop), 0x8E0000u);
    EXPECT_EQ(target.pixel(px + 18, lowerTop + 1), 0x00002Au);
    // The red block's own black edge left the background alone.
    EXPECT_EQ(target.pixel(px, 10 + 5 * 36 + 10), 0x101010u);
    EXPECT_EQ(target.pixel(px + 1, 10 + 5 * 36 + 11), 0x2A0000u);
    EXPECT_EQ(target.pixel(px + 5, 10 + 5 * 36 + 5), 0x101010u);

    // A block that would stick out of the target is left out whole.
    Particle p;
    p.tile = 1;
    p.x = 380.0;
    p.y = 20.0;
    p.initialSize = 36;
    p.size = 36.0;
    DrawDebris(&p, 1, board.cellSize, canvas);
    for (int x = 370; x < 400; ++x) {
        EXPECT_EQ(target.pixel(x, 40), 0x101010u);
    }
}

}  // namespace
}  // namespace shardfall
