#include "platform/sdl/sdl_display_backend.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/sdl/sdl_clock.h"

namespace shardfall {

namespace {

// The generic failure code, so a failed start reports something recognisable.
constexpr SurfaceResult DEVICE_FAILED = static_cast<int32_t>(0x80004005);

constexpr const char* WINDOW_TITLE = "DirectDraw Application";
// A present that took this many budgets or more leaves out no more flips than this after it,
// so that a single stall of the window system does not hide the game for long.
constexpr int64_t MOST_LEFT_OUT = 4;

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

void copyFrameInto(const LockedPixels& frame, SDL_Surface* target) {
    const int width = std::min(frame.width, target->w);
    const int height = std::min(frame.height, target->h);
    if (width <= 0 || height <= 0) {
        return;
    }
    const bool mustLock = SDL_MUSTLOCK(target);
    if (mustLock && SDL_LockSurface(target) != 0) {
        return;
    }
    auto* pixels = static_cast<uint8_t*>(target->pixels);
    // RGB888 is 0x00RRGGBB in a 32-bit word: the frame's own layout, so rows are copied as
    // they are. Any other format (alpha that must be opaque included) is converted.
    if (target->format->format == SDL_PIXELFORMAT_RGB888) {
        const size_t rowBytes = static_cast<size_t>(width) * 4;
        if (frame.pitch == target->pitch && rowBytes == static_cast<size_t>(frame.pitch)) {
            std::memcpy(pixels, frame.bits, rowBytes * static_cast<size_t>(height));
        } else {
            for (int y = 0; y < height; ++y) {
                std::memcpy(pixels + static_cast<ptrdiff_t>(y) * target->pitch,
                            frame.bits + static_cast<ptrdiff_t>(y) * frame.pitch, rowBytes);
            }
        }
    } else {
        SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_RGB888, frame.bits, frame.pitch,
                          target->format->format, pixels, target->pitch);
    }
    if (mustLock) {
        SDL_UnlockSurface(target);
    }
}

SdlDisplayBackend::~SdlDisplayBackend() {
    destroyWindow();
    if (videoStarted_) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

SurfaceResult SdlDisplayBackend::createDevice() {
    // Without this the window surface goes through a renderer, which on X11 is OpenGL: on
    // machines without a GPU that is drawn on the CPU at many times the cost of a plain copy.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
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
    if (preferred_ == PresentPath::WindowSurface) {
        SDL_Surface* surface = SDL_GetWindowSurface(window_);
        if (surface != nullptr) {
            SDL_FillRect(surface, nullptr, 0);
            SDL_UpdateWindowSurface(window_);
            return SURFACE_OK;
        }
    }
    if (!startRenderer()) {
        destroyWindow();
        return DEVICE_FAILED;
    }
    return SURFACE_OK;
}

// Only where the window has no surface: an OpenGL renderer replaces the window it is made for
// by a new one (SDL makes the window again with OpenGL), so for a moment there is no window,
// and whoever found the first one (a window manager, a close request, a test) holds a window
// that is gone. The window surface keeps the window the game opened.
bool SdlDisplayBackend::startRenderer() {
    // Waiting for the vertical retrace would tie the ticks to the display's rate.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) {
        return false;
    }
    // 0x00RRGGBB words in memory are exactly ARGB8888 with the alpha left out.
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                 width_, height_);
    if (texture_ == nullptr) {
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
        return false;
    }
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, SDL_ALPHA_OPAQUE);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
    return true;
}

bool SdlDisplayBackend::show(const LockedPixels& frame) {
    if (renderer_ != nullptr) {
        const SDL_Rect area{0, 0, std::min(frame.width, width_), std::min(frame.height, height_)};
        SDL_UpdateTexture(texture_, &area, frame.bits, frame.pitch);
        SDL_RenderCopy(renderer_, texture_, &area, &area);
        SDL_RenderPresent(renderer_);
        return true;
    }
    // The window gets a new surface when its size or its display changes; asking for it every
    // time picks that up, and costs nothing while the surface stays.
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (surface == nullptr) {
        return false;
    }
    copyFrameInto(frame, surface);
    return SDL_UpdateWindowSurface(window_) == 0;
}

void SdlDisplayBackend::present(const LockedPixels& front) {
    if (window_ == nullptr) {
        return;
    }
    if (toLeaveOut_ > 0) {
        // As flips that cannot be done at once: the ticks after a slow present have their
        // periods for themselves, and the schedule catches up.
        --toLeaveOut_;
        ++stats_.leftOut;
        return;
    }
    const Duration start = monotonicNow();
    if (!show(front)) {
        ++stats_.leftOut;
        return;
    }
    const Duration end = monotonicNow();
    const Duration cost = end - start;
    if (stats_.shown == 0) {
        stats_.firstShownAt = end;
    }
    ++stats_.shown;
    stats_.showing += cost;
    stats_.slowest = std::max(stats_.slowest, cost);
    // One flip left out for every budget the present took beyond its own.
    if (cost > presentBudget_) {
        toLeaveOut_ = presentBudget_ > Duration::zero()
                          ? std::min<int64_t>(cost / presentBudget_, MOST_LEFT_OUT)
                          : MOST_LEFT_OUT;
    }
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
        SDL_Event focus{};
        focus.type = SDL_WINDOWEVENT;
        focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
        focus.window.windowID = SDL_GetWindowID(window_);
        SDL_PushEvent(&focus);
    }
    return SURFACE_OK;
}

SurfaceResult SdlDisplayBackend::createPrimarySurface(std::unique_ptr<Surface>& out) {
    if (window_ == nullptr) {
        return DEVICE_FAILED;
    }
    auto primary = SoftwareSurface::createPrimary(width_, height_);
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

}  // namespace shardfall
