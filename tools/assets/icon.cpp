#include "icon.h"

#include <cstdio>
#include <filesystem>

#include "gfx/scoped_draw.h"
#include "gfx/software/software_surface.h"
#include "png_writer.h"
#include "render/tile_sheet.h"

namespace shardfall {

namespace {

// Red, yellow / blue, green: BlockColors' indices, row by row.
constexpr int ICON_BLOCKS[2][2] = {{0, 4}, {2, 1}};

}  // namespace

bool writeIcons(const std::string& folder) {
    bool ok = true;
    for (const int size : ICON_SIZES) {
        SoftwareSurface icon(size, size);
        const int block = size / 2;
        {
            ScopedDC dc(icon);
            if (!dc) {
                std::fprintf(stderr, "shardfall_assets: no drawing context for the icon\n");
                return false;
            }
            for (int row = 0; row < 2; ++row) {
                for (int column = 0; column < 2; ++column) {
                    PaintBevelBlock(column * block, row * block, block,
                                    BlockColors[ICON_BLOCKS[row][column]], *dc);
                }
            }
        }
        const std::string edge = std::to_string(size);
        const auto dir = std::filesystem::path(folder) / (edge + "x" + edge) / "apps";
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        const auto path = dir / "shardfall.png";
        if (!writePng(icon, path.string())) {
            std::fprintf(stderr, "shardfall_assets: cannot write %s\n", path.string().c_str());
            ok = false;
        }
    }
    return ok;
}

}  // namespace shardfall
