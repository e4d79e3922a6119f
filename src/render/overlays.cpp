#include "render/overlays.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "game/board.h"
#include "game/game.h"
#include "gfx/scoped_draw.h"
#include "render/display.h"
#include "render/leaderboard.h"

namespace shardfall {

namespace {

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t GREY = 0x9B9B9B;
constexpr int BANNER_WIDTH = 270;
constexpr int BANNER_HEIGHT = 50;
constexpr FontFamily MODERN_FIXED = FontFamily::Modern | FontFamily::FixedPitch;

}  // namespace

void DrawOverlays(Display& display, const Game& game) {
    if (game.paused) {
        DrawCenteredText(display, "Pause!", 80);
    }
    if (ScopedDC dc(*display.backBuffer); dc) {
        if (hasFlag(game.state, PLAYING)) {
            drawScorePanel(*dc, *game.board, display.screen.width);
        }
        if (hasFlag(game.state, SHOW_SCORES)) {
            drawLeaderboard(*dc, game);
        }
    }
    if (hasFlag(game.state, GAME_OVER)) {
        DrawGameOverText(display);
        drawGameOverBanner(display, game.bannerZoomShown);
    }
}

int scorePanelX(const Board& board, int screenWidth) {
    const int w = static_cast<int>(board.cellSize * 1.2) / 2;
    // The well stands centred (Game::placeWell, leaving out the shake's jitter) with a wall half
    // a cell wide on either side.
    const int wallRight =
        (screenWidth - board.pixelWidth()) / 2 + board.pixelWidth() + board.cellSize / 2;
    return std::max(screenWidth - 14 * w, wallRight);
}

void drawScorePanel(DrawContext& dc, const Board& board, int screenWidth) {
    const int h = static_cast<int>(board.cellSize * 1.2);
    const int w = h / 2;
    const ScopedFont font(dc, h, w, MODERN_FIXED);
    dc.setTextColor(WHITE);
    dc.setBkMode(BackgroundMode::Transparent);
    const int x = scorePanelX(board, screenWidth);
    char text[48];
    int length = std::snprintf(text, sizeof text, "SCORE %i", board.score);
    dc.textOut(x, 0, text, length);
    length = std::snprintf(text, sizeof text, "LINES %i", board.lines);
    dc.textOut(x, h, text, length);
    const int s = static_cast<int>(board.elapsedSeconds);
    length = std::snprintf(text, sizeof text, "TIME %02i:%02i", s / 60, s % 60);
    dc.textOut(x, 2 * h, text, length);
}

void DrawGameOverText(Display& display) {
    const ScopedDC dc(*display.gameOver);
    if (!dc) {
        return;
    }
    const ScopedFont font(*dc, 50, 27, MODERN_FIXED);
    dc->setTextColor(GREY);
    dc->setBkMode(BackgroundMode::Transparent);
    dc->textOut(0, 0, "Game Over", 9);
}

void drawGameOverBanner(Display& display, int zoom) {
    const int cx = (display.screen.width - BANNER_WIDTH) / 2;
    const int cy = (display.screen.height - BANNER_HEIGHT) / 2;
    // Until the zoom reaches -24 the rectangle has no height, and the copy draws nothing.
    const Rect banner{cx - zoom, cy - zoom, cx + BANNER_WIDTH + zoom, cy + BANNER_HEIGHT + zoom};
    display.backBuffer->blt(banner, *display.gameOver, nullptr, BLT_ROP | BLT_KEYSRC);
}

void DrawCenteredText(Display& display, const char* text, int size) {
    const ScopedDC dc(*display.backBuffer);
    if (!dc) {
        return;
    }
    const ScopedFont font(*dc, size, size / 2, MODERN_FIXED);
    dc->setTextColor(WHITE);
    dc->setBkMode(BackgroundMode::Transparent);
    dc->drawText(text, static_cast<int>(std::strlen(text)),
                 Rect{0, 0, display.screen.width, display.screen.height},
                 TextFormat::Center | TextFormat::VCenter | TextFormat::SingleLine);
}

}  // namespace shardfall
