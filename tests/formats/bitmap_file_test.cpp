#include "formats/bitmap_file.h"

#include "formats/bitmap_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gfx/surface.h"
#include "gfx/software/software_surface.h"
#include "render/display.h"
#include "support/bitmap_bytes.h"
#include "support/temp_folder.h"

namespace shardfall {
namespace {

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
uint32_t blocks8(int x, int y) {
    return blocks(x, y, 8);
}

void writePpm(const std::string& path, int w, int h, int colours) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << ' ' << h << "\n255\n";
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t c = blocks(x, y, colours);
            out.put(static_cast<char>(c >> 16))
                .put(static_cast<char>(c >> 8))
                .put(static_cast<char>(c));
        }
    }
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

// Files as common tools write them, and as damaged ones stand in the wild. Each is drawn as
// the background is and compared, at sample places, with the pixel its writer put there.
TEST(BitmapFile, DecodesWhatToolsWriteAndExplainsWhatItRefuses) {
    struct Case {
        std::string what;
        std::string convert;  // ImageMagick options, or empty for a file made here
        int width, height, colours;
        std::function<std::vector<uint8_t>()> make;  // when made here
        std::string message;  // part of the one stderr line, or empty for none
        bool swapRedBlue = false;
    };
    auto behindHeader = [&](uint32_t offset) {
        return [=] {
            auto file = makeBitmap(40, 30, 24, blocks8);
            putU32(file, 10, offset);
            return file;
        };
    };
    const std::vector<Case> cases = {
        {"ImageMagick, 24 bits", " ", 64, 48, 8, {}, ""},
        {"ImageMagick, 32 bits", "-type TrueColorAlpha", 64, 48, 8, {}, ""},
        {"ImageMagick, RGB565", "-define bmp:subtype=RGB565", 64, 48, 8, {}, ""},
        {"ImageMagick, 8-bit palette", "-type Palette -compress none", 64, 48, 40, {}, ""},
        {"ImageMagick, 4-bit palette", "-type Palette", 64, 48, 8, {}, ""},
        {"ImageMagick, 1 bit", "-type Bilevel", 64, 48, 2, {}, ""},
        {"12-byte header, 24 bits", "BMP2", 64, 48, 8, {}, ""},
        {"12-byte header, palette", "-type Palette BMP2", 64, 48, 40, {}, ""},
        {"larger, bottom-up", "", 300, 290, 8, [&] { return makeBitmap(300, 290, 24, blocks8); },
         "only its bottom-left corner of 256 x 256"},
        {"larger, top-down", "", 300, 290, 8,
         [&] { return makeBitmap(300, 290, 32, blocks8, true); },
         "only its top-left corner of 256 x 256"},
        {"wider only", "", 300, 20, 8, [&] { return makeBitmap(300, 20, 24, blocks8); },
         "bottom-left corner of 256 x 20"},
        {"16 bits without masks are 5-5-5", "", 40, 30, 8,
         [&] { return makeBitmap(40, 30, 16, blocks8); }, ""},
        {"32 bits, masks behind a 40-byte header", "", 40, 30, 8,
         [&] {
             auto file = makeBitmap(40, 30, 32, blocks8);
             putU32(file, 10, 54 + 12);
             putU32(file, 30, 3);  // BI_BITFIELDS: red in the low byte, blue in the third
             const uint8_t masks[] = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0};
             file.insert(file.begin() + 54, std::begin(masks), std::end(masks));
             return file;
         },
         "", true},
        {"offset 0", "", 40, 30, 8, behindHeader(0), ""},
        {"offset inside the header", "", 40, 30, 8, behindHeader(30), ""},
        {"offset beyond the file", "", 40, 30, 8, behindHeader(1 << 20), ""},
        {"pixels behind a gap", "", 40, 30, 8,
         [&] {
             auto file = makeBitmap(40, 30, 24, blocks8);
             putU32(file, 10, 54 + 100);
             file.insert(file.begin() + 54, 100, 0x77);
             return file;
         },
         ""},
        {"run-length compressed", "-type Palette", 64, 48, 40, {}, "run-length compressed"},
        {"a PNG", "PNG", 64, 48, 8, {}, "not a Windows bitmap"},
        {"rows cut short", "", 40, 30, 8,
         [&] {
             auto file = makeBitmap(40, 30, 24, blocks8);
             file.resize(file.size() - 200);
             return file;
         },
         "ends before its last row"},
        {"too many pixels", "", 5000, 5000, 8,
         [&] {
             auto file = makeBitmap(1, 1, 24, blocks8);
             putU32(file, 18, 5000);
             putU32(file, 22, 5000);
             return file;
         },
         "more than"},
    };
    const bool haveConvert = std::system("convert -version >/dev/null 2>&1") == 0;
    TempFolder folder;
    int skipped = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.make) {
            testing::writeFile("dx000.bmp", c.make());
        } else if (!haveConvert) {
            ++skipped;
            continue;
        } else {
            writePpm("source.ppm", c.width, c.height, c.colours);
            std::string options = c.convert;
            std::string target = "dx000.bmp";
            for (const char* format : {"BMP2", "PNG"}) {
                const auto at = options.find(format);
                if (at != std::string::npos) {
                    target = std::string(format) + ":dx000.bmp";
                    options.erase(at);
                }
            }
            ASSERT_EQ(std::system(("convert source.ppm " + options + " " + target).c_str()), 0);
        }
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
        const bool topDown = c.what == "larger, top-down";
        const int keptW = std::min(c.width, 256);
        const int keptH = std::min(c.height, 256);
        const int firstRow = topDown ? 0 : c.height - keptH;
        std::string wrong;
        for (int dy : {0, 5, 100, 199, 255}) {
            for (int dx : {0, 9, 128, 250, 255}) {
                uint32_t want = blocks(dx * keptW / 256, firstRow + dy * keptH / 256, c.colours);
                if (c.swapRedBlue) {
                    want = (want & 0x00FF00) | ((want >> 16) & 0xFF) | ((want & 0xFF) << 16);
                }
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
    if (skipped > 0) {
        GTEST_SKIP() << skipped << " files need ImageMagick's convert (scripts/install-deps e2e)";
    }
}

// Every header byte and several lengths: whatever is accepted is drawn without reading outside
// the file (AddressSanitizer watches the reads in the sanitised build) and fills the surface.
TEST(BitmapFile, WhateverIsAcceptedStaysInsideTheFile) {
    for (int bits : {1, 8, 16, 32}) {
        auto good = makeBitmap(3, 2, bits >= 16 ? bits : 24, blocks8);
        if (bits < 16) {
            // A colour table of two entries and one byte of pixels to a row.
            putU32(good, 28, static_cast<uint32_t>(bits));
            putU32(good, 46, 2);
            good.resize(54 + 8 + 8);
            putU32(good, 10, 62);
        }
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

TEST(BitmapFile, EncodedFilesReadBackPixelForPixel) {
    std::vector<uint32_t> pixels(7 * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint32_t>(i * 0x0A0B0C + 0x010203) & 0xFFFFFF;
    }
    const auto picture = readBitmapFile(encodeBitmapFile(pixels.data(), 7, 3));
    ASSERT_TRUE(picture);
    std::vector<uint32_t> back(7 * 3, 0);
    stretchDibOntoPixels(back.data(), 7, 7, 3, {0, 0, 7, 3}, {0, 0, 7, 3}, picture->dib());
    EXPECT_EQ(back, pixels);
}

}  // namespace
}  // namespace shardfall
