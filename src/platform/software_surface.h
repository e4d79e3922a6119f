// The in-memory surface used on every platform without DirectDraw.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/surface.h"

namespace shardfall {

class SoftwareSurface final : public Surface {
  public:
    SoftwareSurface(int width, int height);
    ~SoftwareSurface() override;
    SoftwareSurface(const SoftwareSurface&) = delete;
    SoftwareSurface& operator=(const SoftwareSurface&) = delete;

    // A primary surface with one attached back buffer of the same size. A flip hands the back
    // buffer's frame to the presenter, if one is set, and from then on the primary shows the back
    // buffer's own pixels instead of a copy: the frame is composed in the same memory every time,
    // which stays in the cache, and nothing but the next flip looks at the primary while it is.
    // Writing to the primary itself first gives it its own copy of the frame it shows.
    static std::unique_ptr<SoftwareSurface> createPrimary(int width, int height);
    void setPresenter(FramePresenter* presenter) { presenter_ = presenter; }

    int width() const override { return width_; }
    int height() const override { return height_; }
    SurfaceResult setColorKey(uint32_t key) override;
    uint32_t colorKey() const { return colorKey_; }

    SurfaceResult bltFast(int x, int y, Surface& src, const Rect& srcRect, uint32_t flags) override;
    SurfaceResult blt(const Rect& dstRect, Surface& src, const Rect* srcRect,
                      uint32_t flags) override;
    SurfaceResult lock(LockedPixels& out) override;
    SurfaceResult unlock() override;
    DrawContext* getDC() override;
    void releaseDC(DrawContext* dc) override;
    bool isLost() const override { return lost_; }
    SurfaceResult restore() override;
    Surface* attachedBackBuffer() override { return backBuffer_.get(); }
    SurfaceResult flip(uint32_t flags) override;

    // Simulates the display taking the memory away (as a mode switch does). The pixels are
    // kept until restore() replaces them with junk.
    void markLost() { lost_ = true; }

    // Direct pixel access for tests, tools and the other software back ends. Writable access
    // counts as a change of the pixels (see version()). Every access sees the copies made so far,
    // and a row pointer reaches over the whole surface.
    uint32_t pixel(int x, int y) const {
        settle();
        return data()[static_cast<size_t>(y) * width_ + x];
    }
    void setPixel(int x, int y, uint32_t rgb) {
        settle();
        touch();
        markAllWritten();
        pixels_[static_cast<size_t>(y) * width_ + x] = rgb;
    }
    uint32_t* row(int y) {
        settle();
        touch();
        markAllWritten();
        return pixels_.data() + static_cast<size_t>(y) * width_;
    }
    const uint32_t* row(int y) const {
        settle();
        return data() + static_cast<size_t>(y) * width_;
    }
    // The rows of a non-empty area inside the surface, for reading and writing within the area:
    // as row(area.top), but copies waiting elsewhere stay waiting. For drawing a little text.
    uint32_t* rowsForDrawing(const Rect& area);
    int pitch() const { return width_ * 4; }

    // Grows with every possible change of the pixels or the colour key: writable access, lock,
    // drawing context, copies into the surface, restore, flip. What is derived from the pixels
    // (the packed rectangles, the stretched rows) is rebuilt when it no longer matches.
    uint64_t version() const { return shows_ != nullptr ? version_ + shows_->version_ : version_; }

    // The pattern that restore() leaves: visible junk, so a missing repaint shows.
    static uint32_t junkPixel(int x, int y);

  private:
    // What a stretched copy made: every pixel of `to` taken from `from` of the source with that
    // serial number as it was at that version.
    struct StretchStamp {
        uint64_t source = 0;
        uint64_t version = 0;
        Rect from;
        Rect to;
        bool operator==(const StretchStamp&) const = default;
    };
    // A copy into this surface that has been checked and answered but not yet carried out.
    // The source's pixels, packed rectangles and stretched rows it reads stay as they are until
    // it is done: any change of the source first carries out the copies waiting to read it.
    struct WaitingCopy {
        SoftwareSurface* source;
        // Source row sy of an unkeyed copy (after stretching, for a stretched copy).
        const uint32_t* from;
        int fromPitch;  // in pixels
        // A keyed copy reads the source's packed rectangle instead: where it starts in packed_,
        // which may grow while the copy waits. -1 for an unkeyed copy.
        int packed;
        // Destination rectangle; a stretched copy takes destination row dy from source row
        // dy * stretchedHeight / height, any other from row dy.
        int x, y, width, height;
        int stretchedHeight;
        StretchStamp stamp;  // stretched copies only
    };
    struct BandEntry {
        int copy;
        int next;
    };

