#include "formats/bitmap_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "render/display.h"
#include "support/byte_strings.h"
#include "support/temp_folder.h"

namespace shardfall {
namespace {

// Bounds-checked: a case that damages a header past the end of its bytes fails loudly.
void put(Bytes& bytes, size_t at, uint32_t v, int size = 4) {
    for (int i = 0; i < size; ++i) {
        bytes.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
    }
}

// A Windows bitmap file as common tools write it, rows padded to four bytes.
struct Format {
    int bits = 24;
    uint32_t header = 40;  // 12 (OS/2), 40, 108 or 124 bytes
    bool topDown = false;
    // Red, green, blue and alpha, written with BI_BITFIELDS when given: behind a 40-byte header,
    // inside a longer one. Without them 16 bits are 5-5-5, 24 and 32 bits 8-8-8.
    std::array<uint32_t, 4> masks{};
    // Up to 8 bits a pixel the table holds the colours in the order they first appear: padded
    // to its 2^bits entries, or only those, counted in the header.
    bool fullTable = true;
    uint32_t gap = 0;  // bytes between the table and the pixels, the offset pointing past them
    bool lastPadded = true;  // false: the file ends with the last row's pixels
};
constexpr std::array<uint32_t, 4> ARGB{0xFF0000, 0xFF00, 0xFF, 0xFF000000};
constexpr std::array<uint32_t, 4> RGB565{0xF800, 0x7E0, 0x1F, 0};
constexpr std::array<uint32_t, 4> RED_LOW{0xFF, 0xFF00, 0xFF0000, 0};

// rgb gives each pixel as 0x00RRGGBB, (0, 0) at the top left.
Bytes makeBitmap(int width, int height, const Format& f,
                 const std::function<uint32_t(int, int)>& rgb) {
    const bool core = f.header == 12;
    const bool bitfields = f.masks[0] != 0;
    const auto masks = bitfields      ? f.masks
                       : f.bits == 16 ? std::array<uint32_t, 4>{0x7C00, 0x3E0, 0x1F, 0}
                                      : std::array<uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0};
    // Up to 8 bits a pixel the picture's colours, in the order they first appear.
    std::vector<uint32_t> palette;
    for (int i = 0; i < height * width && f.bits <= 8; ++i) {
        if (std::find(palette.begin(), palette.end(), rgb(i % width, i / width)) == palette.end()) {
            palette.push_back(rgb(i % width, i / width));
        }
    }
    // The colour's entry, or above 8 bits each channel's top bits, as many as its mask has.
    const auto valueOf = [&](uint32_t c) {
        auto v =
            static_cast<uint32_t>(std::find(palette.begin(), palette.end(), c) - palette.begin());
        for (int k = 0; k < 4 && f.bits > 8; ++k) {
            const uint32_t channel = k < 3 ? (c >> (16 - 8 * k)) & 0xFF : 0xFF;  // alpha opaque
            const int bits = std::popcount(masks[k]);
            v |= bits == 0 ? 0 : (channel >> (8 - bits)) << std::countr_zero(masks[k]);
        }
        return v;
    };
    const size_t entries = f.bits > 8 ? 0 : f.fullTable ? size_t{1} << f.bits : palette.size();
    const size_t tableAt = 14 + f.header + (bitfields && f.header == 40 ? 12 : 0);
    const size_t pixelsAt = tableAt + entries * (core ? 3 : 4) + f.gap;
    const size_t stride = (static_cast<size_t>(width) * f.bits + 31) / 32 * 4;
    Bytes bytes(pixelsAt + stride * height, 0);
    std::fill(bytes.end() - static_cast<ptrdiff_t>(stride * height + f.gap),
              bytes.end() - static_cast<ptrdiff_t>(stride * height), 0x77);
    put(bytes, 0, 'B' | 'M' << 8, 2);
    put(bytes, 2, static_cast<uint32_t>(bytes.size()));
    put(bytes, 10, static_cast<uint32_t>(pixelsAt));
    put(bytes, 14, f.header);
    const int side = core ? 2 : 4;
    put(bytes, 18, static_cast<uint32_t>(width), side);
    put(bytes, 18 + side, static_cast<uint32_t>(f.topDown ? -height : height), side);
    put(bytes, 18 + 2 * side, 1, 2);
    put(bytes, 20 + 2 * side, static_cast<uint32_t>(f.bits), 2);
    if (!core) {
        put(bytes, 30, bitfields ? 3 : 0);
        put(bytes, 46, f.fullTable ? 0 : static_cast<uint32_t>(entries));
    }
    for (int k = 0; bitfields && k < (f.header == 40 ? 3 : 4); ++k) {
        put(bytes, 54 + 4 * k, masks[k]);
    }
    for (size_t i = 0; i < palette.size(); ++i) {
        put(bytes, tableAt + i * (core ? 3 : 4), palette[i], 3);  // blue, green, red
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bytes.data() + pixelsAt + stride * (f.topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const uint32_t v = valueOf(rgb(x, y));
            const size_t bit = static_cast<size_t>(x) * f.bits;
            for (int i = 0; i < std::max(f.bits / 8, 1); ++i) {
                // Below 8 bits the leftmost pixel in the byte's high bits.
                row[bit / 8 + i] |=
                    static_cast<uint8_t>(f.bits < 8 ? v << (8 - f.bits - bit % 8) : v >> (8 * i));
            }
        }
    }
    bytes.resize(bytes.size() - (f.lastPadded ? 0 : stride - (width * f.bits + 7) / 8));
    return bytes;
}

// The test picture: 8 × 8 blocks of `colours` colours in a pattern that differs from row block
// to row block, so that a picture read upside down or from the wrong corner shows. The first
// eight colours are exact at every depth, 5-6-5 included; black and white come first.
uint32_t colourOf(int k) {
    static const uint32_t corners[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00,
                                       0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
    return k < 8 ? corners[k]
                 : (((k * 37u) & 255) << 16) | (((k * 91u) & 255) << 8) | ((k * 53u) & 255);
}
uint32_t blocks(int x, int y, int colours) {
    return colourOf((x / 8 * 3 + (y / 8) * (y / 8)) % colours);
}

// Files in the layouts common tools write (ImageMagick: 124-byte headers, masks for 16 and 32
// bits, full colour tables; its BMP2 the 12-byte header), and as damaged ones stand in the wild.
// Each is loaded as the background is and compared, at sample places, with the pixel its writer
// put there.
TEST(BitmapFile, DecodesWhatToolsWriteAndExplainsWhatItRefuses) {
    const struct {
        const char* what;
        int width, height, colours;
        Format format;
        std::vector<std::pair<size_t, uint32_t>> damage;  // 32-bit words put over the file
        std::string message;  // part of the one stderr line, or empty for none
    } cases[] = {
        {"124-byte header, 24 bits", 64, 48, 8, {.header = 124}, {}, ""},
        {"124-byte header, alpha", 64, 48, 8, {.bits = 32, .header = 124, .masks = ARGB}, {}, ""},
        {"124-byte header, 5-6-5", 64, 48, 8, {.bits = 16, .header = 124, .masks = RGB565}, {}, ""},
        {"8-bit palette", 64, 48, 40, {.bits = 8, .header = 124}, {}, ""},
        {"8-bit palette of the colours used", 64, 48, 40, {.bits = 8, .fullTable = false}, {}, ""},
        {"4-bit palette, rows padded", 61, 48, 8, {.bits = 4, .header = 124}, {}, ""},
        {"1 bit, 108-byte header", 64, 48, 2, {.bits = 1, .header = 108}, {}, ""},
        {"12-byte header, 24 bits, rows padded", 63, 48, 8, {.header = 12}, {}, ""},
        {"12-byte header, palette", 64, 48, 40, {.bits = 8, .header = 12}, {}, ""},
        {"larger, bottom-up", 300, 290, 8, {}, {}, "only its bottom-left corner of 256 x 256"},
        {"larger, top-down", 300, 290, 8, {.bits = 32, .topDown = true}, {}, "top-left corner"},
        {"wider only", 300, 20, 8, {}, {}, "bottom-left corner of 256 x 20"},
        {"16 bits without masks are 5-5-5, rows padded", 41, 30, 8, {.bits = 16}, {}, ""},
        {"red in the low byte, masks behind", 40, 30, 8, {.bits = 32, .masks = RED_LOW}, {}, ""},
        {"offset 0", 40, 30, 8, {}, {{10, 0}}, ""},
        {"offset inside the header", 40, 30, 8, {}, {{10, 30}}, ""},
        {"offset beyond the file", 40, 30, 8, {}, {{10, 1 << 20}}, ""},
        {"pixels behind a gap", 40, 30, 8, {.gap = 100}, {}, ""},
        {"last row without its padding", 41, 30, 8, {.lastPadded = false}, {}, ""},
        {"masks behind, offset 0", 40, 30, 8, {.bits = 16, .masks = RGB565}, {{10, 0}}, ""},
        {"16384 wide", 16384, 1, 8, {}, {}, "bottom-left corner of 256 x 1"},
        {"run-length", 64, 48, 40, {.bits = 8}, {{30, 1}}, "run-length compressed"},
        {"run-length, 4 bits", 64, 48, 8, {.bits = 4}, {{30, 2}}, "run-length compressed"},
        {"a PNG", 64, 48, 8, {}, {{0, 0x474E5089}}, "not a Windows bitmap"},
        {"rows cut short", 40, 30, 8, {}, {{22, 32}}, "ends before its last row"},
        {"too many pixels", 1, 1, 8, {}, {{18, 5000}, {22, 5000}}, "more than"},
    };
    TempFolder folder;
    SoftwareSurface surface(256, 256);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto file = makeBitmap(c.width, c.height, c.format,
                               [&](int x, int y) { return blocks(x, y, c.colours); });
        for (const auto& [at, value] : c.damage) {
            put(file, at, value);
        }
        std::ofstream("dx000.bmp", std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));
        for (int y = 0; y < 256; ++y) {
            std::fill(surface.row(y), surface.row(y) + 256, 0xA5000000u);
        }
        ::testing::internal::CaptureStderr();
        const int result = LoadBitmapFile(surface, "dx000.bmp");
        const std::string messages = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), c.message.empty() ? 0 : 1)
            << messages;
        EXPECT_NE(messages.find(c.message), std::string::npos) << messages;
        const bool refused = c.message.find("corner") == std::string::npos && !c.message.empty();
        EXPECT_EQ(result, refused ? 0 : 1) << messages;
        EXPECT_EQ(messages.find("dx000.bmp") != std::string::npos, !c.message.empty());
        if (result == 0) {
            continue;
        }
        // The rectangle StretchDIBits takes, (0, 0) up to 256 × 256, counts rows from the
        // first stored one: the bottom row unless the rows are stored top-down.
        const int keptW = std::min(c.width, 256);
        const int keptH = std::min(c.height, 256);
        const int firstRow = c.format.topDown ? 0 : c.height - keptH;
        int wrong = 0;
        for (int dy : {0, 5, 100, 199, 255}) {
            for (int dx : {0, 9, 128, 250, 255}) {
                wrong += surface.pixel(dx, dy) !=
                         blocks(dx * keptW / 256, firstRow + dy * keptH / 256, c.colours);
            }
        }
        EXPECT_EQ(wrong, 0) << "of 25 sample pixels unlike the file's";
    }
}

