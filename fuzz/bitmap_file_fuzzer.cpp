// Any bytes as the background picture dx000.bmp, loaded the way the display start and every
// restore load it. A file the reader accepts must be drawn over the whole 256 × 256 surface;
// one it refuses must make the load fail and leave the surface as it was.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "formats/bitmap_file.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "render/display.h"
#include "scratch_folder.h"

using namespace shardfall;

namespace {

constexpr int SIDE = 256;

// Not a colour any picture can give: drawn pixels have a zero top byte. Whole rows at a time,
// so that the checks cost little next to the load they check.
struct UntouchedRow {
    static constexpr uint32_t VALUE = 0xA5000000u;
    uint32_t pixels[SIDE];
    UntouchedRow() {
        for (uint32_t& p : pixels) {
            p = VALUE;
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SoftwareSurface surface(SIDE, SIDE);
    static const UntouchedRow untouched;
    fuzzing::InFolder inFolder;

    fuzzing::writeWholeFile(BackgroundFileName, data, size);
    for (int y = 0; y < SIDE; ++y) {
        std::memcpy(surface.row(y), untouched.pixels, sizeof untouched.pixels);
    }
    const bool readable = readBitmapFile(std::span<const uint8_t>(data, size)).has_value();
    const int loaded = LoadBitmapFile(surface, BackgroundFileName);

    if (loaded != (readable ? 1 : 0)) {
        fuzzing::fail("LoadBitmapFile disagrees with readBitmapFile");
    }
    for (int y = 0; y < SIDE; ++y) {
        const uint32_t* row = surface.row(y);
        if (!readable && std::memcmp(row, untouched.pixels, sizeof untouched.pixels) != 0) {
            fuzzing::fail("a refused picture drew on the surface");
        }
        uint32_t topBytes = 0;
        for (int x = 0; readable && x < SIDE; ++x) {
            topBytes |= row[x];
        }
        if ((topBytes & 0xFF000000u) != 0) {
            fuzzing::fail("an accepted picture left part of the surface undrawn");
        }
    }
    return 0;
}
