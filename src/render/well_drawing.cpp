#include "render/well_drawing.h"

#include "game/particle.h"
#include "gfx/surface.h"

namespace shardfall {

namespace {
// The frame is white: colour column 7 of the sheet.
constexpr Cell FRAME_CELL{0, 255, 7, 0};
}  // namespace

void drawWell(const Board& board, const BlockCanvas& canvas) {
    drawWellCells(board, canvas);
    drawWellFrame(board, canvas);
}

void drawWellCells(const Board& board, const BlockCanvas& canvas) {
    // Column by column, each from the top down: a block drawn lower by its yOffset is covered
    // by the cell below it, which comes later.
    const int cellSize = board.cellSize;
    for (int x = 0; x < board.width; ++x) {
        for (int y = 0; y < board.height; ++y) {
            const Cell cell = board.cellAt(x, y);
            drawCellAtPixel(canvas, cellSize, board.originX + x * cellSize,
                            board.originY + y * cellSize + cell.yOffset, cell);
        }
    }
}

void drawCellAtPixel(const BlockCanvas& canvas, int cellSize, int px, int py, Cell cell) {
    if (cell.solid == 0) {
        return;
    }
    // Row k of the sheet holds the block shrunk by k pixels, so no scaling is needed.
    const int left = cellSize * cell.tile;
    const int top = (cell.shrink >= 1 && cell.shrink <= cellSize) ? cellSize * cell.shrink : 0;
    const int side = cellSize - cell.shrink;
    const Rect source{left, top, left + side, top + side};
    canvas.target.bltFast(px + cell.shrink / 2, py + cell.shrink / 2, canvas.tileSheet, source,
                          BLTFAST_SRCCOLORKEY);
}

void drawBlock(const BlockCanvas& canvas, int cellSize, int px, int py, int side, Cell cell) {
    if (cell.solid == 0 || side < 0) {
        return;
    }
    const int left = cellSize * cell.tile;
    const int top = (cellSize - side) * cellSize;
    const Rect source{left, top, left + side, top + side};
    canvas.target.bltFast(px, py, canvas.tileSheet, source, BLTFAST_SRCCOLORKEY);
}

void drawWellFrame(const Board& board, const BlockCanvas& canvas) {
    const int cellSize = board.cellSize;
    const int h = cellSize / 2;
    // Half-cell blocks need a side of at least one pixel; with none there is no frame to draw
    // (and the loops below would never advance).
    if (h < 1) {
        return;
    }
    const int x0 = board.originX;
    const int y0 = board.originY;
    const int w = board.pixelWidth();
    const int hgt = board.pixelHeight();
    for (int k = 0; k < hgt; k += h) {
        drawBlock(canvas, cellSize, x0 - h, y0 + k, h, FRAME_CELL);
        drawBlock(canvas, cellSize, x0 + w, y0 + k, h, FRAME_CELL);
    }
    for (int k = 0; k <= w + h; k += h) {
        drawBlock(canvas, cellSize, x0 - h + k, y0 + hgt, h, FRAME_CELL);
    }
}

void drawDebris(const Particle* particles, int count, int cellSize, const BlockCanvas& canvas) {
    for (int i = 0; i < count; ++i) {
        const Particle& p = particles[i];
        // A block under one pixel shows nothing; leaving it here also keeps the positions of
        // long-gone debris, which fly on unbounded, out of the integer conversions below.
        if (p.size < 1.0) {
            continue;
        }
        const int half = static_cast<int>(p.initialSize - p.size) / 2;
        const int side = static_cast<int>(p.size);
        drawBlock(canvas, cellSize, static_cast<int>(p.x + half), static_cast<int>(p.y + half),
                  side, Cell{0, 255, p.tile, 0});
    }
}

}  // namespace shardfall
