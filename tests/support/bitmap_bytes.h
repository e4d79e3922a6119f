// Windows bitmap files built in memory for tests, in the layouts common tools write: info
// headers of 12 (OS/2), 40, 108 or 124 bytes, 1 to 32 bits per pixel, colour tables, colour
// masks, rows padded to four bytes, bottom-up unless asked otherwise. Tests damage the bytes
// afterwards to make hostile files.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

namespace shardfall::testing {

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

struct BitmapFormat {
    int bitCount = 24;
    uint32_t headerSize = 40;
    bool topDown = false;
    // Red, green, blue and alpha, written with BI_BITFIELDS when given: behind a 40-byte header,
    // inside a longer one. Without them 16 bits are 5-5-5, 24 and 32 bits 8-8-8.
    std::array<uint32_t, 4> masks{};
    // Up to 8 bits a pixel the table holds the picture's colours in the order they first
    // appear: padded to its 2^bits entries, or only those, counted in the header.
    bool fullTable = true;
};

// rgb gives each pixel as 0x00RRGGBB, (0, 0) at the top left of the picture; a palette picture
// has at most 2^bits colours.
inline std::vector<uint8_t> makeBitmap(int width, int height, const BitmapFormat& f,
                                       const std::function<uint32_t(int, int)>& rgb) {
    const bool core = f.headerSize == 12;
    const bool bitfields = f.masks[0] != 0;
    const std::array<uint32_t, 4> masks = bitfields ? f.masks
                                          : f.bitCount == 16
                                              ? std::array<uint32_t, 4>{0x7C00, 0x3E0, 0x1F, 0}
                                              : std::array<uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0};
    std::vector<uint32_t> palette;
    std::vector<uint32_t> values;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t c = rgb(x, y);
            uint32_t v = 0;
            if (f.bitCount <= 8) {
                const auto at = std::find(palette.begin(), palette.end(), c);
                v = static_cast<uint32_t>(at - palette.begin());
                if (at == palette.end()) {
                    palette.push_back(c);
                }
            } else {
                // Each channel's top bits, as many as its mask has; alpha opaque.
                for (int k = 0; k < 4; ++k) {
                    const uint32_t channel = k < 3 ? (c >> (16 - 8 * k)) & 0xFF : 0xFF;
                    const int bits = std::popcount(masks[k]);
                    v |= bits == 0 ? 0 : (channel >> (8 - bits)) << std::countr_zero(masks[k]);
                }
            }
            values.push_back(v);
        }
    }
    const size_t entries = f.bitCount > 8 ? 0
                           : f.fullTable  ? size_t{1} << f.bitCount
                                          : palette.size();
    const size_t tableAt = 14 + f.headerSize + (bitfields && f.headerSize == 40 ? 12 : 0);
    const size_t pixelsAt = tableAt + entries * (core ? 3 : 4);
    const size_t stride = (static_cast<size_t>(width) * f.bitCount + 31) / 32 * 4;
    std::vector<uint8_t> bytes(pixelsAt + stride * height, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    putU32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    putU32(bytes, 10, static_cast<uint32_t>(pixelsAt));
    putU32(bytes, 14, f.headerSize);
    const uint32_t storedHeight = static_cast<uint32_t>(f.topDown ? -height : height);
    if (core) {
        putU16(bytes, 18, static_cast<uint16_t>(width));
        putU16(bytes, 20, static_cast<uint16_t>(storedHeight));
        putU16(bytes, 22, 1);
        putU16(bytes, 24, static_cast<uint16_t>(f.bitCount));
    } else {
        putU32(bytes, 18, static_cast<uint32_t>(width));
        putU32(bytes, 22, storedHeight);
        putU16(bytes, 26, 1);
        putU16(bytes, 28, static_cast<uint16_t>(f.bitCount));
        putU32(bytes, 30, bitfields ? 3 : 0);
        putU32(bytes, 46, f.fullTable ? 0 : static_cast<uint32_t>(entries));
    }
    // Behind a 40-byte header and inside a longer one, the masks stand at the same place.
    for (int k = 0; bitfields && k < (f.headerSize == 40 ? 3 : 4); ++k) {
        putU32(bytes, 54 + 4 * k, masks[k]);
    }
    for (size_t i = 0; i < palette.size(); ++i) {
        for (size_t b = 0; b < 3; ++b) {  // blue, green, red
            bytes.at(tableAt + i * (core ? 3 : 4) + b) = static_cast<uint8_t>(palette[i] >> 8 * b);
        }
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bytes.data() + pixelsAt + stride * (f.topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const uint32_t v = values[static_cast<size_t>(y) * width + x];
            const size_t bit = static_cast<size_t>(x) * f.bitCount;
            if (f.bitCount < 8) {
                // The leftmost pixel in the byte's high bits.
                row[bit / 8] |= static_cast<uint8_t>(v << (8 - f.bitCount - bit % 8));
            } else {
                for (int i = 0; i < f.bitCount / 8; ++i) {
                    row[bit / 8 + i] = static_cast<uint8_t>(v >> (8 * i));
                }
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
