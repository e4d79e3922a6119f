// Surfaces on DirectDraw 7: every Surface operation is one call of IDirectDrawSurface7, and the
// drawing context is GDI on the surface's device context. The game's flag values are
// DirectDraw's own, so they are passed through as they are.
#pragma once

#include <windows.h>
// After windows.h, whose types it uses.
#include <ddraw.h>

#include <array>
#include <cstdint>
#include <memory>

#include "gfx/draw_context.h"
#include "gfx/surface.h"
#include "host/win32/directdraw_window.h"
#include "host/win32/win32_platform.h"

namespace shardfall {

// A Font as GDI holds it.
struct GdiFont : Font {
    HFONT handle = nullptr;
};

// GDI on a surface's device context, for the time between GetDC and ReleaseDC. Fonts are
// created, used and deleted within one drawing call, so a few slots hold every live one and
// nothing is allocated while the game runs.
class GdiDrawContext final : public DrawContext {
  public:
    // Starts drawing on the device context; the font selected now is the one to give back.
    void attach(HDC dc);
    HDC detach();
    HDC handle() const { return dc_; }

    void fillRect(const Rect& rect, uint32_t colorRef) override;
    Font* createFont(int height, int width, FontFamily family) override;
    Font* selectFont(Font* font) override;
    void deleteFont(Font* font) override;
    uint32_t setTextColor(uint32_t colorRef) override;
    BackgroundMode setBkMode(BackgroundMode mode) override;
    bool textOut(int x, int y, const char* text, int length) override;
    int drawText(const char* text, int length, const Rect& rect, TextFormat format) override;
    int stretchDIBits(const Rect& dst, const Rect& src, const DibPicture& picture) override;

  private:
    HDC dc_ = nullptr;
    // The device context's own font, as it was before any select.
    GdiFont original_;
    GdiFont* selected_ = &original_;
    std::array<GdiFont, 4> fonts_{};
};

class DirectDrawSurface final : public Surface {
  public:
    // Takes over one reference to the surface.
    DirectDrawSurface(IDirectDrawSurface7* surface, int width, int height);
    // A flipping primary: its attached back buffer is fetched here; flips are counted into
    // stats when given.
    static std::unique_ptr<DirectDrawSurface> primary(IDirectDrawSurface7* surface, int width,
                                                      int height, FlipStats* stats);
    // The game's screen in a window: the shown frame and the one composed next are off-screen
    // surfaces of the same size, and a flip swaps them as a flipping chain does, then shows the
    // new front one in the window.
    static std::unique_ptr<DirectDrawSurface> windowed(IDirectDrawSurface7* front,
                                                       IDirectDrawSurface7* back, int width,
                                                       int height, WindowPresenter* presenter,
                                                       FlipStats* stats);
    ~DirectDrawSurface() override;
    DirectDrawSurface(const DirectDrawSurface&) = delete;
    DirectDrawSurface& operator=(const DirectDrawSurface&) = delete;

    int width() const override { return width_; }
    int height() const override { return height_; }
    SurfaceResult setColorKey(uint32_t key) override;
    SurfaceResult bltFast(int x, int y, Surface& src, const Rect& srcRect, uint32_t flags) override;
    SurfaceResult blt(const Rect& dstRect, Surface& src, const Rect* srcRect,
                      uint32_t flags) override;
    SurfaceResult lock(LockedPixels& out) override;
    SurfaceResult unlock() override;
    DrawContext* getDC() override;
    void releaseDC(DrawContext* dc) override;
    bool isLost() const override;
    SurfaceResult restore() override;
    Surface* attachedBackBuffer() override { return backBuffer_.get(); }
    SurfaceResult flip(uint32_t flags) override;

  private:
    HRESULT show(uint32_t flags);

    IDirectDrawSurface7* surface_;
    int width_;
    int height_;
    GdiDrawContext dc_;
    std::unique_ptr<DirectDrawSurface> backBuffer_;
    FlipStats* flipStats_ = nullptr;
    WindowPresenter* presenter_ = nullptr;
};

}  // namespace shardfall
