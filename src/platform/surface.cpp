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
    touch();
    colorKey_ = key;
    return SURFACE_OK;
}

bool SoftwareSurface::containsRect(const Rect& r) const {
    return r.left >= 0 && r.top >= 0 && r.right <= width_ && r.bottom <= height_ &&
           r.left < r.right && r.top < r.bottom;
}

namespace {

// Nearest neighbour in 32.32 fixed point: destination pixel i samples source pixel
// floor(i * srcWidth / dstWidth), without a division per pixel. The step is rounded up:
// rounded down, i * step falls just short of a whole number where the true quotient is
// one, and a column samples its left neighbour. Rounded up, the excess (below dstWidth in
// total) stays under the smallest fraction step 2^32 / dstWidth while dstWidth <= 65536.
constexpr int MAX_STRETCH_WIDTH = 65536;

uint64_t stretchStep(int srcWidth, int dstWidth) {
    return ((static_cast<uint64_t>(srcWidth) << 32) + static_cast<uint64_t>(dstWidth) - 1) /
           static_cast<uint64_t>(dstWidth);
}

void stretchRow(const uint32_t* from, uint32_t* to, int dstWidth, uint64_t stepX) {
    uint64_t fx = 0;
    for (int dx = 0; dx < dstWidth; ++dx, fx += stepX) {
        to[dx] = from[fx >> 32];
    }
}

}  // namespace

const uint8_t* SoftwareSurface::opaqueRuns() {
    if (runsVersion_ == version_) {
        return runs_.data();
    }
    runs_.resize(pixels_.size());
    for (int y = 0; y < height_; ++y) {
        const uint32_t* p = std::as_const(*this).row(y);
        uint8_t* runs = runs_.data() + static_cast<size_t>(y) * width_;
        int length = 0;
        for (int x = width_ - 1; x >= 0; --x) {
            const bool likeRight = x + 1 < width_ && (p[x] == colorKey_) == (p[x + 1] == colorKey_);
            length = likeRight && length < UINT8_MAX ? length + 1 : 1;
            runs[x] = static_cast<uint8_t>(length);
        }
    }
    runsVersion_ = version_;
    return runs_.data();
}

const uint32_t* SoftwareSurface::stretchedRows(const Rect& srcRect, int dstWidth) {
    if (stretchedVersion_ == version_ && stretchedSource_ == srcRect &&
        stretchedWidth_ == dstWidth) {
        return stretched_.data();
    }
    stretched_.resize(static_cast<size_t>(srcRect.height()) * static_cast<size_t>(dstWidth));
    const uint64_t stepX = stretchStep(srcRect.width(), dstWidth);
    for (int sy = 0; sy < srcRect.height(); ++sy) {
        stretchRow(std::as_const(*this).row(srcRect.top + sy) + srcRect.left,
                   stretched_.data() + static_cast<size_t>(sy) * dstWidth, dstWidth, stepX);
    }
    stretchedVersion_ = version_;
    stretchedSource_ = srcRect;
    stretchedWidth_ = dstWidth;
    return stretched_.data();
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
    // The runs describe the source before the copy; a keyed copy of a surface onto itself may
    // read pixels it has just written, so that one goes pixel by pixel.
    const uint8_t* runs = keyed && &src != this ? src.opaqueRuns() : nullptr;
    touch();
    for (int row = 0; row < srcRect.height(); ++row) {
        const size_t at = static_cast<size_t>(srcRect.top + row) * src.width_ + srcRect.left;
        const uint32_t* from = src.pixels_.data() + at;
        uint32_t* to = pixels_.data() + static_cast<size_t>(y + row) * width_ + x;
        if (!keyed) {
            std::memmove(to, from, static_cast<size_t>(w) * sizeof(uint32_t));
        } else if (runs != nullptr) {
            // Whole runs: copied when not key-coloured, skipped when they are.
            const uint8_t* run = runs + at;
            for (int i = 0; i < w;) {
                const int n = std::min(static_cast<int>(run[i]), w - i);
                if (from[i] != key) {
                    std::memcpy(to + i, from + i, static_cast<size_t>(n) * sizeof(uint32_t));
                }
                i += n;
            }
        } else {
            for (int i = 0; i < w; ++i) {
                if (from[i] != key) {
                    to[i] = from[i];
                }
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
    if (dstRect.width() > MAX_STRETCH_WIDTH) {
        return SURFACE_ERR_INVALIDRECT;
    }
    const bool keyed = (flags & BLT_KEYSRC) != 0;
    const uint32_t key = src.colorKey_;
    const int dw = dstRect.width();
    const int dh = dstRect.height();
    const auto sourceRow = [&](int dy) {
        return srcRect.top + static_cast<int>(static_cast<int64_t>(dy) * srcRect.height() / dh);
    };
    const size_t rowBytes = static_cast<size_t>(dw) * sizeof(uint32_t);

    // An unkeyed stretch (the background over the whole frame, every frame) copies rows the
    // source keeps stretched to this width, sampled only when the source has changed.
    if (!keyed && &src != this) {
        const uint32_t* stretched = src.stretchedRows(srcRect, dw);
        touch();
        for (int dy = 0; dy < dh; ++dy) {
            const size_t from = static_cast<size_t>(sourceRow(dy) - srcRect.top) * dw;
            std::memcpy(row(dstRect.top + dy) + dstRect.left, stretched + from, rowBytes);
        }
        return SURFACE_OK;
    }

    touch();
    const uint64_t stepX = stretchStep(srcRect.width(), dw);
    int previousSy = -1;
    for (int dy = 0; dy < dh; ++dy) {
        const int sy = sourceRow(dy);
        const uint32_t* from = std::as_const(src).row(sy) + srcRect.left;
        uint32_t* to = row(dstRect.top + dy) + dstRect.left;
        // Enlarged, one source row makes several equal rows: an unkeyed copy repeats the row
        // it has just made, which is far cheaper than sampling it again.
        if (!keyed && sy == previousSy) {
            std::memcpy(to, to - width_, rowBytes);
            continue;
        }
        previousSy = sy;
        if (!keyed) {
            stretchRow(from, to, dw, stepX);
            continue;
        }
        uint64_t fx = 0;
        for (int dx = 0; dx < dw; ++dx, fx += stepX) {
            const uint32_t p = from[fx >> 32];
            if (p != key) {
                to[dx] = p;
            }
        }
    }
    return SURFACE_OK;
}

SurfaceResult SoftwareSurface::lock(LockedPixels& out) {
    if (lost_) {
        return SURFACE_ERR_SURFACELOST;
    }
    touch();
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
    touch();
    locked_ = false;
    return SURFACE_OK;
}

DrawContext* SoftwareSurface::getDC() {
    if (lost_) {
        return nullptr;
    }
    touch();
    resetSoftwareDrawContext(*dc_);
    return dc_.get();
}

void SoftwareSurface::releaseDC(DrawContext* /*dc*/) {
    touch();
}

uint32_t SoftwareSurface::junkPixel(int x, int y) {
    // Magenta and cyan stripes; never 0, so keyed copies show the junk too.
    return ((x / 4 + y / 4) & 1) ? 0x00FF00FFu : 0x0000FFFFu;
}

SurfaceResult SoftwareSurface::restore() {
    touch();
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
    touch();
    backBuffer_->touch();
    std::swap(pixels_, backBuffer_->pixels_);
    if (presenter_) {
        LockedPixels front{reinterpret_cast<uint8_t*>(pixels_.data()), pitch(), width_, height_};
        presenter_->present(front);
    }
    return SURFACE_OK;
}

}  // namespace shardfall
