// The tile sheet: every block the game shows, pre-rendered once at display start as bevelled
// squares, one column per colour and one row per size from the cell size down to 1 pixel, so that
// drawing a block in play is a single keyed copy.
#pragma once

#include <cstdint>

namespace shardfall {

class DrawContext;

// The eight block colours (0x00BBGGRR): red, green, blue, magenta, yellow, cyan, then white
// twice.
extern const uint32_t BlockColors[8];

// Paints all 8 × cellSize blocks: column c holds BlockColors[c], row k the block of side
// cellSize − k at the row's top-left corner.
void PaintTileSheet(DrawContext& dc, int cellSize);

// One block as concentric one-pixel rings brightening from about 225 below the colour at the
// edge to the full colour at the centre. Returns 0.
int PaintBevelBlock(int x, int y, int size, uint32_t color, DrawContext& dc);

// Caps a channel at 255 and turns anything below 40 into 0, so the darkest rings become the
// colour key and show through.
void ClampChannel(int32_t& value);

}  // namespace shardfall
