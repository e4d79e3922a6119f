// Writes Windows bitmap files in the one layout the game reads: the 14-byte file header, the
// 40-byte info header, no colour table and 24-bit bottom-up rows. For the asset generator, the
// tools and the tests, never the game itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shardfall {

// The pixels are 0x00RRGGBB, row after row from the top, `width` to a row.
std::vector<uint8_t> EncodeBitmapFile(const uint32_t* pixels, int width, int height);

// rgb holds width × height pixels, top row first, three bytes each in the order red, green, blue.
// Returns false when the sizes do not match or the file cannot be written.
bool writeBitmap24(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace shardfall
