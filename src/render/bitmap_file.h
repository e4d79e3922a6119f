// The background picture file: a Windows bitmap whose 40-byte info header is followed at once
// by uncompressed 16-, 24- or 32-bit pixels. The reader only validates and points into the
// bytes it is given, so it can be fed anything.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/dib.h"

namespace shardfall {

constexpr size_t BITMAP_FILE_HEADER_SIZE = 14;
constexpr size_t BITMAP_INFO_HEADER_SIZE = 40;
// Files beyond this size are refused before they are read: a 256 × 256 picture takes 256 KiB.
constexpr uint64_t BITMAP_FILE_SIZE_LIMIT = 64u << 20;

// The picture in a whole bitmap file, or nothing when the file is not one that can be drawn
// safely. The file header is skipped unread, so its pixel offset plays no part: the pixels are
// taken from directly behind the info header. The result points into `file`.
std::optional<DibPicture> ReadBitmapFile(std::span<const uint8_t> file);

}  // namespace shardfall
