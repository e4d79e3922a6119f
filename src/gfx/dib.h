// Device-independent bitmaps as GDI's StretchDIBits takes them: the header values that matter
// and a view of the pixel rows, plus the stretch onto 0x00RRGGBB pixels that the software
// drawing context uses. Only uncompressed 16 (5-5-5), 24 and 32 bits per pixel exist here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/surface.h"

namespace shardfall {

struct DibPicture {
    int width = 0;
    int height = 0;  // negative when the rows are stored top-down
    int bitCount = 0;
    const uint8_t* bits = nullptr;
    size_t bitsSize = 0;  // bytes readable at bits
};

// Bytes per stored row: width × bitCount bits rounded up to whole 32-bit words, or 0 when the
// width or bit count is not one this module reads.
size_t dibRowStride(int width, int bitCount);

// True when the picture's rows all lie within its bits.
bool dibIsReadable(const DibPicture& picture);

// Nearest-neighbour copy of the picture's rectangle src (top-left origin, in picture pixels)
// onto dst of a pixel buffer, writing only the destination pixels inside the buffer. Returns
// the number of destination rows written, 0 when the picture or src is unusable.
int stretchDibOntoPixels(uint32_t* pixels, int pitchInPixels, int width, int height,
                         const Rect& dst, const Rect& src, const DibPicture& picture);

}  // namespace shardfall
