#include "bitmap_file.h"

#include "little_endian.h"

#include <fstream>

namespace shardfall {

namespace {}  // namespace

bool writeBitmap24(const std::string& path, int width, int height,
                   const std::vector<uint8_t>& rgb) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
        return false;
    }
    constexpr uint32_t headersSize = 14 + 40;
    const auto rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3U;
    const auto pixelBytes = rowBytes * static_cast<uint32_t>(height);

    std::vector<uint8_t> file;
    file.reserve(headersSize + pixelBytes);
    file.push_back('B');
    file.push_back('M');
    put32(file, headersSize + pixelBytes);
    put32(file, 0);
    put32(file, headersSize);
    put32(file, 40);
    put32(file, static_cast<uint32_t>(width));
    put32(file, static_cast<uint32_t>(height));  // positive height: bottom row first
    put16(file, 1);
    put16(file, 24);
    put32(file, 0);  // no compression
    put32(file, pixelBytes);
    put32(file, 2835);  // 72 dots per inch, in dots per metre
    put32(file, 2835);
    put32(file, 0);
    put32(file, 0);

    for (int y = height - 1; y >= 0; --y) {
        const auto* row = &rgb[static_cast<size_t>(y) * static_cast<size_t>(width) * 3];
        for (int x = 0; x < width; ++x) {
            file.push_back(row[x * 3 + 2]);  // the file stores blue, green, red
            file.push_back(row[x * 3 + 1]);
            file.push_back(row[x * 3]);
        }
        for (auto pad = static_cast<uint32_t>(width) * 3; pad < rowBytes; ++pad) {
            file.push_back(0);
        }
    }

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

}  // namespace shardfall
