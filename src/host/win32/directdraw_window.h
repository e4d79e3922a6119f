// The game in a window of the desktop: DirectDraw in normal cooperative mode shares the
// desktop's primary surface, clipped to the game's window. Frames are composed off screen as in
// full screen, and each flip shows the new one in the window's client area, at its own size
// while the window keeps the size it started with, and scaled with its aspect kept between
// black bars once the player resizes it.
#pragma once

#include <windows.h>
// After windows.h, whose types it uses.
#include <ddraw.h>

namespace shardfall {

class WindowPresenter {
  public:
    // Takes over one reference to the primary surface, which has the window's clipper.
    WindowPresenter(HWND window, IDirectDrawSurface7* primary)
        : window_(window), primary_(primary) {}
    ~WindowPresenter() { primary_->Release(); }
    WindowPresenter(const WindowPresenter&) = delete;
    WindowPresenter& operator=(const WindowPresenter&) = delete;

    // Shows the frame in the client area and keeps it for repaint until forgetFrame. A
    // minimised window shows nothing: DDERR_GENERIC.
    HRESULT present(IDirectDrawSurface7* frame, int width, int height);
    // The window was uncovered or resized: the last frame again, with its bars. False before
    // the first frame or after forgetFrame.
    bool repaint();
    // The frame's surface is going away.
    void forgetFrame() { frame_ = nullptr; }

    bool isLost() const { return primary_->IsLost() != DD_OK; }
    HRESULT restore() { return primary_->Restore(); }

  private:
    HWND window_;
    IDirectDrawSurface7* primary_;
    IDirectDrawSurface7* frame_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace shardfall
