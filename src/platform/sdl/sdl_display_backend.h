// The screen on SDL: one borderless window over the whole desktop at its own resolution. Its
// primary surface hands every flipped frame to a presenting thread that uploads it into a
// streaming texture and shows it, so a display path slower than a tick costs shown frames,
// never ticks: a flip that finds the presenter with a frame still to read is left out.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/display_backend.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Thread;

namespace shardfall {

class SdlDisplayBackend final : public DisplayBackend, private FramePresenter {
  public:
    using Duration = std::chrono::nanoseconds;

    // What the presenting thread has done so far.
    struct PresentStats {
        uint64_t shown = 0;
        // Flipped while the presenter still had a frame to read: never shown.
        uint64_t leftOut = 0;
        Duration showing{};
        Duration slowest{};
    };

    SdlDisplayBackend() = default;
    // Closes the window if that has not happened yet. Surfaces made here must be gone first.
    ~SdlDisplayBackend() override;
    SdlDisplayBackend(const SdlDisplayBackend&) = delete;
    SdlDisplayBackend& operator=(const SdlDisplayBackend&) = delete;

    // Opens the window and starts the presenting thread with its renderer, which shows a
    // first black frame at once: the slow first present happens during start.
    SurfaceResult createDevice() override;
    // Brings the window to the front with the keyboard focus (activating it where no window
    // system does).
    SurfaceResult takeScreen() override;
    int screenWidth() const override { return width_; }
    int screenHeight() const override { return height_; }
    SurfaceResult createPrimarySurface(std::unique_ptr<Surface>& out) override;
    SurfaceResult createOffscreenSurface(int width, int height,
                                         std::unique_ptr<Surface>& out) override;
    void hideWindow() override;
    // A modal box; without a display the text goes to stderr instead.
    void showMessageBox(const char* text, const char* caption) override;
    // Stops the presenting thread, then closes the window.
    void destroyWindow() override;

    // Blocks until the last frame handed over is on the screen (or left out).
    void waitUntilShown();
    PresentStats presentStats();

  private:
    void present(const LockedPixels& front) override;
    void presentLoop();
    bool startRenderer();
    void stopPresenting();

    bool videoStarted_ = false;
    SDL_Window* window_ = nullptr;
    int width_ = 0;
    int height_ = 0;

    // Owned by the presenting thread.
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;

    SDL_Thread* presenter_ = nullptr;
    std::mutex frameMutex_;
    std::condition_variable frameChanged_;
    // The frame waiting to be shown; written by flips, read by the presenter.
    std::vector<uint32_t> staging_;
    bool presenterReady_ = false;
    bool presenterFailed_ = false;
    bool pending_ = false;
    bool uploading_ = false;
    bool busy_ = false;
    bool stop_ = false;
    PresentStats stats_;
};

}  // namespace shardfall