// Every header byte and several lengths: whatever is accepted is drawn without reading outside
// the file (AddressSanitizer watches the reads in the sanitised build) and fills the surface.
TEST(BitmapFile, WhateverIsAcceptedStaysInsideTheFile) {
    for (int bits : {1, 8, 16, 32}) {
        // Below 16 bits a colour table of two entries and one byte of pixels to a row.
        const auto good = makeBitmap(3, 2, {.bits = bits, .fullTable = false},
                                     [](int x, int y) { return colourOf((x + y) % 2); });
        int accepted = 0;
        for (size_t at = 0; at < 70; ++at) {
            for (int value : {0x00, 0x01, 0x03, 0x18, 0x28, 0x7C, 0x80, 0xFF}) {
                auto file = good;
                file.at(at) = static_cast<uint8_t>(value);
                for (size_t size : {file.size(), file.size() - 1, size_t{60}}) {
                    std::string why;
                    const auto picture = readBitmapFile(std::span(file).first(size), &why);
                    if (!picture) {
                        EXPECT_FALSE(why.empty());
                        continue;
                    }
                    ++accepted;
                    std::vector<uint32_t> out(256 * 256, 0xA5000000u);
                    ASSERT_EQ(stretchDibOntoPixels(out.data(), 256, 256, 256, {0, 0, 256, 256},
                                                   {0, 0, picture->width, picture->height},
                                                   picture->dib()),
                              256);
                    ASSERT_EQ(std::count(out.begin(), out.end(), 0xA5000000u), 0);
                }
            }
        }
        EXPECT_GT(accepted, 0) << bits;
    }
}

}  // namespace
}  // namespace shardfall
