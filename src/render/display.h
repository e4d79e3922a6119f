// The screen the game owns: its size, the cell size that follows from it, and the surfaces
// every frame is composed from.
#pragma once

namespace shardfall {

class Surface;

// Screen size in pixels; 1024 × 768 until the display starts.
extern int ScreenWidth;
extern int ScreenHeight;
// The side of one board cell: a twenty-first of the screen height, 38 until the display starts.
extern int CellSize;

// The display's surfaces, null until the display starts. The display device owns them.
extern Surface* PrimarySurface;
extern Surface* BackBuffer;
extern Surface* BackgroundSurface;
extern Surface* TileSheet;
extern Surface* FpsSurface;
extern Surface* GameOverSurface;

}  // namespace shardfall
