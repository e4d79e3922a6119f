#include "render/frame.h"

#include <cstdio>

#include "game/game.h"
#include "gfx/scoped_draw.h"
#include "render/display.h"
#include "render/overlays.h"
#include "render/well_drawing.h"

namespace shardfall {

namespace {
constexpr uint32_t GREY = 0x9B9B9B;
}  // namespace

void drawGame(Display& display, const Game& game) {
    if (game.board == nullptr) {
        return;
    }
    if (hasFlag(game.state, PLAYING)) {
        const BlockCanvas canvas{*display.backBuffer, *display.tileSheet};
        drawWell(*game.board, canvas);
        drawDebris(game.particles, game.liveParticleCount, game.board->cellSize, canvas);
    }
    DrawOverlays(display, game);
}

void RenderFrame(Display& display, const Game& game) {
    RestoreSurfaces(display);
    const Rect screen{0, 0, display.screen.width, display.screen.height};
    const Rect picture{0, 0, 256, 256};
    display.backBuffer->blt(screen, *display.background, &picture, BLT_ROP);
    DrawCreditLine(display);
    drawGame(display, game);
    UpdateFpsCounter(display);
    display.backBuffer->bltFast((display.screen.width - 60) / 2, 20, *display.fps,
                                Rect{0, 0, 60, 40}, BLTFAST_SRCCOLORKEY | BLTFAST_WAIT);
    display.primary->flip(FLIP_NOVSYNC_DONOTWAIT);
}

void DrawCreditLine(Display& display) {
    const ScopedDC dc(*display.backBuffer);
    if (!dc) {
        return;
    }
    const ScopedFont font(*dc, 16, 8, FontFamily::Modern);
    dc->setTextColor(GREY);
    dc->setBkMode(BackgroundMode::Transparent);
    dc->textOut(display.screen.width - (8 * CREDIT_LINE_LENGTH + 8), display.screen.height - 16,
                CreditLine, CREDIT_LINE_LENGTH);
}

void UpdateFpsCounter(Display& display) {
    if (!display.fpsCounter.countFrame()) {
        return;
    }
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%d FPS", display.fpsCounter.value());
    ClearSurface(*display.fps);
    const ScopedDC dc(*display.fps);
    if (!dc) {
        return;
    }
    dc->setTextColor(GREY);
    dc->setBkMode(BackgroundMode::Transparent);
    dc->textOut(0, 0, text, length);
}

}  // namespace shardfall
