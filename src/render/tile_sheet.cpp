#include "render/tile_sheet.h"

#include "gfx/draw_context.h"

namespace shardfall {

const uint32_t BlockColors[8] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFF00FF,
                                 0x00FFFF, 0xFFFF00, 0xFFFFFF, 0xFFFFFF};

void PaintTileSheet(DrawContext& dc, int cellSize) {
    for (int k = 0; k < cellSize; ++k) {
        for (int c = 0; c < 8; ++c) {
            PaintBevelBlock(cellSize * c, cellSize * k, cellSize - k, BlockColors[c], dc);
        }
    }
}

int PaintBevelBlock(int x, int y, int size, uint32_t color, DrawContext& dc) {
    if (size == 0 || color == 0) {
        return 0;
    }
    const int red = static_cast<int>(color & 0xFFu);
    const int green = static_cast<int>((color >> 8) & 0xFFu);
    const int blue = static_cast<int>((color >> 16) & 0xFFu);

    const int half = size / 2;
    if (half < 0) {
        return 0;
    }
    const double step = 2.0 * (225.0 / size);

    // A channel that is 0 in the colour stays 0 in every ring.
    int redRings = red != 0 ? half : 0;
    int greenRings = green != 0 ? half : 0;
    int blueRings = blue != 0 ? half : 0;

    for (int i = 0; i <= half; ++i) {
        int32_t r = static_cast<int32_t>(red - redRings * step);
        int32_t g = static_cast<int32_t>(green - greenRings * step);
        int32_t b = static_cast<int32_t>(blue - blueRings * step);
        ClampChannel(r);
        ClampChannel(g);
        ClampChannel(b);
        const uint32_t ring = static_cast<uint32_t>(r + 256 * g + 65536 * b);

        const int side = size - 2 * i;
        const int left = x + i;
        const int top = y + i;
        const int right = x + size - 1 - i;
        const int bottom = y + size - 1 - i;
        FillSolidRect(dc, left, top, side, 1, ring);
        FillSolidRect(dc, left, bottom, side, 1, ring);
        FillSolidRect(dc, left, top, 1, side, ring);
        FillSolidRect(dc, right, top, 1, side, ring);

        if (red != 0) {
            --redRings;
        }
        if (green != 0) {
            --greenRings;
        }
        if (blue != 0) {
            --blueRings;
        }
    }
    return 0;
}

void ClampChannel(int32_t& value) {
    if (value > 255) {
        value = 255;
    }
    if (value < 40) {
        value = 0;
    }
}

}  // namespace shardfall
