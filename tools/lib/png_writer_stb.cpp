// The PNG writer where libpng is not at hand (the Windows build): stb's encoder, header-only.
// The pictures are the same; the compressed bytes may differ from libpng's.
#include <cstdint>
#include <vector>

#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "png_writer.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

namespace shardfall {

bool writePng(const SoftwareSurface& surface, const std::string& path) {
    const int w = surface.width();
    const int h = surface.height();
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    uint8_t* out = rgb.data();
    for (int y = 0; y < h; ++y) {
        const uint32_t* src = surface.row(y);
        for (int x = 0; x < w; ++x) {
            *out++ = static_cast<uint8_t>(src[x] >> 16);
            *out++ = static_cast<uint8_t>(src[x] >> 8);
            *out++ = static_cast<uint8_t>(src[x]);
        }
    }
    return stbi_write_png(path.c_str(), w, h, 3, rgb.data(), w * 3) != 0;
}

}  // namespace shardfall
