// Drawing of the well and its debris. Every block is one keyed, unscaled copy from the tile
// sheet; a block that would stick out of the target is left out whole, never cut.
#pragma once

#include "game/board.h"

namespace shardfall {

class Particle;
class Surface;

// Where blocks go and where they come from.
struct BlockCanvas {
    Surface& target;
    Surface& tileSheet;
};

// The cells, column by column, then the white frame round the sides and the bottom.
void drawWell(const Board& board, const BlockCanvas& canvas);
void drawWellCells(const Board& board, const BlockCanvas& canvas);
void drawWellFrame(const Board& board, const BlockCanvas& canvas);
// One cell's block with its top-left corner at the pixel, shrunk about its centre.
void drawCellAtPixel(const BlockCanvas& canvas, int cellSize, int px, int py, Cell cell);
// A block of the given side from the sheet's row for that side.
void drawBlock(const BlockCanvas& canvas, int cellSize, int px, int py, int side, Cell cell);
// The live debris, each block keeping the centre of the cell it burst from while it shrinks.
void drawDebris(const Particle* particles, int count, int cellSize, const BlockCanvas& canvas);

}  // namespace shardfall
