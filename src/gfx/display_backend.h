// Where the screen and the window come from: the part of the display start that differs
// between the SDL window, a headless screen for tests, and a native DirectDraw build.
#pragma once

#include <memory>

#include "gfx/surface.h"

namespace shardfall {

class DisplayBackend {
  public:
    virtual ~DisplayBackend() = default;

    // DirectDrawCreateEx, then SetCooperativeLevel for exclusive full screen.
    // Nonzero results are failures.
    virtual SurfaceResult createDevice() = 0;
    virtual SurfaceResult takeScreen() = 0;

    // The desktop's size in pixels (GetSystemMetrics).
    virtual int screenWidth() const = 0;
    virtual int screenHeight() const = 0;

    // The flipping primary of screen size with one attached back buffer.
    virtual SurfaceResult createPrimarySurface(std::unique_ptr<Surface>& out) = 0;
    // An off-screen surface in the primary's pixel format.
    virtual SurfaceResult createOffscreenSurface(int width, int height,
                                                 std::unique_ptr<Surface>& out) = 0;

    // Release of the display object made by createDevice: every surface is gone by then.
    virtual void releaseDevice() {}

    // The window side of a failed start: hide it, show a modal box, destroy it.
    // A null caption means the system's default caption.
    virtual void hideWindow() = 0;
    virtual void showMessageBox(const char* text, const char* caption) = 0;
    virtual void destroyWindow() = 0;
};

}  // namespace shardfall
