#include "gfx/letterbox.h"

#include <cstdint>

namespace shardfall {

Letterbox letterbox(int frameWidth, int frameHeight, int areaWidth, int areaHeight) {
    if (frameWidth <= 0 || frameHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) {
        return {};
    }
    const int w = areaWidth;
    const int h = areaHeight;
    if (static_cast<int64_t>(w) * frameHeight <= static_cast<int64_t>(h) * frameWidth) {
        // As wide as the area: bars above and below.
        const auto fh = static_cast<int>(static_cast<int64_t>(frameHeight) * w / frameWidth);
        const int y = (h - fh) / 2;
        return {Rect{0, y, w, y + fh}, {Rect{0, 0, w, y}, Rect{0, y + fh, w, h}}};
    }
    // As high as the area: bars left and right.
    const auto fw = static_cast<int>(static_cast<int64_t>(frameWidth) * h / frameHeight);
    const int x = (w - fw) / 2;
    return {Rect{x, 0, x + fw, h}, {Rect{0, 0, x, h}, Rect{x + fw, 0, w, h}}};
}

}  // namespace shardfall
