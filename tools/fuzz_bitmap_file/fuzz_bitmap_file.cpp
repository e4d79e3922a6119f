// Feeds arbitrary bytes to the background picture reader and draws whatever it accepts, as
// the display start would: the picture's top-left 256 × 256 stretched onto a 256 × 256 surface.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "render/bitmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that a read one byte past the end is caught.
    const std::vector<uint8_t> file(data, data + size);
    const auto picture = shardfall::ReadBitmapFile(file);
    if (!picture) {
        return 0;
    }
    if (picture->bits < file.data() || picture->bits + picture->bitsSize > file.data() + size) {
        std::abort();
    }
    static std::vector<uint32_t> surface(256 * 256);
    const shardfall::Rect src{0, 0, std::min(picture->width, 256),
                              std::min(std::abs(picture->height), 256)};
    if (shardfall::StretchDibOntoPixels(surface.data(), 256, 256, 256, {0, 0, 256, 256}, src,
                                        *picture) != 256) {
        std::abort();
    }
    return 0;
}
