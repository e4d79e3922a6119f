// Writes Windows bitmap files in the one layout the game reads: the 14-byte file header, the
// 40-byte info header, no colour table and 24-bit bottom-up rows. For the asset generator and
// the headless game, never the game itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace shardfall {

// The pixels are 0x00RRGGBB, row after row from the top, `width` to a row.
std::vector<uint8_t> encodeBitmapFile(const uint32_t* pixels, int width, int height);

// The background the headless tools show the game on, so that their frames do not depend on the
// machine's files: a bitmap file of 256 × 256 pixels, red growing to the right, green downwards.
// Its top-left pixel is not black, so that a frame drawn without its background shows.
std::vector<uint8_t> gradientBackgroundFile();

// rgb holds width × height pixels, top row first, three bytes each in the order red, green, blue.
// Returns false when the sizes do not match or the file cannot be written.
bool writeBitmap24(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace shardfall
