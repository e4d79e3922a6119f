// Drawing surfaces: 32-bit pixel buffers with a source colour key, and the copy, lock, restore
// and flip operations the game relies on. Each operation maps onto one DirectDraw 7 call, so a
// native Windows build can implement Surface with the real thing.
#pragma once

#include <cstdint>

namespace shardfall {

class DrawContext;
class SoftwareCopySource;

// A rectangle with exclusive right and bottom edges, as the platform's RECT.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// Copy flags. The values are DirectDraw's, so call sites read like the design.
enum BltFastFlags : uint32_t {
    BLTFAST_NOCOLORKEY = 0x0,
    BLTFAST_SRCCOLORKEY = 0x1,
    BLTFAST_WAIT = 0x10,
};
enum BltFlags : uint32_t {
    BLT_ROP = 0x20000,
    BLT_KEYSRC = 0x8000,
};
enum FlipFlags : uint32_t {
    FLIP_NOVSYNC_DONOTWAIT = 0x28,
};

// Result codes: 0 is success, negative values are failures, as HRESULTs are.
using SurfaceResult = int32_t;
constexpr SurfaceResult SURFACE_OK = 0;
constexpr SurfaceResult SURFACE_ERR_INVALIDOBJECT = static_cast<int32_t>(0x88760082);
constexpr SurfaceResult SURFACE_ERR_INVALIDRECT = static_cast<int32_t>(0x88760096);
constexpr SurfaceResult SURFACE_ERR_SURFACELOST = static_cast<int32_t>(0x887601C2);
constexpr SurfaceResult SURFACE_ERR_NOTFLIPPABLE = static_cast<int32_t>(0x887601E0);
constexpr SurfaceResult SURFACE_ERR_NOTLOCKED = static_cast<int32_t>(0x887601E6);

// What a successful lock hands out: the first pixel and the row pitch in bytes.
struct LockedPixels {
    uint8_t* bits = nullptr;
    int pitch = 0;
    int width = 0;
    int height = 0;
};

// Which parts of a flipped frame may differ from the frame flipped before it, in tiles of
// tileWidth × tileHeight pixels, row by row (the last tile of a row or column may be cut short
// by the frame's edge). A tile whose byte is 0 holds the same pixels as before. Without
// `changed`, any pixel may differ.
struct FrameChanges {
    const uint8_t* changed = nullptr;
    int tileWidth = 0;
    int tileHeight = 0;
    int columns = 0;
    int rows = 0;
};

// Receives the front buffer after every flip: the window system's side of the primary surface.
class FramePresenter {
  public:
    virtual ~FramePresenter() = default;
    virtual void present(const LockedPixels& front) = 0;
    // What flips call: a presenter that still shows the frame before may copy only the changes.
    virtual void presentChanges(const LockedPixels& front, const FrameChanges& /*changes*/) {
        present(front);
    }
};

// A surface of 0x00RRGGBB pixels. Copies never clip: a copy whose destination rectangle is
// empty, inverted or not wholly inside the destination draws nothing, and so does a source
// rectangle that is not wholly inside its surface.
class Surface {
  public:
    virtual ~Surface() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;

    // Source colour key for keyed copies from this surface (low and high value the same).
    virtual SurfaceResult setColorKey(uint32_t key) = 0;

    // Unscaled copy of srcRect from src with its top-left corner at (x, y).
    virtual SurfaceResult bltFast(int x, int y, Surface& src, const Rect& srcRect,
                                  uint32_t flags) = 0;
    // Scaled copy of srcRect (or all of src when null) onto dstRect, nearest-neighbour.
    virtual SurfaceResult blt(const Rect& dstRect, Surface& src, const Rect* srcRect,
                              uint32_t flags) = 0;

    virtual SurfaceResult lock(LockedPixels& out) = 0;
    virtual SurfaceResult unlock() = 0;

    // A drawing context on the pixels, or null when none can be had. Release it before
    // the next getDC, lock or copy involving this surface.
    virtual DrawContext* getDC() = 0;
    virtual void releaseDC(DrawContext* dc) = 0;

    virtual bool isLost() const = 0;
    virtual SurfaceResult restore() = 0;

    // Primary surfaces only: the back buffer becomes the front buffer and is presented.
    virtual Surface* attachedBackBuffer() = 0;
    virtual SurfaceResult flip(uint32_t flags) = 0;

    // What the in-memory surfaces' copies read from this surface when it is their source
    // (software_copy_source.h); null for a surface of another kind, which they refuse to copy
    // from (SURFACE_ERR_INVALIDOBJECT).
    virtual SoftwareCopySource* softwareCopySource() { return nullptr; }
};

}  // namespace shardfall
