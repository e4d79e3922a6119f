// The size of the screen the game is shown on and the side of one well cell that follows from
// it. The model needs it to place the well and the leaderboard; the display start sets it.
#pragma once

namespace shardfall {

struct ScreenGeometry {
    // 1024 × 768 with 38-pixel cells until the display has started.
    int width = 1024;
    int height = 768;
    // A twenty-first of the screen height once the display has started.
    int cellSize = 38;

    static ScreenGeometry ofScreen(int width, int height) { return {width, height, height / 21}; }
};

}  // namespace shardfall
