// The background picture file: a Windows bitmap as common tools write it (info headers of 12,
// 40, 56, 108 or 124 bytes, colour masks, colour tables of 1, 4 or 8 bits, rows bottom-up or
// top-down), decoded by stb_image. Only the part the background shows is kept: the rectangle
// (0, 0, 256, 256) of the picture as StretchDIBits takes it, whose origin is the lower-left
// corner for bottom-up rows and the upper-left one for top-down rows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "gfx/dib.h"

namespace shardfall {

constexpr size_t BITMAP_FILE_HEADER_SIZE = 14;
constexpr size_t BITMAP_INFO_HEADER_SIZE = 40;
// Files beyond this size are refused before they are read: a 256 × 256 picture takes 256 KiB.
constexpr uint64_t BITMAP_FILE_SIZE_LIMIT = 64u << 20;
// Pictures beyond these are refused before they are decoded, so that no file can make the
// decoder take more than 64 MiB.
constexpr int BITMAP_SIDE_LIMIT = 16384;
constexpr int64_t BITMAP_PIXEL_LIMIT = int64_t{1} << 24;
// The side of the background surface: smaller pictures are stretched to fill it.
constexpr int BACKGROUND_PICTURE_SIDE = 256;

// The part of a picture that the background shows, at most 256 × 256 pixels of 32 bits (blue,
// green, red, 0), rows top-down.
struct BackgroundPicture {
    int width = 0;
    int height = 0;
    int fileWidth = 0;  // the whole picture in the file
    int fileHeight = 0;
    bool bottomUp = true;
    std::vector<uint8_t> bits;

    DibPicture dib() const { return DibPicture{width, -height, 32, bits.data(), bits.size()}; }
    bool cut() const { return fileWidth > width || fileHeight > height; }
};

// The picture in a whole bitmap file, or nothing with the reason in `why` (English, one
// clause). The file header's pixel offset is honoured when it points behind the headers and
// colour table; when it is 0 or points inside them, the pixels are taken from right behind.
std::optional<BackgroundPicture> readBitmapFile(std::span<const uint8_t> file,
                                                std::string* why = nullptr);

// Reads and decodes the named file. A refused file, and a picture of which only a corner can
// be shown, each give one line on `messages` naming the file.
std::optional<BackgroundPicture> loadBackgroundPicture(const char* fileName,
                                                       std::FILE* messages = stderr);

}  // namespace shardfall
