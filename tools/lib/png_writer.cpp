#include "png_writer.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "gfx/software/software_surface.h"
#include "gfx/surface.h"

namespace shardfall {

bool writePng(const SoftwareSurface& surface, const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    const int w = surface.width();
    const int h = surface.height();
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> line(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        const uint32_t* src = surface.row(y);
        for (int x = 0; x < w; ++x) {
            line[3 * x + 0] = static_cast<png_byte>(src[x] >> 16);
            line[3 * x + 1] = static_cast<png_byte>(src[x] >> 8);
            line[3 * x + 2] = static_cast<png_byte>(src[x]);
        }
        png_write_row(png, line.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace shardfall
