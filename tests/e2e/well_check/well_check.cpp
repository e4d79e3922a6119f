// well_check <screenshot.png> [minimum blocks]
//
// Checks a screenshot of the whole screen during play: the well stands where the game puts it
// for that screen size (positions worked out here from the size alone), every white block of
// its frame pixel for pixel, and blocks of the game's own tile sheet rest on its grid. Exits 1
// when a frame pixel differs or fewer blocks than the minimum (default 1) rest in the well, 2
// when the picture cannot be read.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/draw_context.h"
#include "gfx/scoped_draw.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "render/tile_sheet.h"

using namespace shardfall;

namespace {

constexpr int WELL_COLUMNS = 10;
constexpr int WELL_ROWS = 20;
constexpr int WHITE_TILE = 7;
constexpr const char* COLOUR_NAMES[8] = {"red",    "green", "blue",  "magenta",
                                         "yellow", "cyan",  "white", "white"};

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB

    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

bool readPng(const char* path, Picture& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path) == 0) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
        return false;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    for (size_t i = 0; i < out.pixels.size(); ++i) {
        out.pixels[i] =
            static_cast<uint32_t>(rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2]);
    }
    return true;
}

// The number of pixels in which the tile sheet's block of the given colour and side (without
// its key-coloured, undrawn pixels) differs from the picture at (x, y); -1 outside the picture.
int blockDifference(const Picture& picture, const SoftwareSurface& sheet, int cellSize, int tile,
                    int side, int x, int y) {
    if (x < 0 || y < 0 || x + side > picture.width || y + side > picture.height) {
        return -1;
    }
    const int sheetX = cellSize * tile;
    const int sheetY = (cellSize - side) * cellSize;
    int differing = 0;
    for (int dy = 0; dy < side; ++dy) {
        for (int dx = 0; dx < side; ++dx) {
            const uint32_t want = sheet.pixel(sheetX + dx, sheetY + dy);
            if (want != sheet.colorKey() && want != picture.at(x + dx, y + dy)) {
                ++differing;
            }
        }
    }
    return differing;
}

// Where the well must be on a screenshot: 10 × 20 cells of a twenty-first of the screen height,
// centred across the screen, its bottom half a cell above the bottom edge.
struct WellPlace {
    int cellSize, width, height, originX, originY;
};

WellPlace wellOn(const Picture& picture) {
    const int cell = picture.height / 21, width = WELL_COLUMNS * cell, height = WELL_ROWS * cell;
    return {cell, width, height, (picture.width - width) / 2, picture.height - cell / 2 - height};
}

// The frame: half-cell white blocks down both sides, none across the top, and a bottom row from
// outer edge to outer edge, drawn last over the foot of the side blocks (not compared there).
// Returns the number of blocks that differ.
int checkFrame(const Picture& picture, const SoftwareSurface& sheet, const WellPlace& well) {
    const int half = well.cellSize / 2;
    int frameBlocks = 0, badBlocks = 0;
    long badPixels = 0;
    const auto checkFrameBlock = [&](int x, int y) {
        const int differing =
            blockDifference(picture, sheet, well.cellSize, WHITE_TILE, half, x, y);
        ++frameBlocks;
        if (differing != 0 && ++badBlocks <= 5) {
            std::printf("frame block at (%d, %d): %d pixels differ\n", x, y, differing);
        }
        badPixels += differing < 0 ? half * half : differing;
    };
    for (int k = 0; k + half <= well.height; k += half) {
        checkFrameBlock(well.originX - half, well.originY + k);
        checkFrameBlock(well.originX + well.width, well.originY + k);
    }
    for (int k = 0; k <= well.width + half; k += half) {
        checkFrameBlock(well.originX - half + k, well.originY + well.height);
    }
    std::printf("frame: %d blocks, %d of them differ (%ld pixels)\n", frameBlocks, badBlocks,
                badPixels);
    return badBlocks;
}

// Resting blocks sit exactly on the grid; the falling piece usually does not. Returns how many
// grid cells hold a block exactly as the sheet has it.
int countGridBlocks(const Picture& picture, const SoftwareSurface& sheet, const WellPlace& well) {
    const int cell = well.cellSize;
    int blocks = 0;
    std::string found;
    for (int row = 0; row < WELL_ROWS; ++row) {
        for (int column = 0; column < WELL_COLUMNS; ++column) {
            for (int tile = 0; tile < 8; ++tile) {
                if (blockDifference(picture, sheet, cell, tile, cell, well.originX + column * cell,
                                    well.originY + row * cell) == 0) {
                    char text[48];
                    std::snprintf(text, sizeof text, " %d,%d:%s", column, row, COLOUR_NAMES[tile]);
                    found += text;
                    ++blocks;
                    break;
                }
            }
        }
    }
    std::printf("blocks on the grid: %d%s\n", blocks, found.c_str());
    return blocks;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: well_check <screenshot.png> [minimum blocks]\n");
        return 2;
    }
    const int minimumBlocks = argc == 3 ? std::atoi(argv[2]) : 1;
    Picture picture;
    if (!readPng(argv[1], picture)) {
        std::fprintf(stderr, "well_check: cannot read %s\n", argv[1]);
        return 2;
    }
    const WellPlace well = wellOn(picture);
    std::printf("screen %d x %d, cell %d, well at (%d, %d), %d x %d\n", picture.width,
                picture.height, well.cellSize, well.originX, well.originY, well.width, well.height);

    SoftwareSurface sheet(8 * well.cellSize, well.cellSize * well.cellSize);
    sheet.setColorKey(0);
    if (ScopedDC dc(sheet); dc) {
        PaintTileSheet(*dc, well.cellSize);
    }
    const int badBlocks = checkFrame(picture, sheet, well);
    const bool ok = countGridBlocks(picture, sheet, well) >= minimumBlocks && badBlocks == 0;
    std::printf("%s\n", ok ? "well found" : "well NOT as expected");
    return ok ? 0 : 1;
}
