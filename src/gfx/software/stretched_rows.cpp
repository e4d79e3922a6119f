#include "gfx/software/stretched_rows.h"

#include <cstddef>

namespace shardfall {

// The step is rounded up: rounded down, i * step falls just short of a whole number where the
// true quotient is one, and a column samples its left neighbour. Rounded up, the excess (below
// dstWidth in total) stays under the smallest fraction step 2^32 / dstWidth while
// dstWidth <= MAX_STRETCH_WIDTH.
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

void StretchedRows::make(const uint32_t* pixels, int pitch, uint64_t version, const Rect& area,
                         int width) {
    rows_.resize(static_cast<size_t>(area.height()) * static_cast<size_t>(width));
    const uint64_t stepX = stretchStep(area.width(), width);
    for (int sy = 0; sy < area.height(); ++sy) {
        stretchRow(pixels + static_cast<size_t>(area.top + sy) * pitch + area.left,
                   rows_.data() + static_cast<size_t>(sy) * width, width, stepX);
    }
    version_ = version;
    area_ = area;
    width_ = width;
}

}  // namespace shardfall
