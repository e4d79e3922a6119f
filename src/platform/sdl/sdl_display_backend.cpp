#include "platform/sdl/sdl_display_backend.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "platform/sdl/sdl_clock.h"
#include "platform/sdl/sdl_video_gate.h"

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

// Ticks come before shown frames: where the two compete for the CPU, the presenting thread
// (and the rasteriser threads a software GL starts from it, which inherit its priority) yields.
void lowerThisThreadsPriority() {
#ifdef __linux__
    constexpr int PRESENTER_NICENESS = 10;
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), PRESENTER_NICENESS);
#else
    SDL_SetThreadPriority(SDL_THREAD_PRIORITY_LOW);
#endif
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

    {
        auto gate = VideoGate::instance().lock();
        window_ = SDL_CreateWindow(WINDOW_TITLE, 0, 0, width_, height_,
                                   SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
    }
    if (window_ == nullptr) {
        return DEVICE_FAILED;
    }
    if (!startRenderer()) {
        destroyWindow();
        return DEVICE_FAILED;
    }
    return SURFACE_OK;
}

bool SdlDisplayBackend::startRenderer() {
    staging_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u);
    // Waiting for the vertical retrace would tie the presenter to the display's rate; it
    // never holds up a tick either way.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    {
        std::lock_guard<std::mutex> lock(frameMutex_);
        presenterReady_ = false;
        presenterFailed_ = false;
        stop_ = false;
    }
    // An SDL thread, not a std::thread: SDL frees what it keeps per thread (the GL context's
    // bookkeeping, the error text) only for threads it started itself.
    presenter_ = SDL_CreateThread(
        [](void* self) {
            static_cast<SdlDisplayBackend*>(self)->presentLoop();
            return 0;
        },
        "presenter", this);
    if (presenter_ == nullptr) {
        return false;
    }
    std::unique_lock<std::mutex> lock(frameMutex_);
    frameChanged_.wait(lock, [this] { return presenterReady_ || presenterFailed_; });
    const bool ready = presenterReady_;
    lock.unlock();
    if (!ready) {
        SDL_WaitThread(presenter_, nullptr);
        presenter_ = nullptr;
    }
    return ready;
}

void SdlDisplayBackend::presentLoop() {
    lowerThisThreadsPriority();
    // The renderer lives and dies on this thread, whose GL context it is.
    {
        auto gate = VideoGate::instance().lockForFrame();
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (renderer_ != nullptr) {
            // 0x00RRGGBB words in memory are exactly ARGB8888 with the alpha left out.
            texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                         SDL_TEXTUREACCESS_STREAMING, width_, height_);
        }
        if (texture_ != nullptr) {
            SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
            // The first upload and present of a new window are far slower than the others.
            SDL_UpdateTexture(texture_, nullptr, staging_.data(), width_ * 4);
            SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
            SDL_RenderPresent(renderer_);
        } else if (renderer_ != nullptr) {
            SDL_DestroyRenderer(renderer_);
            renderer_ = nullptr;
        }
    }
    {
        std::lock_guard<std::mutex> lock(frameMutex_);
        (texture_ != nullptr ? presenterReady_ : presenterFailed_) = true;
    }
    frameChanged_.notify_all();
    if (texture_ == nullptr) {
        return;
    }

    for (;;) {
        std::unique_lock<std::mutex> lock(frameMutex_);
        frameChanged_.wait(lock, [this] { return pending_ || stop_; });
        if (stop_) {
            break;
        }
        pending_ = false;
        uploading_ = true;
        busy_ = true;
        lock.unlock();

        auto gate = VideoGate::instance().lockForFrame();
        const Duration start = monotonicNow();
        SDL_UpdateTexture(texture_, nullptr, staging_.data(), width_ * 4);
        lock.lock();
        uploading_ = false;  // flips may fill the staging buffer again
        lock.unlock();
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
        gate.unlock();
        const Duration cost = monotonicNow() - start;

        lock.lock();
        busy_ = false;
        ++stats_.shown;
        stats_.showing += cost;
        stats_.slowest = std::max(stats_.slowest, cost);
        lock.unlock();
        frameChanged_.notify_all();
    }

    auto gate = VideoGate::instance().lock();
    SDL_DestroyTexture(texture_);
    texture_ = nullptr;
    SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
}

void SdlDisplayBackend::present(const LockedPixels& front) {
    std::unique_lock<std::mutex> lock(frameMutex_);
    if (!presenterReady_ || stop_) {
        return;
    }
    if (uploading_ || pending_) {
        // As a flip that cannot be done at once: this frame is left out. Copying it over a
        // frame still waiting would show a fresher picture, at the price of a copy of the
        // whole screen on the tick's time for every frame left out.
        ++stats_.leftOut;
        return;
    }
    const int rows = std::min(front.height, height_);
    const size_t rowBytes = static_cast<size_t>(std::min(front.width, width_)) * 4;
    for (int y = 0; y < rows; ++y) {
        std::memcpy(staging_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_),
                    front.bits + static_cast<ptrdiff_t>(y) * front.pitch, rowBytes);
    }
    pending_ = true;
    lock.unlock();
    frameChanged_.notify_all();
}

void SdlDisplayBackend::waitUntilShown() {
    std::unique_lock<std::mutex> lock(frameMutex_);
    frameChanged_.wait(lock, [this] { return !presenterReady_ || stop_ || (!pending_ && !busy_); });
}

SdlDisplayBackend::PresentStats SdlDisplayBackend::presentStats() {
    std::lock_guard<std::mutex> lock(frameMutex_);
    return stats_;
}

SurfaceResult SdlDisplayBackend::takeScreen() {
    if (window_ == nullptr) {
        return DEVICE_FAILED;
    }
    auto gate = VideoGate::instance().lock();
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
    {
        std::lock_guard<std::mutex> lock(frameMutex_);
        if (!presenterReady_) {
            return DEVICE_FAILED;
        }
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
        auto gate = VideoGate::instance().lock();
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

void SdlDisplayBackend::stopPresenting() {
    if (presenter_ == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(frameMutex_);
        stop_ = true;
    }
    frameChanged_.notify_all();
    SDL_WaitThread(presenter_, nullptr);
    presenter_ = nullptr;
    std::lock_guard<std::mutex> lock(frameMutex_);
    presenterReady_ = false;
    pending_ = false;
}

void SdlDisplayBackend::destroyWindow() {
    stopPresenting();
    if (window_ != nullptr) {
        auto gate = VideoGate::instance().lock();
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
}

}  // namespace shardfall
