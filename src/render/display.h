// The screen the game owns: its size, the cell size that follows from it, the surfaces every
// frame is composed from, and the display start that makes them, loads the background and
// creates the one Board. A failed start ends with one message box naming the failed step.
#pragma once

namespace shardfall {

class Board;
class DisplayBackend;
class Game;
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

// The background picture, looked for in the working directory.
extern const char* const BackgroundFileName;

// Takes the screen through the backend, makes the surfaces, loads the background, paints the
// tile sheet and hands the new Board to the game and its table. Returns 1, or 0 after the
// failure has been shown and the window destroyed.
int InitDisplay(DisplayBackend& backend, Game& game);
int CreateSurfaces();
int ConfigureSurfaces(Game& game);
void SetColorKeys();
// Draws the picture of a bitmap file stretched onto the surface's top-left 256 × 256 pixels.
// Returns 0 when the file cannot be opened or read or holds no picture that can be drawn;
// 1 otherwise, also when no drawing context could be had.
int LoadBitmapFile(Surface& surface, const char* fileName);
// The first step of every frame: repairs the surfaces after the display took them away.
void RestoreSurfaces();
// Zeroes every byte of the surface, the padding beyond each row's width included.
int ClearSurface(Surface& surface);
// Releases the surfaces and the display object; does nothing once they are gone.
void ReleaseDisplay();
void FatalDisplayError(const char* stepName);

// The one Board, made by the display start; null before.
Board* DisplayBoard();

}  // namespace shardfall
