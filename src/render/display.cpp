#include "render/display.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "game/board.h"
#include "game/game.h"
#include "platform/atomic_file.h"
#include "platform/display_backend.h"
#include "platform/draw_context.h"
#include "platform/surface.h"
#include "render/bitmap_file.h"
#include "render/tile_sheet.h"

namespace shardfall {

int ScreenWidth = 1024;
int ScreenHeight = 768;
int CellSize = 38;

Surface* PrimarySurface = nullptr;
Surface* BackBuffer = nullptr;
Surface* BackgroundSurface = nullptr;
Surface* TileSheet = nullptr;
Surface* FpsSurface = nullptr;
Surface* GameOverSurface = nullptr;

const char* const BackgroundFileName = "dx000.bmp";

namespace {

constexpr int BACKGROUND_SIDE = 256;
constexpr int FPS_WIDTH = 60;
constexpr int FPS_HEIGHT = 40;
constexpr int GAME_OVER_WIDTH = 270;
constexpr int GAME_OVER_HEIGHT = 50;

// What the display owns. The surfaces behind the global pointers live here; the Board lives
// until the program ends, as the Game and the table keep pointing at it.
struct DisplayDevice {
    DisplayBackend* backend = nullptr;
    bool deviceCreated = false;
    std::unique_ptr<Surface> primary;
    std::unique_ptr<Surface> background;
    std::unique_ptr<Surface> tileSheet;
    std::unique_ptr<Surface> fps;
    std::unique_ptr<Surface> gameOver;
    std::unique_ptr<Board> board;
};

DisplayDevice display;

void paintTileSheet() {
    if (DrawContext* dc = TileSheet->getDC()) {
        PaintTileSheet(*dc);
        TileSheet->releaseDC(dc);
    }
}

}  // namespace

int InitDisplay(DisplayBackend& backend, Game& game) {
    display.backend = &backend;
    PrimarySurface = nullptr;
    BackBuffer = nullptr;
    BackgroundSurface = nullptr;

    if (backend.createDevice() != SURFACE_OK) {
        FatalDisplayError("DirectDrawCreate");
        return 0;
    }
    display.deviceCreated = true;
    if (backend.takeScreen() != SURFACE_OK) {
        FatalDisplayError("SetCooperativeLevel");
        return 0;
    }
    ScreenWidth = backend.screenWidth();
    ScreenHeight = backend.screenHeight();
    CellSize = ScreenHeight / 21;
    if (!CreateSurfaces()) {
        FatalDisplayError("CreateSurfaces");
        return 0;
    }
    if (!ConfigureSurfaces(game)) {
        FatalDisplayError("ConfigureSurfaces");
        return 0;
    }
    return 1;
}

int CreateSurfaces() {
    DisplayBackend& backend = *display.backend;
    const SurfaceResult primaryResult = backend.createPrimarySurface(display.primary);
    if (primaryResult != SURFACE_OK) {
        // The code as the platform's "%lx" shows a 32-bit HRESULT: eight hex digits at most.
        char code[16];
        std::snprintf(code, sizeof code, "%lx",
                      static_cast<unsigned long>(static_cast<uint32_t>(primaryResult)));
        backend.showMessageBox(code, nullptr);
        return 0;
    }
    PrimarySurface = display.primary.get();
    BackBuffer = PrimarySurface->attachedBackBuffer();
    if (BackBuffer == nullptr) {
        return 0;
    }
    const struct {
        std::unique_ptr<Surface>& owner;
        Surface*& global;
        int width;
        int height;
    } offscreen[] = {
        {display.background, BackgroundSurface, BACKGROUND_SIDE, BACKGROUND_SIDE},
        {display.tileSheet, TileSheet, 8 * CellSize, CellSize * CellSize},
        {display.fps, FpsSurface, FPS_WIDTH, FPS_HEIGHT},
        {display.gameOver, GameOverSurface, GAME_OVER_WIDTH, GAME_OVER_HEIGHT},
    };
    for (const auto& s : offscreen) {
        if (backend.createOffscreenSurface(s.width, s.height, s.owner) != SURFACE_OK) {
            return 0;
        }
        s.global = s.owner.get();
    }
    SetColorKeys();
    return 1;
}

void SetColorKeys() {
    for (Surface* s : {BackgroundSurface, FpsSurface, TileSheet, GameOverSurface}) {
        if (s != nullptr) {
            s->setColorKey(0);
        }
    }
}

int ConfigureSurfaces(Game& game) {
    if (!LoadBitmapFile(*BackgroundSurface, BackgroundFileName)) {
        return 0;
    }
    ClearSurface(*FpsSurface);
    ClearSurface(*GameOverSurface);
    paintTileSheet();
    try {
        display.board = std::make_unique<Board>(10, 20, TileSheet);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    game.board = display.board.get();
    game.highScores.board = display.board.get();
    return 1;
}

int LoadBitmapFile(Surface& surface, const char* fileName) {
    // The picture comes cut to the part StretchDIBits takes for the source rectangle
    // (0, 0, 256, 256); a smaller one is stretched to fill the surface.
    const std::optional<BackgroundPicture> picture = LoadBackgroundPicture(fileName);
    if (!picture) {
        return 0;
    }
    if (DrawContext* dc = surface.getDC()) {
        dc->stretchDIBits(Rect{0, 0, BACKGROUND_SIDE, BACKGROUND_SIDE},
                          Rect{0, 0, picture->width, picture->height}, picture->dib());
        surface.releaseDC(dc);
    }
    return 1;
}

void RestoreSurfaces() {
    if (PrimarySurface == nullptr || !PrimarySurface->isLost()) {
        return;
    }
    PrimarySurface->restore();
    BackBuffer->restore();
    if (BackgroundSurface->isLost()) {
        BackgroundSurface->restore();
        // Cleared first, so that a picture that can no longer be read leaves black, not junk.
        ClearSurface(*BackgroundSurface);
        LoadBitmapFile(*BackgroundSurface, BackgroundFileName);
    }
    if (FpsSurface->isLost()) {
        FpsSurface->restore();
        ClearSurface(*FpsSurface);
    }
    if (TileSheet->isLost()) {
        // Nothing else would ever paint the blocks again.
        TileSheet->restore();
        ClearSurface(*TileSheet);
        paintTileSheet();
    }
    if (GameOverSurface->isLost()) {
        // The banner redraws its text every frame it shows, but over whatever the surface holds.
        GameOverSurface->restore();
        ClearSurface(*GameOverSurface);
    }
    SetColorKeys();
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

void ReleaseDisplay() {
    if (!display.deviceCreated) {
        return;
    }
    display.primary.reset();
    PrimarySurface = nullptr;
    BackBuffer = nullptr;
    display.background.reset();
    BackgroundSurface = nullptr;
    // The remaining surfaces end together with the display object.
    display.tileSheet.reset();
    display.fps.reset();
    display.gameOver.reset();
    TileSheet = nullptr;
    FpsSurface = nullptr;
    GameOverSurface = nullptr;
    display.backend->releaseDevice();
    display.deviceCreated = false;
}

void FatalDisplayError(const char* stepName) {
    ReleaseDisplay();
    DisplayBackend& backend = *display.backend;
    backend.hideWindow();
    char text[256];
    std::snprintf(text, sizeof text, "Программа прервана\nОшибка в %s", stepName);
    backend.showMessageBox(text, "DirectDraw Application");
    backend.destroyWindow();
}

Board* DisplayBoard() {
    return display.board.get();
}

}  // namespace shardfall