    bool containsRect(const Rect& r) const;
    // The surface whose pixels this one shows: its back buffer for a primary after a flip.
    const SoftwareSurface& owner() const { return shows_ != nullptr ? *shows_ : *this; }
    SoftwareSurface& owner() { return shows_ != nullptr ? *shows_ : *this; }
    const uint32_t* data() const { return owner().pixels_.data(); }
    void touch() {
        if (shows_ != nullptr) {
            detach();
        }
        ++version_;
        if (reader_ != nullptr) {
            reader_->settle();
        }
    }
    void detach();
    // Carries out every waiting copy into this surface. Reading the pixels through a const
    // surface is still reading what the copies made, so this counts as const.
    void settle() const {
        if (owner().bandsWaiting_ != 0) {
            const_cast<SoftwareSurface&>(owner()).settleBands(0, height_);
        }
    }
    void settleBands(int top, int bottom);
    void settleBand(int band);
    void carryOut(const WaitingCopy& copy, int band);
    void carryOutStretch(const WaitingCopy& copy, int band, int first, int last);
    void markWritten(const Rect& area);
    void markAllWritten() {
        if (anyPlainTiles_) {
            std::fill(plainTiles_.begin(), plainTiles_.end(), uint8_t{0});
            anyPlainTiles_ = false;
        }
    }
    void wait(const WaitingCopy& copy);
    void forgetWaitingCopies();
    int packedRect(const Rect& r);
    size_t packedSlot(const Rect& r) const;
    int packRect(const Rect& r);
    const uint32_t* stretchedRows(const Rect& srcRect, int dstWidth);

    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
    uint64_t version_ = 0;

    // For keyed copies from this surface: each rectangle copied so far, packed as a keyed copy
    // reads it. For each row of the rectangle, where its data starts; then, row by row, the
    // number of opaque runs, and for each run its column and length (x << 16 | length) and its
    // pixels. A copy reads nothing but what it writes, one rectangle after another in memory,
    // and never tests a pixel for the key. packedIndex_ finds a rectangle's start (-1: a free
    // slot; a power of two in size, at most three quarters full).
    struct PackedSlot {
        Rect rect;
        int at;
    };
    std::vector<uint32_t> packed_;
    std::vector<PackedSlot> packedIndex_;
    int packedCount_ = 0;
    uint64_t packedVersion_ = UINT64_MAX;

    // For stretched copies from this surface: the source rows stretched to the last destination
    // width, so that repeating the same stretch is one plain row copy per destination row.
    std::vector<uint32_t> stretched_;
    uint64_t stretchedVersion_ = UINT64_MAX;
    Rect stretchedSource_;
    int stretchedWidth_ = 0;
    // Copies into this surface wait until their pixels are needed, and are then carried out in
    // bands of rows, each band taking the waiting copies in the order they were made. That
    // gives the same pixels as copying at once, but a band is written while it is in the cache:
    // the background and the blocks over it reach memory once. A band's waiting copies are a
    // list in entries_, from bandFirst_ to bandLast_ (-1 when it has none).
    std::vector<WaitingCopy> waiting_;
    std::vector<BandEntry> entries_;
    std::vector<int> bandFirst_;
    std::vector<int> bandLast_;
    int bandsWaiting_ = 0;
    // The surface with copies waiting to read this one, if any.
    SoftwareSurface* reader_ = nullptr;

    // A frame is stretched over the whole screen and drawn on again and again. Tiles of a band's
    // rows by 32 columns that hold nothing but the last stretch made into these pixels (as the
    // stamp tells) are not written again by the same stretch: most of the screen never changes
    // under the blocks. Any other write to a tile marks it as not plain.
    uint64_t serial_;
    int tileColumns_;
    std::vector<uint8_t> plainTiles_;
    StretchStamp plainStamp_;
    bool anyPlainTiles_ = false;
    std::vector<int> stretchSpans_;  // left and right columns of the spans a stretch writes

    uint32_t colorKey_ = 0;
    bool lost_ = false;
    bool locked_ = false;
    std::unique_ptr<SoftwareSurface> backBuffer_;
    FramePresenter* presenter_ = nullptr;
    // Primary surfaces: the back buffer while the primary shows its pixels, null before the first
    // flip and after a write to the primary.
    SoftwareSurface* shows_ = nullptr;
    // Primary surfaces: what the last flip changed, and the back buffer's plain tiles at the flip
    // before, from which the next flip tells which tiles still show the same pixels.
    std::vector<uint8_t> changedTiles_;
    std::vector<uint8_t> flippedPlainTiles_;
    StretchStamp flippedStamp_;
    bool flippedValid_ = false;
    std::unique_ptr<DrawContext> dc_;
};

}  // namespace shardfall
