#include "platform/sdl/sdl_display_backend.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstring>

#include "platform/sdl/sdl_clock.h"
#include "platform/tick_clock.h"

namespace shardfall {

namespace {

// The generic failure code, so a failed start reports something recognisable.
constexpr SurfaceResult DEVICE_FAILED = static_cast<int32_t>(0x80004005);

constexpr const char* WINDOW_TITLE = "DirectDraw Application";
// What the platform's message box shows as its caption when it is given none.
constexpr const char* DEFAULT_CAPTION = "Error";

// The video drivers without a screen or a window system: nobody would see a box there, and
// nobody activates a window.
bool withoutScreen() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) {
        driver = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    }
    return driver != nullptr &&
           (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
}

}  // namespace

SdlDisplayBackend::~SdlDisplayBackend() {
    destroyWindow();
    if (videoStarted_) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

SurfaceResult SdlDisplayBackend::createDevice() {
    if (!videoStarted_) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            return DEVICE_FAILED;
        }
        videoStarted_ = true;
    }
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0 || desktop.w <= 0 || desktop.h <= 0) {
        return DEVICE_FAILED;
    }
    width_ = desktop.w;
    height_ = desktop.h;

    window_ = SDL_CreateWindow(WINDOW_TITLE, 0, 0, width_, height_,
                               SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
    if (window_ == nullptr) {
        return DEVICE_FAILED;
    }
    // Waiting for the vertical retrace would tie the ticks to the display's rate.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) {
        destroyWindow();
        return DEVICE_FAILED;
    }
    return SURFACE_OK;
}

SurfaceResult SdlDisplayBackend::takeScreen() {
    if (window_ == nullptr) {
        return DEVICE_FAILED;
    }
    // Without a window manager nobody else gives the window the focus; with one, these only
    // repeat what it does for a new window anyway.
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
    if (withoutScreen()) {
        // No window system will ever activate the window: it is the active one from the start.
        SDL_Event focus{};
        focus.type = SDL_WINDOWEVENT;
        focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
        focus.window.windowID = SDL_GetWindowID(window_);
        SDL_PushEvent(&focus);
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
    return SURFACE_OK;
}

SurfaceResult SdlDisplayBackend::createPrimarySurface(std::unique_ptr<Surface>& out) {
    if (renderer_ == nullptr) {
        return DEVICE_FAILED;
    }
    if (texture_ == nullptr) {
        // 0x00RRGGBB words in memory are exactly ARGB8888 with the alpha left out.
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                     SDL_TEXTUREACCESS_STREAMING, width_, height_);
        if (texture_ == nullptr) {
            return DEVICE_FAILED;
        }
        SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    }
    auto primary = SoftwareSurface::createPrimary(width_, height_);
    // The first upload into a new texture is far slower than the others: do it during start.
    show(primary->row(0), primary->pitch());
    primary->setPresenter(this);
    out = std::move(primary);
    return SURFACE_OK;
}

SurfaceResult SdlDisplayBackend::createOffscreenSurface(int width, int height,
                                                        std::unique_ptr<Surface>& out) {
    if (width <= 0 || height <= 0) {
        return DEVICE_FAILED;
    }
    out = std::make_unique<SoftwareSurface>(width, height);
    return SURFACE_OK;
}

void SdlDisplayBackend::hideWindow() {
    if (window_ != nullptr) {
        SDL_HideWindow(window_);
    }
}

void SdlDisplayBackend::showMessageBox(const char* text, const char* caption) {
    const char* title = caption != nullptr ? caption : DEFAULT_CAPTION;
    if (!withoutScreen() && SDL_ShowSimpleMessageBox(0, title, text, nullptr) == 0) {
        return;
    }
    std::fprintf(stderr, "%s: %s\n", title, text);
    std::fflush(stderr);
}

void SdlDisplayBackend::destroyWindow() {
    if (texture_ != nullptr) {
        SDL_DestroyTexture(texture_);
        texture_ = nullptr;
    }
    if (renderer_ != nullptr) {
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
}

void SdlDisplayBackend::present(const LockedPixels& front) {
    if (texture_ == nullptr) {
        return;
    }
    const TickClock::Duration start = monotonicNow();
    if (clock_ != nullptr && !pacer_.shouldPresent(clock_->nextDeadline() - start)) {
        return;
    }
    show(front.bits, front.pitch);
    pacer_.presented(monotonicNow() - start);
}

void SdlDisplayBackend::show(const void* pixels, int pitch) {
    SDL_UpdateTexture(texture_, nullptr, pixels, pitch);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

}  // namespace shardfall
