#include "render/screen_scramble.h"

#include <cstddef>
#include <cstdint>

#include "gfx/surface.h"
#include "render/display.h"

namespace shardfall {

void scrambleScreen(Display& display) {
    if (display.primary == nullptr || display.backBuffer == nullptr) {
        return;
    }
    Surface& front = *display.primary;
    Surface& back = *display.backBuffer;
    const Rect whole{0, 0, front.width(), front.height()};
    back.bltFast(0, 0, front, whole, BLTFAST_WAIT);

    LockedPixels locked;
    if (back.lock(locked) < 0) {
        return;
    }
    // Whole words across the full pitch, whatever the pixel format: the colours come out
    // shifted, which is the point.
    const size_t words = static_cast<size_t>(locked.height) * static_cast<size_t>(locked.pitch) / 4;
    auto* word = reinterpret_cast<uint32_t*>(locked.bits);
    for (size_t i = 0; i < words; ++i) {
        word[i] += 123124u;
    }
    back.unlock();
    front.flip(FLIP_NOVSYNC_DONOTWAIT);
}

}  // namespace shardfall
