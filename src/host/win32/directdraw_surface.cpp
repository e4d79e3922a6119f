#include "host/win32/directdraw_surface.h"

#include <utility>

namespace shardfall {

namespace {

RECT toRect(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

SurfaceResult resultOf(HRESULT hr) {
    return static_cast<SurfaceResult>(hr);
}

}  // namespace

void GdiDrawContext::attach(HDC dc) {
    dc_ = dc;
    original_.handle = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    selected_ = &original_;
}

HDC GdiDrawContext::detach() {
    HDC dc = dc_;
    dc_ = nullptr;
    return dc;
}

void GdiDrawContext::fillRect(const Rect& rect, uint32_t colorRef) {
    const RECT area = toRect(rect);
    HBRUSH brush = CreateSolidBrush(colorRef);
    FillRect(dc_, &area, brush);
    DeleteObject(brush);
}

Font* GdiDrawContext::createFont(int height, int width, FontFamily family) {
    for (GdiFont& slot : fonts_) {
        if (slot.handle != nullptr) {
            continue;
        }
        // No face name: GDI picks a face of the asked pitch and family, as the game wants.
        slot.handle = CreateFontA(height, width, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                                  ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  DEFAULT_QUALITY, static_cast<DWORD>(family), nullptr);
        if (slot.handle == nullptr) {
            return nullptr;
        }
        slot.height = height;
        slot.width = width;
        slot.family = family;
        return &slot;
    }
    return nullptr;
}

Font* GdiDrawContext::selectFont(Font* font) {
    auto* gdiFont = static_cast<GdiFont*>(font);
    // A font that could not be made leaves the selection as it is.
    if (gdiFont == nullptr || gdiFont->handle == nullptr) {
        return selected_;
    }
    SelectObject(dc_, gdiFont->handle);
    Font* previous = selected_;
    selected_ = gdiFont;
    return previous;
}

void GdiDrawContext::deleteFont(Font* font) {
    auto* gdiFont = static_cast<GdiFont*>(font);
    if (gdiFont == nullptr || gdiFont == &original_ || gdiFont->handle == nullptr) {
        return;
    }
    DeleteObject(gdiFont->handle);
    gdiFont->handle = nullptr;
}

uint32_t GdiDrawContext::setTextColor(uint32_t colorRef) {
    return static_cast<uint32_t>(SetTextColor(dc_, colorRef));
}

BackgroundMode GdiDrawContext::setBkMode(BackgroundMode mode) {
    return static_cast<BackgroundMode>(SetBkMode(dc_, static_cast<int>(mode)));
}

bool GdiDrawContext::textOut(int x, int y, const char* text, int length) {
    return TextOutA(dc_, x, y, text, length) != 0;
}

int GdiDrawContext::drawText(const char* text, int length, const Rect& rect, TextFormat format) {
    RECT area = toRect(rect);
    return DrawTextA(dc_, text, length, &area, static_cast<UINT>(format));
}

int GdiDrawContext::stretchDIBits(const Rect& dst, const Rect& src, const DibPicture& picture) {
    if (!dibIsReadable(picture)) {
        return 0;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(picture.bitCount);
    info.bmiHeader.biCompression = BI_RGB;
    // GDI counts the source rectangle from the picture's first stored row: the bottom one when
    // the rows are stored bottom-up.
    const int sourceY = picture.height > 0 ? picture.height - src.bottom : src.top;
    const int rows =
        StretchDIBits(dc_, dst.left, dst.top, dst.width(), dst.height(), src.left, sourceY,
                      src.width(), src.height(), picture.bits, &info, DIB_RGB_COLORS, SRCCOPY);
    return rows == static_cast<int>(GDI_ERROR) ? 0 : rows;
}

DirectDrawSurface::DirectDrawSurface(IDirectDrawSurface7* surface, int width, int height)
    : surface_(surface), width_(width), height_(height) {}

std::unique_ptr<DirectDrawSurface> DirectDrawSurface::primary(IDirectDrawSurface7* surface,
                                                              int width, int height,
                                                              FlipStats* stats) {
    auto primary = std::make_unique<DirectDrawSurface>(surface, width, height);
    primary->flipStats_ = stats;
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    IDirectDrawSurface7* back = nullptr;
    if (surface->GetAttachedSurface(&caps, &back) == DD_OK) {
        primary->backBuffer_ = std::make_unique<DirectDrawSurface>(back, width, height);
    }
    return primary;
}

std::unique_ptr<DirectDrawSurface> DirectDrawSurface::windowed(IDirectDrawSurface7* front,
                                                               IDirectDrawSurface7* back, int width,
                                                               int height,
                                                               WindowPresenter* presenter,
                                                               FlipStats* stats) {
    auto shown = std::make_unique<DirectDrawSurface>(front, width, height);
    shown->flipStats_ = stats;
    shown->presenter_ = presenter;
    shown->backBuffer_ = std::make_unique<DirectDrawSurface>(back, width, height);
    return shown;
}

DirectDrawSurface::~DirectDrawSurface() {
    if (presenter_ != nullptr) {
        presenter_->forgetFrame();
    }
    // The back buffer's own reference goes first; the chain ends with the primary's.
    backBuffer_.reset();
    surface_->Release();
}

SurfaceResult DirectDrawSurface::setColorKey(uint32_t key) {
    DDCOLORKEY colorKey{key, key};
    return resultOf(surface_->SetColorKey(DDCKEY_SRCBLT, &colorKey));
}

SurfaceResult DirectDrawSurface::bltFast(int x, int y, Surface& src, const Rect& srcRect,
                                         uint32_t flags) {
    RECT source = toRect(srcRect);
    return resultOf(surface_->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y),
                                      static_cast<DirectDrawSurface&>(src).surface_, &source,
                                      flags));
}

SurfaceResult DirectDrawSurface::blt(const Rect& dstRect, Surface& src, const Rect* srcRect,
                                     uint32_t flags) {
    RECT destination = toRect(dstRect);
    RECT source{};
    if (srcRect != nullptr) {
        source = toRect(*srcRect);
    }
    DDBLTFX effects{};
    effects.dwSize = sizeof effects;
    effects.dwROP = SRCCOPY;
    return resultOf(surface_->Blt(&destination, static_cast<DirectDrawSurface&>(src).surface_,
                                  srcRect != nullptr ? &source : nullptr, flags, &effects));
}

SurfaceResult DirectDrawSurface::lock(LockedPixels& out) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    const HRESULT hr = surface_->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    if (FAILED(hr)) {
        return resultOf(hr);
    }
    out.bits = static_cast<uint8_t*>(desc.lpSurface);
    out.pitch = static_cast<int>(desc.lPitch);
    out.width = static_cast<int>(desc.dwWidth);
    out.height = static_cast<int>(desc.dwHeight);
    return resultOf(hr);
}

