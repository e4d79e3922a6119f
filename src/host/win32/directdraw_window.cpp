#include "host/win32/directdraw_window.h"

#include "gfx/letterbox.h"

namespace shardfall {

namespace {

// The rectangle in the area whose top-left corner is on the screen at origin.
RECT onScreen(const Rect& r, POINT origin) {
    return RECT{origin.x + r.left, origin.y + r.top, origin.x + r.right, origin.y + r.bottom};
}

}  // namespace

HRESULT WindowPresenter::present(IDirectDrawSurface7* frame, int width, int height) {
    frame_ = frame;
    width_ = width;
    height_ = height;
    RECT client{};
    GetClientRect(window_, &client);
    const Letterbox box = letterbox(width, height, client.right, client.bottom);
    if (box.frame.width() <= 0 || box.frame.height() <= 0) {
        return DDERR_GENERIC;
    }
    // The primary is the whole desktop: the client area is found in screen coordinates, and
    // the clipper keeps every copy inside what shows of the window.
    POINT origin{0, 0};
    ClientToScreen(window_, &origin);
    DDBLTFX black{};
    black.dwSize = sizeof black;
    black.dwFillColor = 0;
    for (const Rect& bar : box.bars) {
        if (bar.width() > 0 && bar.height() > 0) {
            RECT area = onScreen(bar, origin);
            primary_->Blt(&area, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &black);
        }
    }
    RECT area = onScreen(box.frame, origin);
    return primary_->Blt(&area, frame, nullptr, DDBLT_WAIT, nullptr);
}

bool WindowPresenter::repaint() {
    return frame_ != nullptr && present(frame_, width_, height_) == DD_OK;
}

}  // namespace shardfall
