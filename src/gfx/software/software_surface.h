// The in-memory surface used on every platform without DirectDraw. Its parts, each in a file of
// its own: the copies waiting to be carried out into it (waiting_copies.h), the rectangles keyed
// copies read packed (packed_rects.h), the rows stretched copies read (stretched_rows.h), and
// the tiles still plain with the last stretch and the changes a flip reports (plain_tiles.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/software/packed_rects.h"
#include "gfx/software/plain_tiles.h"
#include "gfx/software/software_copy_source.h"
#include "gfx/software/stretched_rows.h"
#include "gfx/software/waiting_copies.h"
#include "gfx/surface.h"

namespace shardfall {

class SoftwareSurface final : public Surface, private SoftwareCopySource, private CopyTarget {
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
    // The attached back buffer of a primary surface, null for any other.
    SoftwareSurface* backBuffer() { return backBuffer_.get(); }

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
    SoftwareCopySource* softwareCopySource() override { return this; }

    // Simulates the display taking the memory away (as a mode switch does). The pixels are
    // kept until restore() replaces them with junk.
    void markLost() { lost_ = true; }

    // Direct pixel access for tests, tools and the other software back ends. Writable access
    // counts as a change of the pixels (see version()). Every access sees the copies made so far,
    // and a row pointer reaches over the whole surface.
    uint32_t pixel(int x, int y) const { return readPixels()[index(x, y)]; }
    void setPixel(int x, int y, uint32_t rgb) { writePixels()[index(x, y)] = rgb; }
    uint32_t* row(int y) { return writePixels() + index(0, y); }
    const uint32_t* row(int y) const { return readPixels() + index(0, y); }
    // The rows of a non-empty area inside the surface, for reading and writing within the area:
    // as row(area.top), but copies waiting elsewhere stay waiting. For drawing a little text.
    uint32_t* rowsForDrawing(const Rect& area);
    int pitch() const { return width_ * 4; }

    // Grows with every possible change of the pixels or the colour key: writable access, lock,
    // drawing context, copies into the surface, restore, flip. What is derived from the pixels
    // (the packed rectangles, the stretched rows) is made again when it no longer matches.
    uint64_t version() const { return shows_ != nullptr ? version_ + shows_->version_ : version_; }

    // The pattern that restore() leaves: visible junk, so a missing repaint shows.
    static uint32_t junkPixel(int x, int y);

  private:
    size_t index(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }
    bool containsRect(const Rect& r) const;

    // Every way to the pixels keeps the rules: reading first carries out the copies waiting to
    // write them, and writing also has the copies waiting to read them carried out first, gives
    // a primary its own pixels and counts as a change. Reading the pixels through a const
    // surface is still reading what the copies made, so that counts as const.
    const uint32_t* readPixels() const {
        const SoftwareSurface& shown = owner();
        shown.waiting_.finishAll();
        return shown.pixels_.data();
    }
    uint32_t* writePixels();
    // Before any change of the pixels or the colour key: the copies waiting to read this surface
    // are carried out, a primary gets its own pixels, and the version grows. The pixels are then
    // written by the caller, or later by the copies it queues.
    void change();

    // The surface whose pixels this one shows: its back buffer for a primary after a flip.
    const SoftwareSurface& owner() const { return shows_ != nullptr ? *shows_ : *this; }
    SoftwareSurface& owner() { return shows_ != nullptr ? *shows_ : *this; }
    void detach();

    // What copies from this surface read (SoftwareCopySource).
    CopyRows pixelsToCopy() override;
    CopyRows packedToCopy(const Rect& area) override;
    CopyRows stretchedToCopy(const Rect& area, int width, StretchStamp& stamp) override;
    uint32_t keyToCopy() const override { return colorKey_; }

    // Copies into this surface (CopyTarget): carried out later, or at once where they may read
    // what they write.
    void carryOut(const WaitingCopy& copy, int band) override;
    void carryOutStretch(const WaitingCopy& copy, int band, int first, int last);
    void copyAtOnce(int x, int y, SoftwareCopySource& source, const Rect& srcRect, bool keyed);
    void stretchAtOnce(const Rect& dstRect, SoftwareCopySource& source, const Rect& srcRect,
                       bool keyed);

    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
    uint64_t version_ = 0;
    // Tells this surface's stretches apart from every other's.
    uint64_t serial_;
    uint32_t colorKey_ = 0;
    bool lost_ = false;
    bool locked_ = false;

    mutable WaitingCopies waiting_;
    CopyReaders readers_;
    PackedRects packed_;
    StretchedRows stretched_;
    PlainTiles plainTiles_;

    // Primary surfaces: the back buffer, and the one whose pixels the primary shows (the back
    // buffer after a flip; null before the first flip and after a write to the primary).
    std::unique_ptr<SoftwareSurface> backBuffer_;
    SoftwareSurface* shows_ = nullptr;
    FramePresenter* presenter_ = nullptr;
    FlipChanges flipChanges_;
    std::unique_ptr<DrawContext> dc_;
};

}  // namespace shardfall