SurfaceResult DirectDrawSurface::unlock() {
    return resultOf(surface_->Unlock(nullptr));
}

DrawContext* DirectDrawSurface::getDC() {
    HDC dc = nullptr;
    if (surface_->GetDC(&dc) != DD_OK) {
        return nullptr;
    }
    dc_.attach(dc);
    return &dc_;
}

void DirectDrawSurface::releaseDC(DrawContext* /*dc*/) {
    surface_->ReleaseDC(dc_.detach());
}

bool DirectDrawSurface::isLost() const {
    return surface_->IsLost() != DD_OK || (presenter_ != nullptr && presenter_->isLost());
}

SurfaceResult DirectDrawSurface::restore() {
    if (presenter_ != nullptr && presenter_->isLost()) {
        presenter_->restore();
    }
    return resultOf(surface_->Restore());
}

HRESULT DirectDrawSurface::show(uint32_t flags) {
    if (presenter_ == nullptr) {
        return surface_->Flip(nullptr, flags);
    }
    std::swap(surface_, backBuffer_->surface_);
    return presenter_->present(surface_, width_, height_);
}

SurfaceResult DirectDrawSurface::flip(uint32_t flags) {
    if (flipStats_ == nullptr) {
        return resultOf(show(flags));
    }
    const FlipStats::Duration start = performanceCounterTime();
    const HRESULT hr = show(flags);
    const FlipStats::Duration end = performanceCounterTime();
    if (FAILED(hr)) {
        ++flipStats_->leftOut;
        return resultOf(hr);
    }
    if (flipStats_->shown == 0) {
        flipStats_->firstShownAt = end;
    }
    ++flipStats_->shown;
    flipStats_->flipping += end - start;
    return resultOf(hr);
}

}  // namespace shardfall
