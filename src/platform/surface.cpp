#include "platform/surface.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/software_draw_context.h"

namespace shardfall {

SoftwareSurface::SoftwareSurface(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u),
      dc_(makeSoftwareDrawContext(*this)) {}

SoftwareSurface::~SoftwareSurface() = default;

std::unique_ptr<SoftwareSurface> SoftwareSurface::createPrimary(int width, int height) {
    auto primary = std::make_unique<SoftwareSurface>(width, height);
    primary->backBuffer_ = std::make_unique<SoftwareSurface>(width, height);
    return primary;
}

SurfaceResult SoftwareSurface::setColorKey(uint32_t key) {
    colorKey_ = key;
    return SURFACE_OK;
}

bool SoftwareSurface::containsRect(const Rect& r) const {
    return r.left >= 0 && r.top >= 0 && r.right <= width_ && r.bottom <= height_ &&
           r.left < r.right && r.top < r.bottom;
}

SurfaceResult SoftwareSurface::bltFast(int x, int y, Surface& srcBase, const Rect& srcRect,
                                       uint32_t flags) {
    auto& src = static_cast<SoftwareSurface&>(srcBase);
    if (lost_ || src.lost_) {
        return SURFACE_ERR_SURFACELOST;
    }
    const Rect dstRect{x, y, x + srcRect.width(), y + srcRect.height()};
    if (!src.containsRect(srcRect) || !containsRect(dstRect)) {
        return SURFACE_ERR_INVALIDRECT;
    }
    const int w = srcRect.width();
    const bool keyed = (flags & BLTFAST_SRCCOLORKEY) != 0;
    const uint32_t key = src.colorKey_;
    for (int row = 0; row < srcRect.height(); ++row) {
        const uint32_t* from = src.row(srcRect.top + row) + srcRect.left;
        uint32_t* to = this->row(y + row) + x;
        if (!keyed) {
            std::memmove(to, from, static_cast<size_t>(w) * sizeof(uint32_t));
            continue;
        }
        for (int i = 0; i < w; ++i) {
            if (from[i] != key) {
                to[i] = from[i];
            }
        }
    }
    return SURFACE_OK;
}

SurfaceResult SoftwareSurface::blt(const Rect& dstRect, Surface& srcBase, const Rect* srcRectIn,
                                   uint32_t flags) {
    auto& src = static_cast<SoftwareSurface&>(srcBase);
    if (lost_ || src.lost_) {
        return SURFACE_ERR_SURFACELOST;
    }
    const Rect srcRect = srcRectIn ? *srcRectIn : Rect{0, 0, src.width_, src.height_};
    if (!src.containsRect(srcRect) || !containsRect(dstRect)) {
        return SURFACE_ERR_INVALIDRECT;
    }
    // The stepping below is exact only up to this width; no display comes near it.
    if (dstRect.width() > 65536) {
        return SURFACE_ERR_INVALIDRECT;
    }
    const bool keyed = (flags & BLT_KEYSRC) != 0;
    const uint32_t key = src.colorKey_;
    const int dw = dstRect.width();
    const int dh = dstRect.height();
    // Nearest neighbour in 32.32 fixed point: destination pixel i samples source pixel
    // floor(i * srcWidth / dstWidth), without a division per pixel. The step is rounded up:
    // rounded down, i * step falls just short of a whole number where the true quotient is
    // one, and a column samples its left neighbour. Rounded up, the excess (below dstWidth in
    // total) stays under the smallest fraction step 2^32 / dstWidth while dstWidth <= 65536.
    const uint64_t stepX =
        ((static_cast<uint64_t>(srcRect.width()) << 32) + dw - 1) / static_cast<uint64_t>(dw);
    int previousSy = -1;
    for (int dy = 0; dy < dh; ++dy) {
        const int sy =
            srcRect.top + static_cast<int>(static_cast<int64_t>(dy) * srcRect.height() / dh);
        const uint32_t* from = src.row(sy) + srcRect.left;
        uint32_t* to = this->row(dstRect.top + dy) + dstRect.left;
        // Enlarged, one source row makes several equal rows: an unkeyed copy repeats the row
        // it has just made, which is far cheaper than sampling it again.
        if (!keyed && sy == previousSy) {
            std::memcpy(to, to - width_, static_cast<size_t>(dw) * sizeof(uint32_t));
            continue;
        }
        previousSy = sy;
        uint64_t fx = 0;
        if (keyed) {
            for (int dx = 0; dx < dw; ++dx, fx += stepX) {
                const uint32_t p = from[fx >> 32];
                if (p != key) {
                    to[dx] = p;
                }
            }
        } else {
            for (int dx = 0; dx < dw; ++dx, fx += stepX) {
                to[dx] = from[fx >> 32];
            }
        }
    }
    return SURFACE_OK;
}

SurfaceResult SoftwareSurface::lock(LockedPixels& out) {
    if (lost_) {
        return SURFACE_ERR_SURFACELOST;
    }
    locked_ = true;
    out.bits = reinterpret_cast<uint8_t*>(pixels_.data());
    out.pitch = pitch();
    out.width = width_;
    out.height = height_;
    return SURFACE_OK;
}

SurfaceResult SoftwareSurface::unlock() {
    if (!locked_) {
        return SURFACE_ERR_NOTLOCKED;
    }
    locked_ = false;
    return SURFACE_OK;
}

DrawContext* SoftwareSurface::getDC() {
    if (lost_) {
        return nullptr;
    }
    resetSoftwareDrawContext(*dc_);
    return dc_.get();
}

void SoftwareSurface::releaseDC(DrawContext* /*dc*/) {}

uint32_t SoftwareSurface::junkPixel(int x, int y) {
    // Magenta and cyan stripes; never 0, so keyed copies show the junk too.
    return ((x / 4 + y / 4) & 1) ? 0x00FF00FFu : 0x0000FFFFu;
}

SurfaceResult SoftwareSurface::restore() {
    for (int y = 0; y < height_; ++y) {
        uint32_t* p = row(y);
        for (int x = 0; x < width_; ++x) {
            p[x] = junkPixel(x, y);
        }
    }
    lost_ = false;
    return SURFACE_OK;
}

SurfaceResult SoftwareSurface::flip(uint32_t /*flags*/) {
    if (!backBuffer_) {
        return SURFACE_ERR_NOTFLIPPABLE;
    }
    if (lost_ || backBuffer_->lost_) {
        return SURFACE_ERR_SURFACELOST;
    }
    std::swap(pixels_, backBuffer_->pixels_);
    if (presenter_) {
        LockedPixels front{reinterpret_cast<uint8_t*>(pixels_.data()), pitch(), width_, height_};
        presenter_->present(front);
    }
    return SURFACE_OK;
}

}  // namespace shardfall
