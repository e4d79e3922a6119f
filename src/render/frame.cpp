#include "render/frame.h"

#include <chrono>
#include <cstdio>

#include "game/game.h"
#include "platform/draw_context.h"
#include "platform/surface.h"
#include "render/display.h"

namespace shardfall {

namespace {

constexpr uint32_t GREY = 0x9B9B9B;
constexpr int FPS_FRAMES = 20;

struct FpsCounter {
    MillisecondClock clock = SystemMilliseconds;
    bool started = false;
    int frames = 0;
    // Clock intervals between the two times of the current measurement: the first one starts
    // at the first frame itself, so it spans one interval fewer than its frames.
    int intervals = FPS_FRAMES - 1;
    uint32_t lastTime = 0;
    uint32_t previousTime = 0;
    int value = 0;
};

FpsCounter fps;

}  // namespace

uint32_t SystemMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ResetFpsCounter(MillisecondClock clock) {
    fps = FpsCounter{.clock = clock};
}

void RenderFrame(Game& game) {
    RestoreSurfaces();
    const Rect screen{0, 0, ScreenWidth, ScreenHeight};
    const Rect picture{0, 0, 256, 256};
    BackBuffer->blt(screen, *BackgroundSurface, &picture, BLT_ROP);
    DrawCreditLine();
    game.runFrame(*BackBuffer);
    if (!firstFrameDone) {
        applyFirstFrameOverride(game);
    }
    UpdateFpsCounter();
    BackBuffer->bltFast((ScreenWidth - 60) / 2, 20, *FpsSurface, Rect{0, 0, 60, 40},
                        BLTFAST_SRCCOLORKEY | BLTFAST_WAIT);
    PrimarySurface->flip(FLIP_NOVSYNC_DONOTWAIT);
}

void DrawCreditLine() {
    DrawContext* dc = BackBuffer->getDC();
    if (dc == nullptr) {
        return;
    }
    Font* font = dc->createFont(16, 8, FF_MODERN);
    Font* previous = dc->selectFont(font);
    dc->setTextColor(GREY);
    dc->setBkMode(TRANSPARENT);
    dc->textOut(ScreenWidth - (8 * CREDIT_LINE_LENGTH + 8), ScreenHeight - 16, CreditLine,
                CREDIT_LINE_LENGTH);
    dc->selectFont(previous);
    dc->deleteFont(font);
    BackBuffer->releaseDC(dc);
}

void UpdateFpsCounter() {
    if (!fps.started) {
        // Measuring from time 0 of the clock would show a rate near 0 for the first update.
        fps.started = true;
        fps.lastTime = fps.clock();
    }
    if (++fps.frames != FPS_FRAMES) {
        return;
    }
    fps.previousTime = fps.lastTime;
    fps.lastTime = fps.clock();
    // Unsigned, so a wrap of the clock still gives the right difference. A clock that has not
    // moved at all is taken as one millisecond rather than dividing by zero.
    uint32_t elapsed = fps.lastTime - fps.previousTime;
    if (elapsed == 0) {
        elapsed = 1;
    }
    fps.value = static_cast<int>(fps.intervals / (elapsed * 0.001));
    fps.intervals = FPS_FRAMES;
    fps.frames = 0;

    char text[32];
    const int length = std::snprintf(text, sizeof text, "%d FPS", fps.value);
    ClearSurface(*FpsSurface);
    DrawContext* dc = FpsSurface->getDC();
    if (dc == nullptr) {
        return;
    }
    dc->setTextColor(GREY);
    dc->setBkMode(TRANSPARENT);
    dc->textOut(0, 0, text, length);
    FpsSurface->releaseDC(dc);
}

}  // namespace shardfall
