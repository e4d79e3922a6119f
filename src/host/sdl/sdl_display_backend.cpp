#include "host/sdl/sdl_display_backend.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "gfx/letterbox.h"
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

// However little changes, every this many presents copy the whole frame, so that a window
// system that lost part of the window without saying so gets it back within a second.
constexpr int WHOLE_FRAME_EVERY = 100;

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

void copyFrameInto(const LockedPixels& frame, SDL_Surface* target, const SDL_Rect* area) {
    SDL_Rect part{0, 0, std::min(frame.width, target->w), std::min(frame.height, target->h)};
    if (area != nullptr && !SDL_IntersectRect(area, &part, &part)) {
        return;
    }
    if (part.w <= 0 || part.h <= 0) {
        return;
    }
    const bool mustLock = SDL_MUSTLOCK(target);
    if (mustLock && SDL_LockSurface(target) != 0) {
        return;
    }
    const uint8_t* from = frame.bits + static_cast<ptrdiff_t>(part.y) * frame.pitch + part.x * 4;
    uint8_t* to = static_cast<uint8_t*>(target->pixels) +
                  static_cast<ptrdiff_t>(part.y) * target->pitch +
                  part.x * target->format->BytesPerPixel;
    // RGB888 is 0x00RRGGBB in a 32-bit word: the frame's own layout, so rows are copied as
    // they are. Any other format (alpha that must be opaque included) is converted.
    if (target->format->format == SDL_PIXELFORMAT_RGB888) {
        const size_t rowBytes = static_cast<size_t>(part.w) * 4;
        if (frame.pitch == target->pitch && rowBytes == static_cast<size_t>(frame.pitch)) {
            std::memcpy(to, from, rowBytes * static_cast<size_t>(part.h));
        } else {
            for (int y = 0; y < part.h; ++y) {
                std::memcpy(to + static_cast<ptrdiff_t>(y) * target->pitch,
                            from + static_cast<ptrdiff_t>(y) * frame.pitch, rowBytes);
            }
        }
    } else {
        SDL_ConvertPixels(part.w, part.h, SDL_PIXELFORMAT_RGB888, from, frame.pitch,
                          target->format->format, to, target->pitch);
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

bool SdlDisplayBackend::show(const LockedPixels& frame, const FrameChanges& changes) {
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
    const SDL_Surface* before = std::exchange(showsLastFlip_, nullptr);
    if (surface == nullptr) {
        return false;
    }
    bool shown = false;
    if (surface->w != width_ || surface->h != height_) {
        return showScaled(frame, surface);
    }
    if (surface == before && changes.changed != nullptr && ++sinceWholeFrame_ < WHOLE_FRAME_EVERY) {
        shown = showChanges(frame, changes, surface);
    } else {
        sinceWholeFrame_ = 0;
        copyFrameInto(frame, surface);
        shown = SDL_UpdateWindowSurface(window_) == 0;
    }
    showsLastFlip_ = shown ? surface : nullptr;
    return shown;
}

// The window shows the frame flipped before this one: only the changed tiles are copied, and
// the window system is told of one rectangle per row of tiles, from the first changed tile to
// the last, rows with the same extent joined.
bool SdlDisplayBackend::showChanges(const LockedPixels& frame, const FrameChanges& changes,
                                    SDL_Surface* surface) {
    changedRects_.clear();
    const int width = std::min(frame.width, surface->w);
    const int height = std::min(frame.height, surface->h);
    for (int row = 0; row < changes.rows && row * changes.tileHeight < height; ++row) {
        const uint8_t* changed = changes.changed + static_cast<ptrdiff_t>(row) * changes.columns;
        const int top = row * changes.tileHeight;
        const int rowHeight = std::min(changes.tileHeight, height - top);
        int first = -1;
        int last = -1;
        for (int column = 0; column < changes.columns; ++column) {
            if (changed[column] == 0) {
                continue;
            }
            int end = column;
            while (end + 1 < changes.columns && changed[end + 1] != 0) {
                ++end;
            }
            const SDL_Rect span{column * changes.tileWidth, top,
                                (end + 1 - column) * changes.tileWidth, rowHeight};
            copyFrameInto(frame, surface, &span);
            first = first < 0 ? column : first;
            last = end;
            column = end;
        }
        if (first < 0 || first * changes.tileWidth >= width) {
            continue;
        }
        const int left = first * changes.tileWidth;
        const SDL_Rect extent{left, top, std::min((last + 1) * changes.tileWidth, width) - left,
                              rowHeight};
        if (!changedRects_.empty()) {
            SDL_Rect& previous = changedRects_.back();
            if (previous.x == extent.x && previous.w == extent.w &&
                previous.y + previous.h == top) {
                previous.h += rowHeight;
                continue;
            }
        }
        changedRects_.push_back(extent);
    }
    return changedRects_.empty() ||
           SDL_UpdateWindowSurfaceRects(window_, changedRects_.data(),
                                        static_cast<int>(changedRects_.size())) == 0;
}

// A window whose size is no longer the frame's: the frame scaled to the largest size that
// fits with its aspect, centred, black around it.
bool SdlDisplayBackend::showScaled(const LockedPixels& frame, SDL_Surface* surface) {
    if (frameView_ == nullptr || frameView_->w != frame.width || frameView_->h != frame.height ||
        frameView_->pitch != frame.pitch) {
        SDL_FreeSurface(frameView_);
        frameView_ = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(frame.bits),
                                                        frame.width, frame.height, 32, frame.pitch,
                                                        SDL_PIXELFORMAT_RGB888);
        if (frameView_ == nullptr) {
            return false;
        }
    }
    frameView_->pixels = const_cast<uint8_t*>(frame.bits);
    const Letterbox box = letterbox(frame.width, frame.height, surface->w, surface->h);
    const auto sdlRect = [](const Rect& r) {
        return SDL_Rect{r.left, r.top, r.width(), r.height()};
    };
    SDL_Rect fit = sdlRect(box.frame);
    const SDL_Rect bars[2] = {sdlRect(box.bars[0]), sdlRect(box.bars[1])};
    SDL_FillRects(surface, bars, 2, 0);
    if (fit.w <= 0 || fit.h <= 0 || SDL_BlitScaled(frameView_, nullptr, surface, &fit) != 0) {
        return false;
    }
    return SDL_UpdateWindowSurface(window_) == 0;
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
