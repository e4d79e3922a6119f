#include "render/overlays.h"

#include <cstdio>
#include <cstring>

#include "game/board.h"
#include "game/game.h"
#include "platform/draw_context.h"
#include "platform/surface.h"
#include "render/display.h"
#include "scores/leaderboard.h"

namespace shardfall {

namespace {

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t GREY = 0x9B9B9B;
constexpr int BANNER_WIDTH = 270;
constexpr int BANNER_HEIGHT = 50;
constexpr int BANNER_FULL_ZOOM = 20;

}  // namespace

void DrawOverlays(Game& game, Surface& destination) {
    if (game.paused) {
        DrawCenteredText("Pause!", 80);
    }
    if (DrawContext* dc = destination.getDC()) {
        if (hasFlag(game.state, PLAYING)) {
            DrawScorePanel(*dc, *game.board);
        }
        if (hasFlag(game.state, SHOW_SCORES)) {
            LeaderboardStep(game.highScores, *dc, game.playerName.c_str());
        }
        destination.releaseDC(dc);
    }
    if (hasFlag(game.state, GAME_OVER)) {
        DrawGameOverText();
        const int z = game.bannerZoom;
        if (z < BANNER_FULL_ZOOM) {
            game.bannerZoom = z + 1;
        }
        const int cx = (ScreenWidth - BANNER_WIDTH) / 2;
        const int cy = (ScreenHeight - BANNER_HEIGHT) / 2;
        // Until the zoom reaches -24 the rectangle has no height, and the copy draws nothing.
        const Rect banner{cx - z, cy - z, cx + BANNER_WIDTH + z, cy + BANNER_HEIGHT + z};
        destination.blt(banner, *GameOverSurface, nullptr, BLT_ROP | BLT_KEYSRC);
    }
}

void DrawScorePanel(DrawContext& dc, const Board& board) {
    const int h = static_cast<int>(board.cellSize * 1.2);
    const int w = h / 2;
    Font* font = dc.createFont(h, w, FF_MODERN | FIXED_PITCH);
    Font* previous = dc.selectFont(font);
    dc.setTextColor(WHITE);
    dc.setBkMode(TRANSPARENT);
    const int x = ScreenWidth - 14 * w;
    char text[48];
    int length = std::snprintf(text, sizeof text, "SCORE %i", board.score);
    dc.textOut(x, 0, text, length);
    length = std::snprintf(text, sizeof text, "LINES %i", board.lines);
    dc.textOut(x, h, text, length);
    const int s = static_cast<int>(board.elapsedSeconds);
    length = std::snprintf(text, sizeof text, "TIME %02i:%02i", s / 60, s % 60);
    dc.textOut(x, 2 * h, text, length);
    dc.selectFont(previous);
    dc.deleteFont(font);
}

void DrawGameOverText() {
    DrawContext* dc = GameOverSurface->getDC();
    if (dc == nullptr) {
        return;
    }
    Font* font = dc->createFont(50, 27, FF_MODERN | FIXED_PITCH);
    Font* previous = dc->selectFont(font);
    dc->setTextColor(GREY);
    dc->setBkMode(TRANSPARENT);
    dc->textOut(0, 0, "Game Over", 9);
    dc->selectFont(previous);
    dc->deleteFont(font);
    GameOverSurface->releaseDC(dc);
}

void DrawCenteredText(const char* text, int size) {
    DrawContext* dc = BackBuffer->getDC();
    if (dc == nullptr) {
        return;
    }
    Font* font = dc->createFont(size, size / 2, FF_MODERN | FIXED_PITCH);
    Font* previous = dc->selectFont(font);
    dc->setTextColor(WHITE);
    dc->setBkMode(TRANSPARENT);
    dc->drawText(text, static_cast<int>(std::strlen(text)), Rect{0, 0, ScreenWidth, ScreenHeight},
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    dc->selectFont(previous);
    dc->deleteFont(font);
    BackBuffer->releaseDC(dc);
}

}  // namespace shardfall
