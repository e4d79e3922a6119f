// A frame shown in an area of another size, as a window that was resized shows the game: scaled
// to the largest size that fits with its aspect kept, centred, and black bars on the two sides
// it does not reach (left and right, or above and below).
#pragma once

#include <array>

#include "gfx/surface.h"

namespace shardfall {

struct Letterbox {
    Rect frame;
    // Empty where the frame reaches the area's edges.
    std::array<Rect, 2> bars;
};

// Rectangles within the area (0, 0, areaWidth, areaHeight); all empty when either size is not
// positive.
Letterbox letterbox(int frameWidth, int frameHeight, int areaWidth, int areaHeight);

}  // namespace shardfall
