#include "render/bitmap_file.h"

#include "bitmap_encoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bitmap_bytes.h"

namespace shardfall {
namespace {

using testing::BMP_BIT_COUNT_AT;
using testing::BMP_COLORS_USED_AT;
using testing::BMP_COMPRESSION_AT;
using testing::BMP_HEADER_SIZE_AT;
using testing::BMP_HEIGHT_AT;
using testing::BMP_PIXELS_AT;
using testing::BMP_PLANES_AT;
using testing::BMP_WIDTH_AT;
using testing::makeBitmap;
using testing::putU16;
using testing::putU32;

uint32_t checker(int x, int y) {
    return (x + y) % 2 ? 0xF80000u : 0x0000F8u;
}

// The picture drawn the way the background is: its top-left 256 × 256 onto a 256 × 256 buffer.
std::vector<uint32_t> drawn(const DibPicture& p) {
    std::vector<uint32_t> out(256 * 256, 0);
    const Rect src{0, 0, std::min(p.width, 256), std::min(std::abs(p.height), 256)};
    StretchDibOntoPixels(out.data(), 256, 256, 256, {0, 0, 256, 256}, src, p);
    return out;
}

TEST(BitmapFile, ReadsEveryDepthInBothRowOrders) {
    for (int bits : {16, 24, 32}) {
        for (bool topDown : {false, true}) {
            const auto file = makeBitmap(256, 256, bits, testing::gradientPixel, topDown);
            const auto picture = ReadBitmapFile(file);
            ASSERT_TRUE(picture) << bits << " bits, top-down " << topDown;
            EXPECT_EQ(picture->width, 256);
            EXPECT_EQ(picture->height, topDown ? -256 : 256);
            EXPECT_EQ(picture->bitCount, bits);
            EXPECT_EQ(picture->bits, file.data() + BMP_PIXELS_AT);
            const auto out = drawn(*picture);
            // 16 bits keep the top five bits of each channel.
            const uint32_t mask = bits == 16 ? 0xF8F8F8u : 0xFFFFFFu;
            for (int y : {0, 1, 128, 255}) {
                for (int x : {0, 7, 200, 255}) {
                    EXPECT_EQ(out[y * 256 + x] & mask, testing::gradientPixel(x, y) & mask)
                        << bits << " bits at " << x << "," << y;
                }
            }
        }
    }
}

TEST(BitmapFile, PixelsStandRightBehindTheInfoHeaderWhateverTheFileHeaderSays) {
    auto file = makeBitmap(2, 2, 24, checker);
    putU32(file, 10, 4096);  // the file header's pixel offset, far beyond the file
    file[0] = 'X';           // and no "BM" either
    const auto picture = ReadBitmapFile(file);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->bits, file.data() + BMP_PIXELS_AT);
    EXPECT_EQ(picture->bitsSize, file.size() - BMP_PIXELS_AT);
}

TEST(BitmapFile, RefusesHostileHeaders) {
    const auto good = makeBitmap(4, 4, 24, checker);
    ASSERT_TRUE(ReadBitmapFile(good));
    struct Damage {
        std::string what;
        size_t at;
        uint32_t value;
        bool word16;
    };
    const std::vector<Damage> damages = {
        {"core header size", BMP_HEADER_SIZE_AT, 12, false},
        {"version 4 header", BMP_HEADER_SIZE_AT, 108, false},
        {"version 5 header", BMP_HEADER_SIZE_AT, 124, false},
        {"header size zero", BMP_HEADER_SIZE_AT, 0, false},
        {"zero width", BMP_WIDTH_AT, 0, false},
        {"negative width", BMP_WIDTH_AT, static_cast<uint32_t>(-4), false},
        {"huge width", BMP_WIDTH_AT, 0x7FFFFFFF, false},
        {"zero height", BMP_HEIGHT_AT, 0, false},
        {"huge height", BMP_HEIGHT_AT, 0x7FFFFFFF, false},
        {"huge top-down height", BMP_HEIGHT_AT, 0x80000001, false},
        {"height without a magnitude", BMP_HEIGHT_AT, 0x80000000, false},
        {"one row too many", BMP_HEIGHT_AT, 5, false},
        {"planes 0", BMP_PLANES_AT, 0, true},
        {"planes 2", BMP_PLANES_AT, 2, true},
        {"8 bits with a palette", BMP_BIT_COUNT_AT, 8, true},
        {"1 bit", BMP_BIT_COUNT_AT, 1, true},
        {"0 bits (JPEG or PNG inside)", BMP_BIT_COUNT_AT, 0, true},
        {"64 bits", BMP_BIT_COUNT_AT, 64, true},
        {"run-length compression", BMP_COMPRESSION_AT, 1, false},
        {"colour masks", BMP_COMPRESSION_AT, 3, false},
        {"embedded PNG", BMP_COMPRESSION_AT, 5, false},
        {"colour table", BMP_COLORS_USED_AT, 16, false},
    };
    for (const auto& d : damages) {
        auto file = good;
        if (d.word16) {
            putU16(file, d.at, static_cast<uint16_t>(d.value));
        } else {
            putU32(file, d.at, d.value);
        }
        EXPECT_FALSE(ReadBitmapFile(file)) << d.what;
    }
}

TEST(BitmapFile, RefusesFilesWithTooFewBytes) {
    const auto good = makeBitmap(5, 3, 24, checker);  // rows of 15 bytes padded to 16
    for (size_t size = 0; size < good.size(); ++size) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(size));
        EXPECT_FALSE(ReadBitmapFile(cut)) << size << " of " << good.size() << " bytes";
    }
    // A last row without its padding is short too: the reader takes whole padded rows.
    EXPECT_EQ(good.size(), BMP_PIXELS_AT + 3 * 16);
    auto longer = good;
    longer.push_back(0);
    EXPECT_TRUE(ReadBitmapFile(longer));
}

