// Writes the background picture in the one layout the game reads: a Windows bitmap with the
// 14-byte file header, the 40-byte info header, no colour table and 24-bit bottom-up rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shardfall {

// rgb holds width × height pixels, top row first, three bytes each in the order red, green, blue.
// Returns false when the file cannot be written.
bool writeBitmap24(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace shardfall
