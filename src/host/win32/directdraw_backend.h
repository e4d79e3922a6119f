// The screen on DirectDraw 7: the display object in exclusive full-screen mode on the game's
// window, at the desktop's own resolution, with a flipping primary surface and off-screen
// surfaces in its pixel format; and the window side of a failed start (the message box).
#pragma once

#include <windows.h>
// After windows.h, whose types it uses.
#include <ddraw.h>

#include <memory>

#include "gfx/display_backend.h"
#include "host/win32/win32_platform.h"

namespace shardfall {

class DirectDrawBackend final : public DisplayBackend {
  public:
    explicit DirectDrawBackend(HWND window) : window_(window) {}
    ~DirectDrawBackend() override { releaseDevice(); }
    DirectDrawBackend(const DirectDrawBackend&) = delete;
    DirectDrawBackend& operator=(const DirectDrawBackend&) = delete;

    SurfaceResult createDevice() override;
    SurfaceResult takeScreen() override;
    int screenWidth() const override;
    int screenHeight() const override;
    // The game draws 0x00RRGGBB pixels, so a desktop in any other format is refused here,
    // with a line on stderr that says what it is.
    SurfaceResult createPrimarySurface(std::unique_ptr<Surface>& out) override;
    SurfaceResult createOffscreenSurface(int width, int height,
                                         std::unique_ptr<Surface>& out) override;
    void releaseDevice() override;
    void hideWindow() override;
    // The box shows the text in any code page; the text also goes to stderr, for whoever
    // started the game from a console.
    void showMessageBox(const char* text, const char* caption) override;
    void destroyWindow() override;

    const FlipStats& flipStats() const { return flipStats_; }

  private:
    HWND window_;
    IDirectDraw7* directDraw_ = nullptr;
    FlipStats flipStats_;
};

}  // namespace shardfall
