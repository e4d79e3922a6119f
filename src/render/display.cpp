#include "render/display.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "formats/bitmap_file.h"
#include "gfx/display_backend.h"
#include "gfx/scoped_draw.h"
#include "gfx/surface.h"
#include "render/tile_sheet.h"
#include "sys/atomic_file.h"
#include "sys/game_files.h"

namespace shardfall {

const char* const BackgroundFileName = "dx000.bmp";

namespace {

constexpr int BACKGROUND_SIDE = 256;
constexpr int FPS_WIDTH = 60;
constexpr int FPS_HEIGHT = 40;
constexpr int GAME_OVER_WIDTH = 270;
constexpr int GAME_OVER_HEIGHT = 50;

void paintTileSheet(Display& display) {
    if (ScopedDC dc(*display.tileSheet); dc) {
        PaintTileSheet(*dc, display.screen.cellSize);
    }
}

}  // namespace

int InitDisplay(Display& display, DisplayBackend& backend, const WellMaker& makeWell) {
    display.backend = &backend;
    display.primary = nullptr;
    display.backBuffer = nullptr;
    display.background = nullptr;

    if (backend.createDevice() != SURFACE_OK) {
        FatalDisplayError(display, "DirectDrawCreate");
        return 0;
    }
    display.deviceCreated = true;
    if (backend.takeScreen() != SURFACE_OK) {
        FatalDisplayError(display, "SetCooperativeLevel");
        return 0;
    }
    display.screen = ScreenGeometry::ofScreen(backend.screenWidth(), backend.screenHeight());
    if (!CreateSurfaces(display)) {
        FatalDisplayError(display, "CreateSurfaces");
        return 0;
    }
    if (!ConfigureSurfaces(display, makeWell)) {
        FatalDisplayError(display, "ConfigureSurfaces");
        return 0;
    }
    return 1;
}

int CreateSurfaces(Display& display) {
    DisplayBackend& backend = *display.backend;
    const SurfaceResult primaryResult = backend.createPrimarySurface(display.ownedPrimary);
    if (primaryResult != SURFACE_OK) {
        // The code as the platform's "%lx" shows a 32-bit HRESULT: eight hex digits at most.
        char code[16];
        std::snprintf(code, sizeof code, "%lx",
                      static_cast<unsigned long>(static_cast<uint32_t>(primaryResult)));
        backend.showMessageBox(code, nullptr);
        return 0;
    }
    display.primary = display.ownedPrimary.get();
    display.backBuffer = display.primary->attachedBackBuffer();
    if (display.backBuffer == nullptr) {
        return 0;
    }
    const int cell = display.screen.cellSize;
    const struct {
        std::unique_ptr<Surface>& owner;
        Surface*& surface;
        int width;
        int height;
    } offscreen[] = {
        {display.ownedBackground, display.background, BACKGROUND_SIDE, BACKGROUND_SIDE},
        {display.ownedTileSheet, display.tileSheet, 8 * cell, cell * cell},
        {display.ownedFps, display.fps, FPS_WIDTH, FPS_HEIGHT},
        {display.ownedGameOver, display.gameOver, GAME_OVER_WIDTH, GAME_OVER_HEIGHT},
    };
    for (const auto& s : offscreen) {
        if (backend.createOffscreenSurface(s.width, s.height, s.owner) != SURFACE_OK) {
            return 0;
        }
        s.surface = s.owner.get();
    }
    SetColorKeys(display);
    return 1;
}

void SetColorKeys(Display& display) {
    for (Surface* s : {display.background, display.fps, display.tileSheet, display.gameOver}) {
        if (s != nullptr) {
            s->setColorKey(0);
        }
    }
}

int ConfigureSurfaces(Display& display, const WellMaker& makeWell) {
    if (!LoadBitmapFile(*display.background, hostPath(BackgroundFileName).c_str())) {
        return 0;
    }
    ClearSurface(*display.fps);
    ClearSurface(*display.gameOver);
    paintTileSheet(display);
    return makeWell(display.screen) ? 1 : 0;
}

int LoadBitmapFile(Surface& surface, const char* fileName) {
    // The picture comes cut to the part StretchDIBits takes for the source rectangle
    // (0, 0, 256, 256); a smaller one is stretched to fill the surface.
    const std::optional<BackgroundPicture> picture = loadBackgroundPicture(fileName);
    if (!picture) {
        return 0;
    }
    if (ScopedDC dc(surface); dc) {
        dc->stretchDIBits(Rect{0, 0, BACKGROUND_SIDE, BACKGROUND_SIDE},
                          Rect{0, 0, picture->width, picture->height}, picture->dib());
    }
    return 1;
}

void RestoreSurfaces(Display& display) {
    if (display.primary == nullptr || !display.primary->isLost()) {
        return;
    }
    display.primary->restore();
    display.backBuffer->restore();
    if (display.background->isLost()) {
        display.background->restore();
        // Cleared first, so that a picture that can no longer be read leaves black, not junk.
        ClearSurface(*display.background);
        LoadBitmapFile(*display.background, hostPath(BackgroundFileName).c_str());
    }
    if (display.fps->isLost()) {
        display.fps->restore();
        ClearSurface(*display.fps);
    }
    if (display.tileSheet->isLost()) {
        // Nothing else would ever paint the blocks again.
        display.tileSheet->restore();
        ClearSurface(*display.tileSheet);
        paintTileSheet(display);
    }
    if (display.gameOver->isLost()) {
        // The banner redraws its text every frame it shows, but over whatever the surface holds.
        display.gameOver->restore();
        ClearSurface(*display.gameOver);
    }
    SetColorKeys(display);
}

int ClearSurface(Surface& surface) {
    LockedPixels locked;
    if (surface.lock(locked) < 0) {
        return 0;
    }
    std::memset(locked.bits, 0, static_cast<size_t>(locked.height) * locked.pitch);
    surface.unlock();
    return 1;
}

void ReleaseDisplay(Display& display) {
    if (!display.deviceCreated) {
        return;
    }
    display.ownedPrimary.reset();
    display.primary = nullptr;
    display.backBuffer = nullptr;
    display.ownedBackground.reset();
    display.background = nullptr;
    // The remaining surfaces end together with the display object.
    display.ownedTileSheet.reset();
    display.ownedFps.reset();
    display.ownedGameOver.reset();
    display.tileSheet = nullptr;
    display.fps = nullptr;
    display.gameOver = nullptr;
    display.backend->releaseDevice();
    display.deviceCreated = false;
}

void FatalDisplayError(Display& display, const char* stepName) {
    ReleaseDisplay(display);
    DisplayBackend& backend = *display.backend;
    backend.hideWindow();
    char text[256];
    std::snprintf(text, sizeof text, "Программа прервана\nОшибка в %s", stepName);
    backend.showMessageBox(text, "DirectDraw Application");
    backend.destroyWindow();
}

}  // namespace shardfall