// Every header byte and every length: whatever is accepted can be drawn without reading
// outside the file (AddressSanitizer watches the reads in the sanitised build).
TEST(BitmapFile, WhateverIsAcceptedStaysInsideTheFile) {
    const auto good = makeBitmap(3, 2, 16, checker);
    int accepted = 0;
    for (size_t at = 0; at < BMP_PIXELS_AT; ++at) {
        for (int value : {0x00, 0x01, 0x02, 0x08, 0x10, 0x18, 0x20, 0x28, 0x7F, 0x80, 0xFF}) {
            auto file = good;
            file[at] = static_cast<uint8_t>(value);
            for (size_t size : {file.size(), file.size() - 1, file.size() - 6, size_t{60}}) {
                // A heap copy of exactly the bytes, so a read past them is caught.
                const std::vector<uint8_t> cut(file.begin(),
                                               file.begin() + static_cast<ptrdiff_t>(size));
                const auto picture = ReadBitmapFile(cut);
                if (!picture) {
                    continue;
                }
                ++accepted;
                ASSERT_TRUE(DibIsReadable(*picture));
                ASSERT_GE(picture->bits, cut.data());
                ASSERT_LE(picture->bits + picture->bitsSize, cut.data() + cut.size());
                drawn(*picture);
            }
        }
    }
    // The untouched bytes of the file header and harmless header bytes keep it acceptable.
    EXPECT_GT(accepted, 0);
}

TEST(BitmapFile, EncodedFilesReadBackPixelForPixel) {
    std::vector<uint32_t> pixels(7 * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint32_t>(i * 0x0A0B0C + 0x010203) & 0xFFFFFF;
    }
    const auto file = EncodeBitmapFile(pixels.data(), 7, 3);
    EXPECT_EQ(file.size(), BMP_PIXELS_AT + 3 * 24);  // 21 bytes a row, padded to 24
    const auto picture = ReadBitmapFile(file);
    ASSERT_TRUE(picture);
    std::vector<uint32_t> back(7 * 3, 0);
    StretchDibOntoPixels(back.data(), 7, 7, 3, {0, 0, 7, 3}, {0, 0, 7, 3}, *picture);
    EXPECT_EQ(back, pixels);
}

}  // namespace
}  // namespace shardfall
