#include "host/headless/headless_display_backend.h"

#include "gfx/software/software_surface.h"
#include "gfx/surface.h"

namespace shardfall {

namespace {
constexpr SurfaceResult SURFACE_ERR_OUTOFVIDEOMEMORY = static_cast<int32_t>(0x8876017C);
}

SurfaceResult HeadlessDisplayBackend::createDevice() {
    events.emplace_back("createDevice");
    return createDeviceResult;
}

SurfaceResult HeadlessDisplayBackend::takeScreen() {
    events.emplace_back("takeScreen");
    return takeScreenResult;
}

SurfaceResult HeadlessDisplayBackend::createPrimarySurface(std::unique_ptr<Surface>& out) {
    events.emplace_back("primary");
    if (primaryResult != SURFACE_OK) {
        return primaryResult;
    }
    auto surface = primaryWithoutBackBuffer ? std::make_unique<SoftwareSurface>(width_, height_)
                                            : SoftwareSurface::createPrimary(width_, height_);
    primary_ = surface.get();
    out = adopt(std::move(surface));
    return SURFACE_OK;
}

SurfaceResult HeadlessDisplayBackend::createOffscreenSurface(int width, int height,
                                                             std::unique_ptr<Surface>& out) {
    events.push_back("offscreen " + std::to_string(width) + "x" + std::to_string(height));
    if (++offscreenMade_ == failingOffscreenSurface) {
        return SURFACE_ERR_OUTOFVIDEOMEMORY;
    }
    out = adopt(std::make_unique<SoftwareSurface>(width, height));
    return SURFACE_OK;
}

void HeadlessDisplayBackend::releaseDevice() {
    events.emplace_back("releaseDevice");
    primary_ = nullptr;
}

void HeadlessDisplayBackend::hideWindow() {
    events.emplace_back("hide");
}

void HeadlessDisplayBackend::showMessageBox(const char* text, const char* caption) {
    events.emplace_back("box");
    messageBoxes.push_back({text, caption ? caption : ""});
}

void HeadlessDisplayBackend::destroyWindow() {
    events.emplace_back("destroy");
}

std::unique_ptr<Surface> HeadlessDisplayBackend::adopt(std::unique_ptr<SoftwareSurface> surface) {
    return surface;
}

}  // namespace shardfall
