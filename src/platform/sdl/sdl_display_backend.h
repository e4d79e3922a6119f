// The screen on SDL: one borderless window over the whole desktop at its own resolution, whose
// primary surface shows each flipped frame through a streaming texture. Frames that would
// hold up the next tick are left out, so the game keeps its 100 steps per second.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/display_backend.h"
#include "platform/present_pacer.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace shardfall {

class TickClock;

class SdlDisplayBackend final : public DisplayBackend, private FramePresenter {
  public:
    SdlDisplayBackend() = default;
    ~SdlDisplayBackend() override;
    SdlDisplayBackend(const SdlDisplayBackend&) = delete;
    SdlDisplayBackend& operator=(const SdlDisplayBackend&) = delete;

    // Frames are paced against this clock's next deadline; without one every frame is shown.
    void paceBy(const TickClock* clock) { clock_ = clock; }

    // Opens the window and its renderer.
    SurfaceResult createDevice() override;
    // Brings the window to the front with the keyboard focus (activating it where no window
    // system does) and shows a first black frame, so that the slow first present happens
    // during start and not in the first tick.
    SurfaceResult takeScreen() override;
    int screenWidth() const override { return width_; }
    int screenHeight() const override { return height_; }
    // The primary shows its (black) front buffer once at once, before any frame is timed.
    SurfaceResult createPrimarySurface(std::unique_ptr<Surface>& out) override;
    SurfaceResult createOffscreenSurface(int width, int height,
                                         std::unique_ptr<Surface>& out) override;
    void hideWindow() override;
    // A modal box; without a display the text goes to stderr instead.
    void showMessageBox(const char* text, const char* caption) override;
    void destroyWindow() override;

    uint64_t presentedFrames() const { return pacer_.presentedFrames(); }
    uint64_t skippedFrames() const { return pacer_.skippedFrames(); }
    PresentPacer::Duration presentTime() const { return pacer_.totalCost(); }

  private:
    void present(const LockedPixels& front) override;
    void show(const void* pixels, int pitch);

    bool videoStarted_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    const TickClock* clock_ = nullptr;
    PresentPacer pacer_;
};

}  // namespace shardfall
