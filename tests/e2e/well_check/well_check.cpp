// well_check <screenshot.png> [minimum blocks]
//
// Looks at a screenshot of the whole screen while a game is in play and checks that the well
// stands where the game puts it for that screen size: every white block of its frame pixel for
// pixel, and the blocks that have come to rest in it, each recognised as a block of the tile
// sheet in one of the eight colours. The positions are worked out here from the screen size
// alone; the block pictures come from the game's own tile sheet painter.
//
// Prints what it found; exits 1 when a frame pixel differs or fewer blocks than the minimum
// (default 1) rest in the well, 2 when the picture cannot be read.
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
    int width = 0;
    int height = 0;
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

// The tile sheet's block of the given colour and side, compared with the picture at (x, y).
// Key-coloured sheet pixels are never drawn and so are not compared. Returns the number of
// differing pixels, or -1 when the block would stick out of the picture.
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
    int cellSize;
    int width;
    int height;
    int originX;
    int originY;
};

WellPlace wellOn(const Picture& picture) {
    const int cellSize = picture.height / 21;
    const int width = WELL_COLUMNS * cellSize;
    const int height = WELL_ROWS * cellSize;
    return {cellSize, width, height, (picture.width - width) / 2,
            picture.height - cellSize / 2 - height};
}

// The frame: half-cell white blocks down both sides, none across the top, and a bottom row from
// the outer edge of the left side to the outer edge of the right one. The bottom row is drawn
// last and may cover the foot of the last side blocks, so those are not compared. Returns the
// number of blocks that differ.
int checkFrame(const Picture& picture, const SoftwareSurface& sheet, const WellPlace& well) {
    const int half = well.cellSize / 2;
    int frameBlocks = 0;
    int badBlocks = 0;
    long badPixels = 0;
    const auto checkFrameBlock = [&](int x, int y) {
        const int differing =
            blockDifference(picture, sheet, well.cellSize, WHITE_TILE, half, x, y);
        ++frameBlocks;
        if (differing != 0) {
            ++badBlocks;
            badPixels += differing < 0 ? half * half : differing;
            if (badBlocks <= 5) {
                std::printf("frame block at (%d, %d): %d pixels differ\n", x, y, differing);
            }
        }
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
                    ++blocks;
                    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about a chain
                    // of operator+ on a temporary string at -O2 and above.
                    found.append(" ").append(std::to_string(column)).append(",");
                    found.append(std::to_string(row)).append(":").append(COLOUR_NAMES[tile]);
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
    const int blocks = countGridBlocks(picture, sheet, well);
    const bool ok = badBlocks == 0 && blocks >= minimumBlocks;
    std::printf("%s\n", ok ? "well found" : "well NOT as expected");
    return ok ? 0 : 1;
}
