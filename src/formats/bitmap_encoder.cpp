#include "formats/bitmap_encoder.h"

#include <fstream>

namespace shardfall {

namespace {

constexpr uint32_t FILE_HEADER_SIZE = 14;
constexpr uint32_t INFO_HEADER_SIZE = 40;
constexpr uint32_t DOTS_PER_METRE = 2835;  // 72 dots per inch

void putU32(std::vector<uint8_t>& file, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

}  // namespace

std::vector<uint8_t> encodeBitmapFile(const uint32_t* pixels, int width, int height) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t headers = FILE_HEADER_SIZE + INFO_HEADER_SIZE;
    const uint32_t pixelBytes = stride * static_cast<uint32_t>(height);
    std::vector<uint8_t> file(headers + pixelBytes, 0);
    file[0] = 'B';
    file[1] = 'M';
    putU32(file, 2, headers + pixelBytes);
    putU32(file, 10, headers);
    putU32(file, FILE_HEADER_SIZE, INFO_HEADER_SIZE);
    putU32(file, FILE_HEADER_SIZE + 4, static_cast<uint32_t>(width));
    putU32(file, FILE_HEADER_SIZE + 8, static_cast<uint32_t>(height));  // positive: bottom-up
    file[FILE_HEADER_SIZE + 12] = 1;                                    // planes
    file[FILE_HEADER_SIZE + 14] = 24;                                   // bits per pixel
    putU32(file, FILE_HEADER_SIZE + 20, pixelBytes);
    putU32(file, FILE_HEADER_SIZE + 24, DOTS_PER_METRE);
    putU32(file, FILE_HEADER_SIZE + 28, DOTS_PER_METRE);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &file[headers + stride * static_cast<uint32_t>(height - 1 - y)];
        for (int x = 0; x < width; ++x) {
            // The file stores blue, green, red.
            const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            row[3 * x] = static_cast<uint8_t>(p);
            row[3 * x + 1] = static_cast<uint8_t>(p >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(p >> 16);
        }
    }
    return file;
}

std::vector<uint8_t> gradientBackgroundFile() {
    std::vector<uint32_t> pixels(256 * 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            pixels[y * 256 + x] =
                static_cast<uint32_t>(((x / 2 + 0x20) << 16) | ((y / 3) << 8) | 0x50);
        }
    }
    return encodeBitmapFile(pixels.data(), 256, 256);
}

bool writeBitmap24(const std::string& path, int width, int height,
                   const std::vector<uint8_t>& rgb) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
        return false;
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = (uint32_t{rgb[3 * i]} << 16) | (uint32_t{rgb[3 * i + 1]} << 8) | rgb[3 * i + 2];
    }
    const std::vector<uint8_t> file = encodeBitmapFile(pixels.data(), width, height);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

}  // namespace shardfall
