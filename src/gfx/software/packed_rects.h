// The rectangles of a surface that keyed copies have read, packed as a keyed copy reads them:
// for each row of a rectangle, where its data starts; then, row by row, the number of opaque
// runs, and for each run its column and length (x << 16 | length) and its pixels. A copy reads
// nothing but what it writes, one rectangle after another in memory, and never tests a pixel for
// the key. A hash index finds a rectangle packed before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/surface.h"

namespace shardfall {

class PackedRects {
  public:
    // For a surface of width × height pixels. A surface too wide for a run's column to fit in
    // 16 bits packs nothing.
    PackedRects(int width, int height);

    bool packsAny() const { return budget_ != 0; }
    // Whether what is packed was read from the pixels at `version`.
    bool holds(uint64_t version) const { return version_ == version; }
    // Forgets every rectangle: from now on they are read from the pixels at `version`. Nothing
    // may still read what was packed before.
    void restart(uint64_t version);

    // Where rectangle r of the pixels (rows `pitch` pixels apart) starts packed, with `key` left
    // out; packed now if it was not before. Null when it does not fit in what may be packed.
    // What is packed stays where it is until restart().
    const uint32_t* find(const Rect& r, const uint32_t* pixels, int pitch, uint32_t key);

    // Writes rows [first, last) of a packed rectangle whose top row is `top`, over the pixels
    // from `to` on (its left column in row `first`, rows `pitch` pixels apart).
    static void draw(const uint32_t* packed, int top, int first, int last, uint32_t* to, int pitch);

  private:
    struct Slot {
        Rect rect;
        int at;  // where the rectangle starts in packed_; -1 for a free slot
    };
    size_t slotOf(const Rect& r) const;
    void growIndex();
    int pack(const Rect& r, const uint32_t* pixels, int pitch, uint32_t key);

    // What may be packed, reserved whole at the first rectangle, so that packing more never
    // allocates or moves what is packed (and pages are only taken when written).
    size_t budget_;
    std::vector<uint32_t> packed_;
    // A power of two in size, at most three quarters full.
    std::vector<Slot> index_;
    int count_ = 0;
    uint64_t version_ = UINT64_MAX;
};

}  // namespace shardfall
