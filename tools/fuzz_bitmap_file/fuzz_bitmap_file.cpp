// Feeds arbitrary bytes to the background picture reader and draws whatever it accepts, as
// the display start would: the part it keeps stretched onto a 256 × 256 surface.
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
    if (picture->width < 1 || picture->width > 256 || picture->height < 1 ||
        picture->height > 256) {
        std::abort();
    }
    static std::vector<uint32_t> surface(256 * 256);
    if (shardfall::StretchDibOntoPixels(surface.data(), 256, 256, 256, {0, 0, 256, 256},
                                        {0, 0, picture->width, picture->height},
                                        picture->dib()) != 256) {
        std::abort();
    }
    return 0;
}
