#include "formats/bitmap_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "render/display.h"
#include "support/bitmap_bytes.h"
#include "support/temp_folder.h"

namespace shardfall {
namespace {

using testing::BitmapFormat;
using testing::makeBitmap;
using testing::putU32;

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

// The background loaded as the display loads it, and what it said on stderr.
struct Loaded {
    int result = 0;
    std::string messages;
    SoftwareSurface surface{256, 256};
};
std::unique_ptr<Loaded> load(const char* path) {
    auto l = std::make_unique<Loaded>();
    for (int y = 0; y < 256; ++y) {
        std::fill(l->surface.row(y), l->surface.row(y) + 256, 0xA5000000u);
    }
    ::testing::internal::CaptureStderr();
    l->result = LoadBitmapFile(l->surface, path);
    l->messages = ::testing::internal::GetCapturedStderr();
    return l;
}

int count(const std::string& text, char c) {
    return static_cast<int>(std::count(text.begin(), text.end(), c));
}

// Files in the layouts common tools write (ImageMagick: 124-byte headers, masks for 16 and 32
// bits, full colour tables; its BMP2 the 12-byte header), and as damaged ones stand in the wild.
// Each is drawn as the background is and compared, at sample places, with the pixel its writer
// put there.
TEST(BitmapFile, DecodesWhatToolsWriteAndExplainsWhatItRefuses) {
    struct Case {
        std::string what;
        int width, height, colours;
        BitmapFormat format;
        std::function<void(std::vector<uint8_t>&)> damage;  // or empty
        std::string message;  // part of the one stderr line, or empty for none
    };
    auto offset = [](uint32_t at) {
        return [=](std::vector<uint8_t>& file) { putU32(file, 10, at); };
    };
    const std::vector<Case> cases = {
        {"124-byte header, 24 bits", 64, 48, 8, {.headerSize = 124}, {}, ""},
        {"124-byte header, 32 bits with alpha",
         64,
         48,
         8,
         {.bitCount = 32, .headerSize = 124, .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
         {},
         ""},
        {"124-byte header, 5-6-5",
         64,
         48,
         8,
         {.bitCount = 16, .headerSize = 124, .masks = {0xF800, 0x7E0, 0x1F, 0}},
         {},
         ""},
        {"8-bit palette", 64, 48, 40, {.bitCount = 8, .headerSize = 124}, {}, ""},
        {"8-bit palette, only the colours used",
         64,
         48,
         40,
         {.bitCount = 8, .fullTable = false},
         {},
         ""},
        {"4-bit palette, rows padded", 61, 48, 8, {.bitCount = 4, .headerSize = 124}, {}, ""},
        {"1 bit, 108-byte header", 64, 48, 2, {.bitCount = 1, .headerSize = 108}, {}, ""},
        {"12-byte header, 24 bits, rows padded", 63, 48, 8, {.headerSize = 12}, {}, ""},
        {"12-byte header, palette", 64, 48, 40, {.bitCount = 8, .headerSize = 12}, {}, ""},
        {"larger, bottom-up", 300, 290, 8, {}, {}, "only its bottom-left corner of 256 x 256"},
        {"larger, top-down",
         300,
         290,
         8,
         {.bitCount = 32, .topDown = true},
         {},
         "only its top-left corner of 256 x 256"},
        {"wider only", 300, 20, 8, {}, {}, "bottom-left corner of 256 x 20"},
        {"16 bits without masks are 5-5-5, rows padded", 41, 30, 8, {.bitCount = 16}, {}, ""},
        {"32 bits, red in the low byte, masks behind a 40-byte header",
         40,
         30,
         8,
         {.bitCount = 32, .masks = {0xFF, 0xFF00, 0xFF0000, 0}},
         {},
         ""},
        {"offset 0", 40, 30, 8, {}, offset(0), ""},
        {"offset inside the header", 40, 30, 8, {}, offset(30), ""},
        {"offset beyond the file", 40, 30, 8, {}, offset(1 << 20), ""},
        {"pixels behind a gap",
         40,
         30,
         8,
         {},
         [](std::vector<uint8_t>& file) {
             putU32(file, 10, 54 + 100);
             file.insert(file.begin() + 54, 100, 0x77);
         },
         ""},
        {"run-length compressed",
         64,
         48,
         40,
         {.bitCount = 8, .headerSize = 124},
         [](std::vector<uint8_t>& file) { putU32(file, 30, 1); },
         "run-length compressed"},
        {"a PNG",
         64,
         48,
         8,
         {},
         [](std::vector<uint8_t>& file) {
             const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
             std::copy(std::begin(signature), std::end(signature), file.begin());
         },
         "not a Windows bitmap"},
        {"rows cut short",
         40,
         30,
         8,
         {},
         [](std::vector<uint8_t>& file) { file.resize(file.size() - 200); },
         "ends before its last row"},
        {"too many pixels",
         1,
         1,
         8,
         {},
         [](std::vector<uint8_t>& file) {
             putU32(file, 18, 5000);
             putU32(file, 22, 5000);
         },
         "more than"},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto file = makeBitmap(c.width, c.height, c.format,
                               [&](int x, int y) { return blocks(x, y, c.colours); });
        if (c.damage) {
            c.damage(file);
        }
        testing::writeFile("dx000.bmp", file);
        const auto l = load("dx000.bmp");
        EXPECT_EQ(count(l->messages, '\n'), c.message.empty() ? 0 : 1) << l->messages;
        EXPECT_NE(l->messages.find(c.message), std::string::npos) << l->messages;
        const bool refused = c.message.find("corner") == std::string::npos && !c.message.empty();
        EXPECT_EQ(l->result, refused ? 0 : 1) << l->messages;
        if (refused) {
            EXPECT_NE(l->messages.find("dx000.bmp"), std::string::npos);
        }
        if (l->result == 0) {
            continue;
        }
        // The rectangle StretchDIBits takes, (0, 0) up to 256 × 256, counts rows from the
        // first stored one: the bottom row unless the rows are stored top-down.
        const int keptW = std::min(c.width, 256);
        const int keptH = std::min(c.height, 256);
        const int firstRow = c.format.topDown ? 0 : c.height - keptH;
        std::string wrong;
        for (int dy : {0, 5, 100, 199, 255}) {
            for (int dx : {0, 9, 128, 250, 255}) {
                const uint32_t want =
                    blocks(dx * keptW / 256, firstRow + dy * keptH / 256, c.colours);
                if (l->surface.pixel(dx, dy) != want) {
                    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about a chain
                    // of operator+ on a temporary string at -O2 and above.
                    wrong.append(" ").append(std::to_string(dx)).append(",");
                    wrong.append(std::to_string(dy));
                }
            }
        }
        EXPECT_EQ(wrong, "") << "pixels unlike the file's";
    }
}

// Every header byte and several lengths: whatever is accepted is drawn without reading outside
// the file (AddressSanitizer watches the reads in the sanitised build) and fills the surface.
TEST(BitmapFile, WhateverIsAcceptedStaysInsideTheFile) {
    for (int bits : {1, 8, 16, 32}) {
        // Below 16 bits a colour table of two entries and one byte of pixels to a row.
        const auto good = makeBitmap(3, 2, {.bitCount = bits, .fullTable = false},
                                     [](int x, int y) { return colourOf((x + y) % 2); });
        int accepted = 0;
        for (size_t at = 0; at < 70; ++at) {
            for (int value : {0x00, 0x01, 0x03, 0x18, 0x28, 0x7C, 0x80, 0xFF}) {
                auto file = good;
                if (at < file.size()) {
                    file[at] = static_cast<uint8_t>(value);
                }
                for (size_t size : {file.size(), file.size() - 1, size_t{60}}) {
                    const std::vector<uint8_t> cut(file.begin(),
                                                   file.begin() + static_cast<ptrdiff_t>(size));
                    std::string why;
                    const auto picture = readBitmapFile(cut, &why);
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
