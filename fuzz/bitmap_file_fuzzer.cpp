// Any bytes as the background picture dx000.bmp, loaded the way the display start and every
// restore load it. A file the reader accepts must be drawn over the whole 256 × 256 surface;
// one it refuses must make the load fail and leave the surface as it was.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "check.h"
#include "formats/bitmap_file.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "render/display.h"
#include "support/temp_folder.h"
#include "sys/atomic_file.h"

using namespace shardfall;

constexpr int SIDE = 256;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SoftwareSurface surface(SIDE, SIDE);
    // Not a colour any picture can give: drawn pixels have a zero top byte. Whole rows at a
    // time, so that the checks cost little next to the load they check.
    uint32_t untouched[SIDE];
    std::fill(std::begin(untouched), std::end(untouched), 0xA5000000u);
    const TempFolder folder;
    fuzzing::check(writeFileAtomically(BackgroundFileName, std::as_bytes(std::span(data, size))),
                   "cannot write the picture");
    for (int y = 0; y < SIDE; ++y) {
        std::memcpy(surface.row(y), untouched, sizeof untouched);
    }
    const bool readable = readBitmapFile(std::span<const uint8_t>(data, size)).has_value();
    fuzzing::check(LoadBitmapFile(surface, BackgroundFileName) == (readable ? 1 : 0),
                   "LoadBitmapFile disagrees with readBitmapFile");
    for (int y = 0; y < SIDE; ++y) {
        const uint32_t* row = surface.row(y);
        fuzzing::check(readable || std::memcmp(row, untouched, sizeof untouched) == 0,
                       "a refused picture drew on the surface");
        uint32_t topBytes = 0;
        for (int x = 0; readable && x < SIDE; ++x) {
            topBytes |= row[x];
        }
        fuzzing::check((topBytes & 0xFF000000u) == 0,
                       "an accepted picture left part of the surface undrawn");
    }
    return 0;
}
