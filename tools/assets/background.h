// Paints the game's background: a night sky with a nebula and aurora curtains over two clusters
// of glowing crystal shards. The picture is small and the game stretches it over the whole
// screen with nearest-neighbour scaling, so it is built from smooth shapes and soft edges.
#pragma once

#include <cstdint>
#include <vector>

namespace shardfall {

constexpr int BACKGROUND_SIZE = 256;

// BACKGROUND_SIZE × BACKGROUND_SIZE pixels, top row first, bytes red, green, blue.
std::vector<uint8_t> paintBackground();

}  // namespace shardfall
