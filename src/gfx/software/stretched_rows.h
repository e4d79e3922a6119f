// Nearest-neighbour stretching for the software surfaces, and the rows a surface keeps stretched
// for the stretched copies made from it.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/surface.h"

namespace shardfall {

// The widest destination a stretch samples exactly (see stretchStep).
constexpr int MAX_STRETCH_WIDTH = 65536;

// Nearest neighbour in 32.32 fixed point: destination pixel i samples source pixel
// floor(i * srcWidth / dstWidth) at i * stretchStep(srcWidth, dstWidth) >> 32.
uint64_t stretchStep(int srcWidth, int dstWidth);
void stretchRow(const uint32_t* from, uint32_t* to, int dstWidth, uint64_t stepX);

// What a stretched copy made: every pixel of `to` taken from `from` of the source with that
// serial number as it was at that version.
struct StretchStamp {
    uint64_t source = 0;
    uint64_t version = 0;
    Rect from;
    Rect to;
    bool operator==(const StretchStamp&) const = default;
};

// A source's rows stretched to the last destination width, so that repeating the same stretch
// is one plain row copy per destination row.
class StretchedRows {
  public:
    // Whether the rows are those of `area` of the pixels at `version`, `width` columns wide.
    bool holds(uint64_t version, const Rect& area, int width) const {
        return version_ == version && area_ == area && width_ == width;
    }
    // Stretches each row of `area` of the pixels (rows `pitch` pixels apart) to `width` columns.
    void make(const uint32_t* pixels, int pitch, uint64_t version, const Rect& area, int width);
    // Row sy of the area, stretched, starts sy * width pixels in.
    const uint32_t* rows() const { return rows_.data(); }

  private:
    std::vector<uint32_t> rows_;
    uint64_t version_ = UINT64_MAX;
    Rect area_;
    int width_ = 0;
};

}  // namespace shardfall
