// A screen without a window, for tests and tools: a size chosen by the caller, software
// surfaces, injectable failures for every step of the display start, and a record of what a
// window would have shown (message boxes) and done (hide, destroy).
#pragma once

#include <string>
#include <vector>

#include "gfx/display_backend.h"

namespace shardfall {

class SoftwareSurface;

class HeadlessDisplayBackend : public DisplayBackend {
  public:
    HeadlessDisplayBackend(int width, int height) : width_(width), height_(height) {}

    SurfaceResult createDevice() override;
    SurfaceResult takeScreen() override;
    int screenWidth() const override { return width_; }
    int screenHeight() const override { return height_; }
    SurfaceResult createPrimarySurface(std::unique_ptr<Surface>& out) override;
    SurfaceResult createOffscreenSurface(int width, int height,
                                         std::unique_ptr<Surface>& out) override;
    void releaseDevice() override;
    void hideWindow() override;
    void showMessageBox(const char* text, const char* caption) override;
    void destroyWindow() override;

    // The last primary made, null before; owned by the display, so valid until it releases.
    SoftwareSurface* primary() const { return primary_; }

    // Failures to inject: the result each step gives.
    SurfaceResult createDeviceResult = SURFACE_OK;
    SurfaceResult takeScreenResult = SURFACE_OK;
    SurfaceResult primaryResult = SURFACE_OK;
    bool primaryWithoutBackBuffer = false;
    // The off-screen surface (1 for the first made) whose creation fails; 0 for none.
    int failingOffscreenSurface = 0;

    struct MessageBox {
        std::string text;
        std::string caption;  // empty for the system's default caption
    };
    std::vector<MessageBox> messageBoxes;
    // "createDevice", "takeScreen", "primary", "offscreen WxH", "releaseDevice", "hide",
    // "box", "destroy", in the order they happened.
    std::vector<std::string> events;

  protected:
    // Where a subclass can wrap the surfaces it hands out.
    virtual std::unique_ptr<Surface> adopt(std::unique_ptr<SoftwareSurface> surface);

  private:
    int width_;
    int height_;
    int offscreenMade_ = 0;
    SoftwareSurface* primary_ = nullptr;
};

}  // namespace shardfall
