// Windows bitmap files built in memory for tests: a 14-byte file header, a 40-byte info header
// and 16 (5-5-5), 24 or 32 bits per pixel in rows padded to four bytes, bottom-up unless asked
// otherwise. Tests damage the bytes afterwards to make hostile files.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

namespace shardfall::testing {

// Offsets of the info header's fields within the whole file.
constexpr size_t BMP_HEADER_SIZE_AT = 14;
constexpr size_t BMP_WIDTH_AT = 18;
constexpr size_t BMP_HEIGHT_AT = 22;
constexpr size_t BMP_PLANES_AT = 26;
constexpr size_t BMP_BIT_COUNT_AT = 28;
constexpr size_t BMP_COMPRESSION_AT = 30;
constexpr size_t BMP_COLORS_USED_AT = 46;
constexpr size_t BMP_PIXELS_AT = 54;

// Bounds-checked: a test that damages a header past the end of its bytes fails loudly.
inline void putU32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) {
        bytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
}
inline void putU16(std::vector<uint8_t>& bytes, size_t at, uint16_t v) {
    bytes.at(at) = static_cast<uint8_t>(v);
    bytes.at(at + 1) = static_cast<uint8_t>(v >> 8);
}

// rgb gives each pixel as 0x00RRGGBB, (0, 0) at the top left of the picture.
inline std::vector<uint8_t> makeBitmap(int width, int height, int bitCount,
                                       const std::function<uint32_t(int, int)>& rgb,
                                       bool topDown = false) {
    const size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    std::vector<uint8_t> bytes(BMP_PIXELS_AT + stride * height, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    putU32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    putU32(bytes, 10, BMP_PIXELS_AT);
    putU32(bytes, BMP_HEADER_SIZE_AT, 40);
    putU32(bytes, BMP_WIDTH_AT, static_cast<uint32_t>(width));
    putU32(bytes, BMP_HEIGHT_AT, static_cast<uint32_t>(topDown ? -height : height));
    putU16(bytes, BMP_PLANES_AT, 1);
    putU16(bytes, BMP_BIT_COUNT_AT, static_cast<uint16_t>(bitCount));
    for (int y = 0; y < height; ++y) {
        const int stored = topDown ? y : height - 1 - y;
        uint8_t* row = bytes.data() + BMP_PIXELS_AT + stride * stored;
        for (int x = 0; x < width; ++x) {
            const uint32_t c = rgb(x, y);
            const uint8_t r = static_cast<uint8_t>(c >> 16);
            const uint8_t g = static_cast<uint8_t>(c >> 8);
            const uint8_t b = static_cast<uint8_t>(c);
            if (bitCount == 16) {
                const uint16_t v =
                    static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
                row[2 * x] = static_cast<uint8_t>(v);
                row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
            } else {
                const int n = bitCount / 8;
                row[n * x] = b;
                row[n * x + 1] = g;
                row[n * x + 2] = r;
            }
        }
    }
    return bytes;
}

// A colour for every pixel of a 256 × 256 picture: red the column, green the row.
inline uint32_t gradientPixel(int x, int y) {
    return (static_cast<uint32_t>(x) << 16) | (static_cast<uint32_t>(y) << 8) | 0x40;
}

inline void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace shardfall::testing
