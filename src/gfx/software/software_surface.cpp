#include "gfx/software/software_surface.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "gfx/software/software_bands.h"
#include "gfx/software/software_draw_context.h"

namespace shardfall {

namespace {
uint64_t nextSerial() {
    static std::atomic<uint64_t> serial{0};
    return ++serial;
}

bool inside(const Rect& r, int width, int height) {
    return r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height &&
           r.left < r.right && r.top < r.bottom;
}
}  // namespace

SoftwareSurface::SoftwareSurface(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u),
      serial_(nextSerial()),
      waiting_(*this, height_),
      packed_(width_, height_),
      plainTiles_(width_, height_),
      dc_(makeSoftwareDrawContext(*this)) {}

SoftwareSurface::~SoftwareSurface() {
    // A surface waiting to copy from this one does so while the pixels are still here; what
    // waits to be copied into this one is of no use any more.
    readers_.finish();
    waiting_.forget();
}

std::unique_ptr<SoftwareSurface> SoftwareSurface::createPrimary(int width, int height) {
    auto primary = std::make_unique<SoftwareSurface>(width, height);
    primary->backBuffer_ = std::make_unique<SoftwareSurface>(width, height);
    primary->flipChanges_ = FlipChanges(primary->width_, primary->height_);
    return primary;
}

bool SoftwareSurface::containsRect(const Rect& r) const {
    return inside(r, width_, height_);
}

uint32_t* SoftwareSurface::writePixels() {
    readPixels();
    change();
    plainTiles_.markAllWritten();
    return pixels_.data();
}

uint32_t* SoftwareSurface::rowsForDrawing(const Rect& area) {
    waiting_.finishRows(area.top, area.bottom);
    change();
    plainTiles_.markWritten(area);
    return pixels_.data() + index(0, area.top);
}

void SoftwareSurface::change() {
    if (shows_ != nullptr) {
        detach();
    }
    ++version_;
    readers_.finish();
}

void SoftwareSurface::detach() {
    const SoftwareSurface& shown = *shows_;
    const uint32_t* frame = shown.readPixels();
    // Any version this surface had while it showed the other one stays behind.
    version_ = version();
    shows_ = nullptr;
    pixels_.assign(frame, frame + shown.pixels_.size());
    plainTiles_.markAllWritten();
    flipChanges_.forget();
}

SurfaceResult SoftwareSurface::setColorKey(uint32_t key) {
    change();
    colorKey_ = key;
    return SURFACE_OK;
}

CopyRows SoftwareSurface::pixelsToCopy() {
    return CopyRows{readPixels(), width_, &owner().readers_};
}

CopyRows SoftwareSurface::packedToCopy(const Rect& area) {
    // A primary showing its back buffer's pixels is not packed.
    if (shows_ != nullptr || !packed_.packsAny()) {
        return CopyRows{};
    }
    if (!packed_.holds(version_)) {
        // Copies still waiting to read the old packing read it first.
        readers_.finish();
        packed_.restart(version_);
    }
    return CopyRows{packed_.find(area, readPixels(), width_, colorKey_), 0, &readers_};
}

CopyRows SoftwareSurface::stretchedToCopy(const Rect& area, int width, StretchStamp& stamp) {
    const uint64_t now = version();
    if (!stretched_.holds(now, area, width)) {
        readers_.finish();
        stretched_.make(readPixels(), width_, now, area, width);
    }
    stamp = StretchStamp{serial_, now, area, Rect{}};
    return CopyRows{stretched_.rows(), width, &readers_};
}

SurfaceResult SoftwareSurface::bltFast(int x, int y, Surface& src, const Rect& srcRect,
                                       uint32_t flags) {
    if (lost_ || src.isLost()) {
        return SURFACE_ERR_SURFACELOST;
    }
    SoftwareCopySource* source = src.softwareCopySource();
    if (source == nullptr) {
        return SURFACE_ERR_INVALIDOBJECT;
    }
    const Rect dstRect{x, y, x + srcRect.width(), y + srcRect.height()};
    if (!inside(srcRect, src.width(), src.height()) || !containsRect(dstRect)) {
        return SURFACE_ERR_INVALIDRECT;
    }
    const bool keyed = (flags & BLTFAST_SRCCOLORKEY) != 0;
    CopyRows rows = source->pixelsToCopy();
    // Onto itself (or the primary onto its back buffer, the same pixels), a keyed copy may read
    // pixels it has just written, so it goes pixel by pixel and at once; so does a keyed copy
    // from a surface that cannot pack the rectangle.
    const bool samePixels = rows.first == owner().pixels_.data();
    if (!samePixels && keyed) {
        rows = source->packedToCopy(srcRect);
    } else if (!samePixels) {
        rows.first += static_cast<size_t>(srcRect.top) * rows.pitch + srcRect.left;
    }
    if (samePixels || rows.first == nullptr) {
        copyAtOnce(x, y, *source, srcRect, keyed);
        return SURFACE_OK;
    }
    change();
    waiting_.add(WaitingCopy{rows.first, rows.pitch, keyed, x, y, dstRect.width(), dstRect.height(),
                             0, StretchStamp{}},
                 *rows.readers);
    return SURFACE_OK;
}

SurfaceResult SoftwareSurface::blt(const Rect& dstRect, Surface& src, const Rect* srcRectIn,
                                   uint32_t flags) {
    if (lost_ || src.isLost()) {
        return SURFACE_ERR_SURFACELOST;
    }
    SoftwareCopySource* source = src.softwareCopySource();
    if (source == nullptr) {
        return SURFACE_ERR_INVALIDOBJECT;
    }
    const Rect srcRect = srcRectIn ? *srcRectIn : Rect{0, 0, src.width(), src.height()};
    if (!inside(srcRect, src.width(), src.height()) || !containsRect(dstRect) ||
        dstRect.width() > MAX_STRETCH_WIDTH) {
        return SURFACE_ERR_INVALIDRECT;
    }
    const bool keyed = (flags & BLT_KEYSRC) != 0;
    // An unkeyed stretch (the background over the whole frame, every frame) copies rows the
    // source keeps stretched to this width, sampled only when the source has changed.
    if (keyed || source->pixelsToCopy().first == owner().pixels_.data()) {
        stretchAtOnce(dstRect, *source, srcRect, keyed);
        return SURFACE_OK;
    }
    StretchStamp stamp;
    const CopyRows rows = source->stretchedToCopy(srcRect, dstRect.width(), stamp);
    stamp.to = dstRect;
    change();
    waiting_.add(WaitingCopy{rows.first, rows.pitch, false, dstRect.left, dstRect.top,
                             dstRect.width(), dstRect.height(), srcRect.height(), stamp},
                 *rows.readers);
    return SURFACE_OK;
}

void SoftwareSurface::copyAtOnce(int x, int y, SoftwareCopySource& source, const Rect& srcRect,
                                 bool keyed) {
    uint32_t* const to = writePixels() + index(x, y);
    // Read after writing starts: a primary copied onto itself has just been given its own pixels.
    const CopyRows from = source.pixelsToCopy();
    const uint32_t key = source.keyToCopy();
    const int w = srcRect.width();
    for (int row = 0; row < srcRect.height(); ++row) {
        const uint32_t* s =
            from.first + static_cast<size_t>(srcRect.top + row) * from.pitch + srcRect.left;
        uint32_t* d = to + static_cast<size_t>(row) * width_;
        if (!keyed) {
            std::memmove(d, s, static_cast<size_t>(w) * sizeof(uint32_t));
            continue;
        }
        for (int i = 0; i < w; ++i) {
            if (s[i] != key) {
                d[i] = s[i];
            }
        }
    }
}

void SoftwareSurface::stretchAtOnce(const Rect& dstRect, SoftwareCopySource& source,
                                    const Rect& srcRect, bool keyed) {
    uint32_t* const to = writePixels() + index(dstRect.left, dstRect.top);
    const CopyRows from = source.pixelsToCopy();
    const uint32_t key = source.keyToCopy();
    const int dw = dstRect.width();
    const int dh = dstRect.height();
    const uint64_t stepX = stretchStep(srcRect.width(), dw);
    int previousSy = -1;
    for (int dy = 0; dy < dh; ++dy) {
        const int sy =
            srcRect.top + static_cast<int>(static_cast<int64_t>(dy) * srcRect.height() / dh);
        const uint32_t* s = from.first + static_cast<size_t>(sy) * from.pitch + srcRect.left;
        uint32_t* d = to + static_cast<size_t>(dy) * width_;
        // Enlarged, one source row makes several equal rows: an unkeyed copy repeats the row
        // it has just made, which is far cheaper than sampling it again.
        if (!keyed && sy == previousSy) {
            std::memcpy(d, d - width_, static_cast<size_t>(dw) * sizeof(uint32_t));
            continue;
        }
        previousSy = sy;
        if (!keyed) {
            stretchRow(s, d, dw, stepX);
            continue;
        }
        uint64_t fx = 0;
        for (int dx = 0; dx < dw; ++dx, fx += stepX) {
            const uint32_t p = s[fx >> 32];
            if (p != key) {
                d[dx] = p;
            }
        }
    }
}

void SoftwareSurface::carryOut(const WaitingCopy& copy, int band) {
    const int first = std::max(band * BAND_ROWS, copy.y);
    const int last = std::min(std::min((band + 1) * BAND_ROWS, height_), copy.y + copy.height);
    if (copy.stretchedHeight > 0) {
        carryOutStretch(copy, band, first, last);
        return;
    }
    plainTiles_.markWritten(Rect{copy.x, first, copy.x + copy.width, last});
    uint32_t* to = pixels_.data() + index(copy.x, first);
    if (copy.packed) {
        PackedRects::draw(copy.from, copy.y, first, last, to, width_);
        return;
    }
    const size_t rowBytes = static_cast<size_t>(copy.width) * sizeof(uint32_t);
    for (int y = first; y < last; ++y, to += width_) {
        std::memcpy(to, copy.from + static_cast<size_t>(y - copy.y) * copy.fromPitch, rowBytes);
    }
}

void SoftwareSurface::carryOutStretch(const WaitingCopy& copy, int band, int first, int last) {
    // Tile by tile: the ones still plain are left out, the others written in spans of columns.
    const int top = band * BAND_ROWS;
    const bool allRows =
        copy.y <= top && copy.y + copy.height >= std::min(top + BAND_ROWS, height_);
    const int spanEnds =
        plainTiles_.spansToWrite(copy.stamp, band, copy.x, copy.x + copy.width, allRows);
    const int* spans = plainTiles_.spans();
    for (int y = first; y < last && spanEnds > 0; ++y) {
        const int sy =
            static_cast<int>(static_cast<int64_t>(y - copy.y) * copy.stretchedHeight / copy.height);
        const uint32_t* from = copy.from + static_cast<size_t>(sy) * copy.fromPitch;
        uint32_t* to = pixels_.data() + index(0, y);
        for (int i = 0; i < spanEnds; i += 2) {
            std::memcpy(to + spans[i], from + (spans[i] - copy.x),
                        static_cast<size_t>(spans[i + 1] - spans[i]) * sizeof(uint32_t));
        }
    }
}

SurfaceResult SoftwareSurface::lock(LockedPixels& out) {
    if (lost_) {
        return SURFACE_ERR_SURFACELOST;
    }
    out.bits = reinterpret_cast<uint8_t*>(writePixels());
    out.pitch = pitch();
    out.width = width_;
    out.height = height_;
    locked_ = true;
    return SURFACE_OK;
}

SurfaceResult SoftwareSurface::unlock() {
    if (!locked_) {
        return SURFACE_ERR_NOTLOCKED;
    }
    change();
    locked_ = false;
    return SURFACE_OK;
}

DrawContext* SoftwareSurface::getDC() {
    if (lost_) {
        return nullptr;
    }
    change();
    resetSoftwareDrawContext(*dc_);
    return dc_.get();
}

void SoftwareSurface::releaseDC(DrawContext* /*dc*/) {
    change();
}

uint32_t SoftwareSurface::junkPixel(int x, int y) {
    // Magenta and cyan stripes; never 0, so keyed copies show the junk too.
    return ((x / 4 + y / 4) & 1) ? 0x00FF00FFu : 0x0000FFFFu;
}

SurfaceResult SoftwareSurface::restore() {
    uint32_t* p = writePixels();
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            *p++ = junkPixel(x, y);
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
    SoftwareSurface& back = *backBuffer_;
    readPixels();
    back.readPixels();
    // What waits to read the frame shown so far reads it now; then the primary shows the back
    // buffer's pixels, and its own are given back.
    readers_.finish();
    version_ = version() + 1;
    shows_ = &back;
    std::vector<uint32_t>().swap(pixels_);
    const FrameChanges changes = flipChanges_.flipped(back.plainTiles_);
    if (presenter_) {
        const LockedPixels front{reinterpret_cast<uint8_t*>(back.pixels_.data()), pitch(), width_,
                                 height_};
        presenter_->presentChanges(front, changes);
    }
    return SURFACE_OK;
}

}  // namespace shardfall
