#include "render/bitmap_file.h"

namespace shardfall {

namespace {

uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int32_t readI32(const uint8_t* p) {
    return static_cast<int32_t>(readU32(p));
}

uint16_t readU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (static_cast<uint16_t>(p[1]) << 8));
}

constexpr uint32_t BI_RGB = 0;

}  // namespace

std::optional<DibPicture> ReadBitmapFile(std::span<const uint8_t> file) {
    if (file.size() < BITMAP_FILE_HEADER_SIZE + BITMAP_INFO_HEADER_SIZE ||
        file.size() > BITMAP_FILE_SIZE_LIMIT) {
        return std::nullopt;
    }
    const uint8_t* info = file.data() + BITMAP_FILE_HEADER_SIZE;
    const uint32_t headerSize = readU32(info);
    const int32_t width = readI32(info + 4);
    const int32_t height = readI32(info + 8);
    const uint16_t planes = readU16(info + 12);
    const uint16_t bitCount = readU16(info + 14);
    const uint32_t compression = readU32(info + 16);
    const uint32_t colorsUsed = readU32(info + 32);

    // Pixels are read right behind a 40-byte header, so a longer header, a colour table or
    // colour masks would be taken for pixels: such files are refused rather than misread.
    if (headerSize != BITMAP_INFO_HEADER_SIZE || planes != 1 || compression != BI_RGB ||
        colorsUsed != 0 || (bitCount != 16 && bitCount != 24 && bitCount != 32)) {
        return std::nullopt;
    }
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        return std::nullopt;
    }
    DibPicture picture;
    picture.width = width;
    picture.height = height;
    picture.bitCount = bitCount;
    picture.bits = info + BITMAP_INFO_HEADER_SIZE;
    picture.bitsSize = file.size() - BITMAP_FILE_HEADER_SIZE - BITMAP_INFO_HEADER_SIZE;
    if (!DibIsReadable(picture)) {
        return std::nullopt;
    }
    return picture;
}

}  // namespace shardfall
