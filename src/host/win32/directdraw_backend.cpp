#include "host/win32/directdraw_backend.h"

#include <cstdio>

#include "host/win32/directdraw_surface.h"
#include "host/win32/wide_text.h"

namespace shardfall {

namespace {

SurfaceResult resultOf(HRESULT hr) {
    return static_cast<SurfaceResult>(hr);
}

// The layout of the game's pixels: 32 bits, red, green and blue from the top byte down.
bool isGamePixelFormat(const DDPIXELFORMAT& format) {
    return (format.dwFlags & DDPF_RGB) != 0 && format.dwRGBBitCount == 32 &&
           format.dwRBitMask == 0x00FF0000 && format.dwGBitMask == 0x0000FF00 &&
           format.dwBBitMask == 0x000000FF;
}

// False, with a line on stderr and the surface released, for a desktop the game cannot draw on.
bool hasGamePixelFormat(IDirectDrawSurface7* surface) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    if (surface->GetPixelFormat(&format) == DD_OK && isGamePixelFormat(format)) {
        return true;
    }
    std::fprintf(stderr,
                 "shardfall: the desktop has %lu bits per pixel (red mask %08lx); the game "
                 "needs 32-bit colour\n",
                 format.dwRGBBitCount, format.dwRBitMask);
    std::fflush(stderr);
    surface->Release();
    return false;
}

}  // namespace

SurfaceResult DirectDrawBackend::createDevice() {
    void* object = nullptr;
    const HRESULT hr = DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr);
    if (FAILED(hr)) {
        return resultOf(hr);
    }
    directDraw_ = static_cast<IDirectDraw7*>(object);
    return SURFACE_OK;
}

SurfaceResult DirectDrawBackend::takeScreen() {
    if (windowed_) {
        RECT client{};
        GetClientRect(window_, &client);
        windowWidth_ = client.right;
        windowHeight_ = client.bottom;
        return resultOf(directDraw_->SetCooperativeLevel(window_, DDSCL_NORMAL));
    }
    // The display mode stays as the desktop has it: the game draws at any resolution.
    return resultOf(directDraw_->SetCooperativeLevel(window_, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN));
}

int DirectDrawBackend::screenWidth() const {
    return windowed_ ? windowWidth_ : GetSystemMetrics(SM_CXSCREEN);
}

int DirectDrawBackend::screenHeight() const {
    return windowed_ ? windowHeight_ : GetSystemMetrics(SM_CYSCREEN);
}

SurfaceResult DirectDrawBackend::createPrimarySurface(std::unique_ptr<Surface>& out) {
    if (windowed_) {
        return createWindowedPrimary(out);
    }
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* surface = nullptr;
    const HRESULT hr = directDraw_->CreateSurface(&desc, &surface, nullptr);
    if (FAILED(hr)) {
        return resultOf(hr);
    }
    if (!hasGamePixelFormat(surface)) {
        return resultOf(DDERR_INVALIDPIXELFORMAT);
    }
    out = DirectDrawSurface::primary(surface, screenWidth(), screenHeight(), &flipStats_);
    return SURFACE_OK;
}

// The desktop's primary, clipped to the window, and two off-screen surfaces of the game's size
// to compose into and to show from.
SurfaceResult DirectDrawBackend::createWindowedPrimary(std::unique_ptr<Surface>& out) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface7* primary = nullptr;
    HRESULT hr = directDraw_->CreateSurface(&desc, &primary, nullptr);
    if (FAILED(hr)) {
        return resultOf(hr);
    }
    if (!hasGamePixelFormat(primary)) {
        return resultOf(DDERR_INVALIDPIXELFORMAT);
    }
    IDirectDrawClipper* clipper = nullptr;
    hr = directDraw_->CreateClipper(0, &clipper, nullptr);
    if (SUCCEEDED(hr)) {
        hr = clipper->SetHWnd(0, window_);
        if (SUCCEEDED(hr)) {
            hr = primary->SetClipper(clipper);
        }
        // The primary holds its own reference.
        clipper->Release();
    }
    if (FAILED(hr)) {
        primary->Release();
        return resultOf(hr);
    }
    presenter_ = std::make_unique<WindowPresenter>(window_, primary);
    IDirectDrawSurface7* front = nullptr;
    IDirectDrawSurface7* back = nullptr;
    hr = createOffscreen(windowWidth_, windowHeight_, front);
    if (SUCCEEDED(hr)) {
        hr = createOffscreen(windowWidth_, windowHeight_, back);
        if (FAILED(hr)) {
            front->Release();
        }
    }
    if (FAILED(hr)) {
        presenter_.reset();
        return resultOf(hr);
    }
    out = DirectDrawSurface::windowed(front, back, windowWidth_, windowHeight_, presenter_.get(),
                                      &flipStats_);
    return SURFACE_OK;
}

HRESULT DirectDrawBackend::createOffscreen(int width, int height, IDirectDrawSurface7*& out) {
    // No pixel format asked for: the surface takes the primary's.
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    return directDraw_->CreateSurface(&desc, &out, nullptr);
}

SurfaceResult DirectDrawBackend::createOffscreenSurface(int width, int height,
                                                        std::unique_ptr<Surface>& out) {
    IDirectDrawSurface7* surface = nullptr;
    const HRESULT hr = createOffscreen(width, height, surface);
    if (FAILED(hr)) {
        return resultOf(hr);
    }
    out = std::make_unique<DirectDrawSurface>(surface, width, height);
    return SURFACE_OK;
}

void DirectDrawBackend::releaseDevice() {
    presenter_.reset();
    if (directDraw_ != nullptr) {
        directDraw_->Release();
        directDraw_ = nullptr;
    }
}

void DirectDrawBackend::hideWindow() {
    ShowWindow(window_, SW_HIDE);
}

void DirectDrawBackend::showMessageBox(const char* text, const char* caption) {
    if (caption != nullptr) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
    } else {
        std::fprintf(stderr, "%s\n", text);
    }
    std::fflush(stderr);
    // A box without a caption of its own has no owner either, and shows the system's caption.
    const std::wstring wideText = wideFromUtf8(text);
    if (caption == nullptr) {
        MessageBoxW(nullptr, wideText.c_str(), nullptr, MB_OK);
        return;
    }
    MessageBoxW(window_, wideText.c_str(), wideFromUtf8(caption).c_str(), MB_OK);
}

void DirectDrawBackend::destroyWindow() {
    DestroyWindow(window_);
}

}  // namespace shardfall
