// The screen on DirectDraw 7: the display object in exclusive full-screen mode on the game's
// window, at the desktop's own resolution, with a flipping primary surface and off-screen
// surfaces in its pixel format; or, for a game in a window, in normal mode with the frames shown
// in the window (host/win32/directdraw_window.h); and the window side of a failed start (the
// message box).
#pragma once

#include <windows.h>
// After windows.h, whose types it uses.
#include <ddraw.h>

#include <memory>

#include "gfx/display_backend.h"
#include "host/win32/directdraw_window.h"
#include "host/win32/win32_platform.h"

namespace shardfall {

class DirectDrawBackend final : public DisplayBackend {
  public:
    // In a window, the game is laid out for the client area's size when it takes the screen.
    DirectDrawBackend(HWND window, bool windowed) : window_(window), windowed_(windowed) {}
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
    bool windowed() const { return windowed_; }
    // In a window: shows the last frame again; false when there is none yet.
    bool repaint() { return presenter_ != nullptr && presenter_->repaint(); }

  private:
    SurfaceResult createWindowedPrimary(std::unique_ptr<Surface>& out);
    HRESULT createOffscreen(int width, int height, IDirectDrawSurface7*& out);

    HWND window_;
    bool windowed_;
    int windowWidth_ = 0;
    int windowHeight_ = 0;
    IDirectDraw7* directDraw_ = nullptr;
    std::unique_ptr<WindowPresenter> presenter_;
    FlipStats flipStats_;
};

}  // namespace shardfall
