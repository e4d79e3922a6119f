// A started display for tests: a fresh working folder holding a generated dx000.bmp, a Game,
// and a headless screen whose surfaces record what is drawn, released afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "game/game.h"
#include "platform/surface.h"
#include "render/display.h"
#include "render/frame.h"
#include "support/bitmap_bytes.h"
#include "support/draw_log.h"
#include "support/game_harness.h"
#include "support/recording_audio_device.h"

namespace shardfall::testing {

// A millisecond clock for the FPS counter that a test moves by hand.
inline uint32_t fakeMilliseconds = 0;
inline uint32_t readFakeMilliseconds() {
    return fakeMilliseconds;
}

class DisplayFixture {
  public:
    explicit DisplayFixture(int width = 1024, int height = 768) : backend(width, height) {
        writeFile("dx000.bmp", makeBitmap(256, 256, 32, gradientPixel));
        fakeMilliseconds = 0;
        display.fpsCounter = FpsCounter(readFakeMilliseconds);
    }
    ~DisplayFixture() { ReleaseDisplay(display); }
    DisplayFixture(const DisplayFixture&) = delete;
    DisplayFixture& operator=(const DisplayFixture&) = delete;

    int start() { return InitDisplay(display, backend, *game); }

    // One frame, with the clock moved on by a 10 ms tick before it.
    void frame() {
        fakeMilliseconds += 10;
        RunTick(display, *game);
    }
    void frames(int count) {
        for (int i = 0; i < count; ++i) {
            frame();
        }
    }

    // What is on the screen: the front buffer after the last flip.
    SoftwareSurface& screen() { return *backend.primary(); }
    static SoftwareSurface& software(Surface* surface) {
        return static_cast<LoggingSurface&>(*surface).software();
    }

    TempFolder folder;
    RecordingAudioDevice audio;
    std::unique_ptr<Game> game = std::make_unique<Game>();
    LoggingDisplayBackend backend;
    Display display;
};

// True when every pixel of the surface is 0.
inline bool allBlack(const SoftwareSurface& s) {
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) != 0) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace shardfall::testing
