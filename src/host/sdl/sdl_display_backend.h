// The screen on SDL: one borderless window over the whole desktop at its own resolution, or a
// window of a chosen size that can be resized. The game is laid out for the size the window
// starts with; a window that changes size later (resized, or switched between a window and
// the whole screen) shows the frame scaled to fit, its aspect kept, with black bars. Every
// flipped frame is shown at once, on the main thread, by copying it into the window's own
// surface (shared-memory images on X11); where the window has no surface, a renderer shows it
// instead. A present that takes longer than a tick leaves out the next flips, one for every
// tick it took, so a slow display costs shown frames, not ticks.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include <SDL2/SDL_rect.h>

#include "gfx/display_backend.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Texture;
union SDL_Event;

namespace shardfall {

// Copies a frame of 0x00RRGGBB pixels into the top-left corner of the target surface, as much of
// it as fits, converting it in the same pass when the target has another pixel format. With an
// area, only the part of the frame inside it.
void copyFrameInto(const LockedPixels& frame, SDL_Surface* target, const SDL_Rect* area = nullptr);

class SdlDisplayBackend final : public DisplayBackend, private FramePresenter {
  public:
    using Duration = std::chrono::nanoseconds;

    enum class PresentPath { WindowSurface, Renderer };

    // Where the window opens and how large: the whole screen of a display (counted from 0)
    // unless `window`.
    struct ScreenChoice {
        bool window = false;
        int width = 1024;
        int height = 768;
        int display = 0;
    };

    // What presenting has done so far.
    struct PresentStats {
        uint64_t shown = 0;
        // Flipped right after a present that overran, or when the window could not take it.
        uint64_t leftOut = 0;
        Duration showing{};
        Duration slowest{};
        // When the first flipped frame was on the screen (monotonic), zero before.
        Duration firstShownAt{};
    };

    // A present longer than n budgets leaves out the next n flips (at most 4). The preferred
    // path is the window surface; the renderer serves where no surface can be had.
    explicit SdlDisplayBackend(Duration presentBudget = std::chrono::milliseconds(10),
                               PresentPath preferred = PresentPath::WindowSurface)
        : presentBudget_(presentBudget), preferred_(preferred) {}
    // Closes the window if that has not happened yet. Surfaces made here must be gone first.
    ~SdlDisplayBackend() override;
    SdlDisplayBackend(const SdlDisplayBackend&) = delete;
    SdlDisplayBackend& operator=(const SdlDisplayBackend&) = delete;

    // Before createDevice.
    void choose(const ScreenChoice& choice) { choice_ = choice; }
    // Between a window of the chosen size and the whole screen; the frame keeps its size.
    void toggleFullScreen();

    // Opens the window and shows a first black frame on it.
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
    void destroyWindow() override;

    // Which way frames reach the screen; meaningful once createDevice succeeded.
    PresentPath presentPath() const {
        return renderer_ != nullptr ? PresentPath::Renderer : PresentPath::WindowSurface;
    }
    const PresentStats& presentStats() const { return stats_; }

  private:
    void present(const LockedPixels& front) override;
    void presentChanges(const LockedPixels& front, const FrameChanges& changes) override;
    bool show(const LockedPixels& frame, const FrameChanges& changes);
    bool showChanges(const LockedPixels& frame, const FrameChanges& changes, SDL_Surface* surface);
    bool showScaled(const LockedPixels& frame, SDL_Surface* surface);
    static int watchWindow(void* self, SDL_Event* event);
    bool startRenderer();

    Duration presentBudget_;
    PresentPath preferred_;
    ScreenChoice choice_;
    bool sizedAsWindow_ = false;  // the window has had the chosen window size
    bool videoStarted_ = false;
    bool noDisplay_ = false;  // no window system answered: nothing to show a box on
    SDL_Window* window_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int64_t toLeaveOut_ = 0;
    PresentStats stats_;
    // The window surface while it shows the last frame flipped, exactly: the next present then
    // copies only what changed. Null after a frame left out, a failed present, or anything
    // that happened to the window.
    SDL_Surface* showsLastFlip_ = nullptr;
    int sinceWholeFrame_ = 0;
    std::vector<SDL_Rect> changedRects_;
    // The flipped frame's pixels as an SDL surface, for scaling: made again only when the
    // frame's size changes.
    SDL_Surface* frameView_ = nullptr;
};

}  // namespace shardfall
