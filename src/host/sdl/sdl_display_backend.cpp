#include "host/sdl/sdl_display_backend.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "gfx/software/software_surface.h"
#include "host/sdl/sdl_clock.h"

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

// With no window system to talk to (no DISPLAY, no Wayland), SDL falls back to a driver that
// shows nothing, and the game would run unseen until killed. That is a failure unless the
// environment or the program asked for such a driver on purpose (SDL_VIDEODRIVER=offscreen or
// dummy, or its hint, as the tests do).
bool noDisplayFound() {
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (!withoutScreen() || (asked != nullptr && asked[0] != '\0')) {
        return false;
    }
    std::fprintf(
        stderr, "shardfall: no display found (neither DISPLAY nor WAYLAND_DISPLAY leads to one)\n");
    return true;
}

}  // namespace

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
        if (noDisplayFound()) {
            noDisplay_ = true;
            return DEVICE_FAILED;
        }
    }
    const int displays = SDL_GetNumVideoDisplays();
    if (choice_.display >= displays) {
        std::fprintf(
            stderr,
            "shardfall: there is no display %d (SDL reports %d); the game opens on the first\n",
            choice_.display + 1, displays);
        choice_.display = 0;
    }
    if (choice_.window) {
        width_ = choice_.width;
        height_ = choice_.height;
        sizedAsWindow_ = true;
        const int at = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(choice_.display));
        window_ = SDL_CreateWindow(WINDOW_TITLE, at, at, width_, height_, SDL_WINDOW_RESIZABLE);
    } else {
        SDL_DisplayMode desktop{};
        if (SDL_GetDesktopDisplayMode(choice_.display, &desktop) != 0 || desktop.w <= 0 ||
            desktop.h <= 0) {
            return DEVICE_FAILED;
        }
        width_ = desktop.w;
        height_ = desktop.h;
        const int at = choice_.display == 0
                           ? 0
                           : static_cast<int>(SDL_WINDOWPOS_UNDEFINED_DISPLAY(choice_.display));
        window_ = SDL_CreateWindow(WINDOW_TITLE, at, at, width_, height_,
                                   SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
    }
    if (window_ == nullptr) {
        return DEVICE_FAILED;
    }
    SDL_AddEventWatch(&SdlDisplayBackend::watchWindow, this);
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
    // A window of another size than the frame shows it scaled, with black bars.
    SDL_RenderSetLogicalSize(renderer_, width_, height_);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, SDL_ALPHA_OPAQUE);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
    return true;
}

int SdlDisplayBackend::watchWindow(void* self, SDL_Event* event) {
    // Shown, exposed, moved, resized, focus: whatever happened, the next present is whole.
    auto& backend = *static_cast<SdlDisplayBackend*>(self);
    if (event->type == SDL_WINDOWEVENT && backend.window_ != nullptr &&
        event->window.windowID == SDL_GetWindowID(backend.window_)) {
        backend.showsLastFlip_ = nullptr;
    }
    return 0;
}

void SdlDisplayBackend::toggleFullScreen() {
    if (window_ == nullptr) {
        return;
    }
    showsLastFlip_ = nullptr;
    if ((SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) == 0) {
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
        return;
    }
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowBordered(window_, SDL_TRUE);
    SDL_SetWindowResizable(window_, SDL_TRUE);
    // A game that started on the whole screen gets a window of the chosen size the first time;
    // after that the window keeps the size the player left it at.
    if (!sizedAsWindow_) {
        sizedAsWindow_ = true;
        const int at = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(choice_.display));
        SDL_SetWindowSize(window_, choice_.width, choice_.height);
        SDL_SetWindowPosition(window_, at, at);
    }
}

void SdlDisplayBackend::present(const LockedPixels& front) {
    presentChanges(front, FrameChanges{});
}

void SdlDisplayBackend::presentChanges(const LockedPixels& front, const FrameChanges& changes) {
    if (window_ == nullptr) {
        return;
    }
    if (toLeaveOut_ > 0) {
        // As flips that cannot be done at once: the ticks after a slow present have their
        // periods for themselves, and the schedule catches up. The window keeps an older
        // frame, so the next present is whole.
        --toLeaveOut_;
        ++stats_.leftOut;
        showsLastFlip_ = nullptr;
        return;
    }
    const Duration start = monotonicNow();
    if (!show(front, changes)) {
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
    if (noDisplay_) {
        return;  // the one line about the missing display says it all
    }
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
        SDL_DelEventWatch(&SdlDisplayBackend::watchWindow, this);
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        SDL_FreeSurface(frameView_);
        frameView_ = nullptr;
        showsLastFlip_ = nullptr;
    }
}

}  // namespace shardfall
