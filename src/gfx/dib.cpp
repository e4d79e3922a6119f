#include "gfx/dib.h"

#include <cstdlib>

namespace shardfall {

size_t dibRowStride(int width, int bitCount) {
    if (width <= 0 || (bitCount != 16 && bitCount != 24 && bitCount != 32)) {
        return 0;
    }
    const uint64_t bitsPerRow = static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount);
    return static_cast<size_t>((bitsPerRow + 31) / 32 * 4);
}

bool dibIsReadable(const DibPicture& picture) {
    const size_t stride = dibRowStride(picture.width, picture.bitCount);
    if (stride == 0 || picture.height == 0 || picture.bits == nullptr) {
        return false;
    }
    // The magnitude of a height of INT32_MIN does not fit an int; no such picture exists.
    const int64_t rows = std::llabs(static_cast<int64_t>(picture.height));
    if (rows > INT32_MAX) {
        return false;
    }
    // Compared by division, so that no product can overflow.
    return stride <= picture.bitsSize && static_cast<uint64_t>(rows) <= picture.bitsSize / stride;
}

namespace {

uint32_t expandFiveBits(uint32_t c) {
    return (c << 3) | (c >> 2);
}

uint32_t readPixel(const uint8_t* p, int bitCount) {
    switch (bitCount) {
        case 16: {
            const uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
            return (expandFiveBits((v >> 10) & 31) << 16) | (expandFiveBits((v >> 5) & 31) << 8) |
                   expandFiveBits(v & 31);
        }
        default:  // 24 and 32: blue, green, red (and an unused byte)
            return (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
    }
}

}  // namespace

int stretchDibOntoPixels(uint32_t* pixels, int pitchInPixels, int width, int height,
                         const Rect& dst, const Rect& src, const DibPicture& picture) {
    if (!dibIsReadable(picture) || dst.width() <= 0 || dst.height() <= 0) {
        return 0;
    }
    const int rows = std::abs(picture.height);
    if (src.left < 0 || src.top < 0 || src.right > picture.width || src.bottom > rows ||
        src.width() <= 0 || src.height() <= 0) {
        return 0;
    }
    const size_t stride = dibRowStride(picture.width, picture.bitCount);
    const int bytesPerPixel = picture.bitCount / 8;
    const bool topDown = picture.height < 0;
    int written = 0;
    for (int dy = 0; dy < dst.height(); ++dy) {
        const int y = dst.top + dy;
        if (y < 0 || y >= height) {
            continue;
        }
        const int sy =
            src.top + static_cast<int>(static_cast<int64_t>(dy) * src.height() / dst.height());
        const int storedRow = topDown ? sy : rows - 1 - sy;
        const uint8_t* line = picture.bits + static_cast<size_t>(storedRow) * stride;
        uint32_t* out = pixels + static_cast<ptrdiff_t>(y) * pitchInPixels;
        for (int dx = 0; dx < dst.width(); ++dx) {
            const int x = dst.left + dx;
            if (x < 0 || x >= width) {
                continue;
            }
            const int sx =
                src.left + static_cast<int>(static_cast<int64_t>(dx) * src.width() / dst.width());
            out[x] = readPixel(line + static_cast<size_t>(sx) * bytesPerPixel, picture.bitCount);
        }
        ++written;
    }
    return written;
}

}  // namespace shardfall
