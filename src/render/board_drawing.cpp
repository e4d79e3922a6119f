// Drawing of the well and its debris. Every block is one keyed, unscaled copy from the tile
// sheet; a block that would stick out of the target is left out whole, never cut.
#include "game/board.h"
#include "game/particle.h"
#include "platform/surface.h"

namespace shardfall {

namespace {
// The frame is white: colour column 7 of the sheet.
constexpr Cell FRAME_CELL{0, 255, 7, 0};
}  // namespace

void Board::drawCells() {
    // Column by column, each from the top down: a block drawn lower by its yOffset is covered
    // by the cell below it, which comes later.
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            drawCell(x, y);
        }
    }
}

void Board::drawCell(int x, int y) {
    drawCellRecord(x, y, cellAt(x, y));
}

void Board::drawCellRecord(int x, int y, Cell cell) {
    drawCellAtPixel(originX + x * cellSize, originY + y * cellSize + cell.yOffset, cell);
}

void Board::drawCellAtPixel(int px, int py, Cell cell) {
    if (cell.solid == 0 || tileSheet == nullptr || target == nullptr) {
        return;
    }
    // Row k of the sheet holds the block shrunk by k pixels, so no scaling is needed.
    const int left = cellSize * cell.tile;
    const int top = (cell.shrink >= 1 && cell.shrink <= cellSize) ? cellSize * cell.shrink : 0;
    const int side = cellSize - cell.shrink;
    const Rect source{left, top, left + side, top + side};
    target->bltFast(px + cell.shrink / 2, py + cell.shrink / 2, *tileSheet, source,
                    BLTFAST_SRCCOLORKEY);
}

void Board::drawBlock(int px, int py, int side, Cell cell) {
    if (cell.solid == 0 || side < 0 || tileSheet == nullptr || target == nullptr) {
        return;
    }
    const int left = cellSize * cell.tile;
    const int top = (cellSize - side) * cellSize;
    const Rect source{left, top, left + side, top + side};
    target->bltFast(px, py, *tileSheet, source, BLTFAST_SRCCOLORKEY);
}

void Board::drawFrame() {
    const int h = cellSize / 2;
    // Half-cell blocks need a side of at least one pixel; with none there is no frame to draw
    // (and the loops below would never advance).
    if (h < 1) {
        return;
    }
    const int w = pixelWidth();
    const int hgt = pixelHeight();
    for (int k = 0; k < hgt; k += h) {
        drawBlock(originX - h, originY + k, h, FRAME_CELL);
        drawBlock(originX + w, originY + k, h, FRAME_CELL);
    }
    for (int k = 0; k <= w + h; k += h) {
        drawBlock(originX - h + k, originY + hgt, h, FRAME_CELL);
    }
}

void Particle::draw() const {
    // A block under one pixel shows nothing; leaving it here also keeps the positions of
    // long-gone debris, which fly on unbounded, out of the integer conversions below.
    if (board == nullptr || size < 1.0) {
        return;
    }
    const int half = static_cast<int>(initialSize - size) / 2;
    const int side = static_cast<int>(size);
    board->drawBlock(static_cast<int>(x + half), static_cast<int>(y + half), side,
                     Cell{0, 255, tile, 0});
}

}  // namespace shardfall
