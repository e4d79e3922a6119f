// A surface for tests that draws nothing and records every unscaled copy made onto it, so the
// geometry of each block (where it goes, which part of the sheet it takes) can be checked.
#pragma once

#include <vector>

#include "platform/surface.h"

namespace shardfall::testing {

class RecordingSurface final : public Surface {
  public:
    struct Copy {
        int x;
        int y;
        const Surface* source;
        Rect sourceRect;
        uint32_t flags;
    };

    RecordingSurface(int width, int height) : width_(width), height_(height) {}

    int width() const override { return width_; }
    int height() const override { return height_; }
    SurfaceResult setColorKey(uint32_t) override { return SURFACE_OK; }
    SurfaceResult bltFast(int x, int y, Surface& src, const Rect& srcRect,
                          uint32_t flags) override {
        copies.push_back(Copy{x, y, &src, srcRect, flags});
        return SURFACE_OK;
    }
    SurfaceResult blt(const Rect&, Surface&, const Rect*, uint32_t) override { return SURFACE_OK; }
    SurfaceResult lock(LockedPixels&) override { return SURFACE_ERR_SURFACELOST; }
    SurfaceResult unlock() override { return SURFACE_ERR_NOTLOCKED; }
    DrawContext* getDC() override { return nullptr; }
    void releaseDC(DrawContext*) override {}
    bool isLost() const override { return false; }
    SurfaceResult restore() override { return SURFACE_OK; }
    Surface* attachedBackBuffer() override { return nullptr; }
    SurfaceResult flip(uint32_t) override { return SURFACE_ERR_NOTFLIPPABLE; }

    std::vector<Copy> copies;

  private:
    int width_;
    int height_;
};

}  // namespace shardfall::testing
