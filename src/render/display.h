// The screen the game owns: its size, the cell size that follows from it, the surfaces every
// frame is composed from and the FPS counter, all in one Display that the program owns; and the
// display start that makes the surfaces, loads the background and has the program make the well.
// A failed start ends with one message box naming the failed step.
#pragma once

#include <functional>
#include <memory>

#include "game/screen_geometry.h"
#include "render/fps_counter.h"

namespace shardfall {

class DisplayBackend;
class Surface;

struct Display {
    ScreenGeometry screen;

    // The surfaces, null until the display starts and after it is released. The back buffer
    // belongs to the primary surface; the others are owned below.
    Surface* primary = nullptr;
    Surface* backBuffer = nullptr;
    Surface* background = nullptr;
    Surface* tileSheet = nullptr;
    Surface* fps = nullptr;
    Surface* gameOver = nullptr;

    FpsCounter fpsCounter;

    DisplayBackend* backend = nullptr;
    bool deviceCreated = false;
    std::unique_ptr<Surface> ownedPrimary;
    std::unique_ptr<Surface> ownedBackground;
    std::unique_ptr<Surface> ownedTileSheet;
    std::unique_ptr<Surface> ownedFps;
    std::unique_ptr<Surface> ownedGameOver;
};

// The background picture, looked for in the working directory.
extern const char* const BackgroundFileName;

// What the display start calls last, with the new screen: the program makes the game's well
// there. False when it could not, which fails the start.
using WellMaker = std::function<bool(const ScreenGeometry& screen)>;

// Takes the screen through the backend, makes the surfaces, loads the background, paints the
// tile sheet and has the well made on the new screen. Returns 1, or 0 after the failure has
// been shown and the window destroyed.
int InitDisplay(Display& display, DisplayBackend& backend, const WellMaker& makeWell);
int CreateSurfaces(Display& display);
int ConfigureSurfaces(Display& display, const WellMaker& makeWell);
void SetColorKeys(Display& display);
// Draws the picture of a bitmap file stretched onto the surface's top-left 256 × 256 pixels.
// Returns 0 when the file cannot be opened or read or holds no picture that can be drawn;
// 1 otherwise, also when no drawing context could be had.
int LoadBitmapFile(Surface& surface, const char* fileName);
// The first step of every frame: repairs the surfaces after the display took them away.
void RestoreSurfaces(Display& display);
// Zeroes every byte of the surface, the padding beyond each row's width included.
int ClearSurface(Surface& surface);
// Releases the surfaces and the display object; does nothing once they are gone.
void ReleaseDisplay(Display& display);
void FatalDisplayError(Display& display, const char* stepName);

}  // namespace shardfall
