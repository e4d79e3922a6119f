#include "platform/dib.h"

#include <gtest/gtest.h>

#include <vector>

namespace shardfall {
namespace {

// A picture from its stored rows, exactly as they would sit in a file.
DibPicture picture(int width, int height, int bitCount, const std::vector<uint8_t>& bits) {
    return DibPicture{width, height, bitCount, bits.data(), bits.size()};
}

struct Pixels {
    Pixels(int w, int h) : width(w), height(h), data(static_cast<size_t>(w) * h, 0xDEADBEEF) {}
    uint32_t at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
    int stretch(const Rect& dst, const Rect& src, const DibPicture& p) {
        return StretchDibOntoPixels(data.data(), width, width, height, dst, src, p);
    }
    int width;
    int height;
    std::vector<uint32_t> data;
};

TEST(Dib, RowStrideRoundsUpToWholeWords) {
    EXPECT_EQ(DibRowStride(3, 24), 12u);
    EXPECT_EQ(DibRowStride(4, 24), 12u);
    EXPECT_EQ(DibRowStride(5, 24), 16u);
    EXPECT_EQ(DibRowStride(3, 16), 8u);
    EXPECT_EQ(DibRowStride(3, 32), 12u);
    EXPECT_EQ(DibRowStride(256, 24), 768u);
    EXPECT_EQ(DibRowStride(0, 24), 0u);
    EXPECT_EQ(DibRowStride(4, 8), 0u);
    // No overflow for the widest header a file can give.
    EXPECT_EQ(DibRowStride(INT32_MAX, 32), uint64_t{INT32_MAX} * 4);
}

TEST(Dib, BottomUpRowsAreReadUpsideDownAndPaddingIsSkipped) {
    // 3 × 2 at 24 bits: each stored row is 9 bytes of pixels and 3 of padding.
    const std::vector<uint8_t> bits = {
        // stored first: the bottom row
        0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0xEE, 0xEE, 0xEE,
        // then the top row
        0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0xEE, 0xEE, 0xEE};
    Pixels out(3, 2);
    EXPECT_EQ(out.stretch({0, 0, 3, 2}, {0, 0, 3, 2}, picture(3, 2, 24, bits)), 2);
    EXPECT_EQ(out.at(0, 0), 0x131211u);
    EXPECT_EQ(out.at(2, 0), 0x191817u);
    EXPECT_EQ(out.at(0, 1), 0x030201u);
    EXPECT_EQ(out.at(2, 1), 0x090807u);

    // The same bytes as a top-down picture.
    EXPECT_EQ(out.stretch({0, 0, 3, 2}, {0, 0, 3, 2}, picture(3, -2, 24, bits)), 2);
    EXPECT_EQ(out.at(0, 0), 0x030201u);
    EXPECT_EQ(out.at(2, 1), 0x191817u);
}

TEST(Dib, SixteenAndThirtyTwoBitPixels) {
    // 5-5-5 with the top bit unused; five bits widen to eight by repeating the high bits.
    const std::vector<uint8_t> sixteen = {0xFF, 0x7F, 0x00, 0x7C, 0x01, 0x04, 0xFF, 0xFF};
    Pixels out(4, 1);
    EXPECT_EQ(out.stretch({0, 0, 4, 1}, {0, 0, 4, 1}, picture(4, 1, 16, sixteen)), 1);
    EXPECT_EQ(out.at(0, 0), 0xFFFFFFu);
    EXPECT_EQ(out.at(1, 0), 0xFF0000u);
    EXPECT_EQ(out.at(2, 0), 0x080008u);  // red 1 and blue 1
    EXPECT_EQ(out.at(3, 0), 0xFFFFFFu);  // the unused top bit is ignored

    const std::vector<uint8_t> thirtyTwo = {0x30, 0x20, 0x10, 0xAA, 0x03, 0x02, 0x01, 0x55};
    Pixels two(2, 1);
    EXPECT_EQ(two.stretch({0, 0, 2, 1}, {0, 0, 2, 1}, picture(2, 1, 32, thirtyTwo)), 1);
    EXPECT_EQ(two.at(0, 0), 0x102030u);
    EXPECT_EQ(two.at(1, 0), 0x010203u);
}

TEST(Dib, StretchIsNearestNeighbour) {
    // 2 × 2 top-down at 32 bits onto 4 × 6: every source pixel covers 2 × 3 pixels.
    const std::vector<uint8_t> bits = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0};
    Pixels out(4, 6);
    EXPECT_EQ(out.stretch({0, 0, 4, 6}, {0, 0, 2, 2}, picture(2, -2, 32, bits)), 6);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(out.at(x, y), static_cast<uint32_t>(1 + x / 2 + 2 * (y / 3)))
                << x << "," << y;
        }
    }
    // A part of the picture only: its right column.
    EXPECT_EQ(out.stretch({0, 0, 4, 6}, {1, 0, 2, 2}, picture(2, -2, 32, bits)), 6);
    EXPECT_EQ(out.at(0, 0), 2u);
    EXPECT_EQ(out.at(3, 5), 4u);
}

TEST(Dib, DestinationPixelsOutsideTheBufferAreLeftOut) {
    const std::vector<uint8_t> bits(4 * 4 * 4, 0x11);
    Pixels out(3, 3);
    // Hangs over every edge; only the 3 × 3 inside is written.
    EXPECT_EQ(out.stretch({-2, -2, 5, 5}, {0, 0, 4, 4}, picture(4, 4, 32, bits)), 3);
    for (uint32_t p : out.data) {
        EXPECT_EQ(p, 0x111111u);
    }
}

TEST(Dib, UnusablePicturesOrRectanglesDrawNothing) {
    const std::vector<uint8_t> bits(2 * 2 * 4, 0x11);
    Pixels out(2, 2);
    // Rows that would run past the bytes.
    EXPECT_EQ(
        out.stretch({0, 0, 2, 2}, {0, 0, 2, 2}, DibPicture{2, 3, 32, bits.data(), bits.size()}), 0);
    // A source rectangle beyond the picture, empty or inverted rectangles.
    EXPECT_EQ(out.stretch({0, 0, 2, 2}, {0, 0, 3, 2}, picture(2, 2, 32, bits)), 0);
    EXPECT_EQ(out.stretch({0, 0, 2, 2}, {1, 1, 1, 2}, picture(2, 2, 32, bits)), 0);
    EXPECT_EQ(out.stretch({2, 0, 0, 2}, {0, 0, 2, 2}, picture(2, 2, 32, bits)), 0);
    // Bit counts this module does not read, a zero height, no bits.
    EXPECT_EQ(out.stretch({0, 0, 2, 2}, {0, 0, 2, 2}, picture(2, 2, 8, bits)), 0);
    EXPECT_EQ(out.stretch({0, 0, 2, 2}, {0, 0, 2, 2}, picture(2, 0, 32, bits)), 0);
    EXPECT_EQ(out.stretch({0, 0, 2, 2}, {0, 0, 2, 2}, DibPicture{2, 2, 32, nullptr, 16}), 0);
    for (uint32_t p : out.data) {
        EXPECT_EQ(p, 0xDEADBEEFu);
    }
}

TEST(Dib, ReadabilityComparesRowsAgainstTheBytesAtHand) {
    const uint8_t byte = 0;
    EXPECT_FALSE(DibIsReadable(DibPicture{INT32_MAX, INT32_MAX, 32, &byte, size_t{1} << 20}));
    EXPECT_FALSE(DibIsReadable(DibPicture{1 << 20, INT32_MAX, 24, &byte, size_t{1} << 40}));
    EXPECT_FALSE(DibIsReadable(DibPicture{1, INT32_MIN, 32, &byte, SIZE_MAX}));
    EXPECT_TRUE(DibIsReadable(DibPicture{1, -1, 32, &byte, 4}));
    EXPECT_FALSE(DibIsReadable(DibPicture{1, -2, 32, &byte, 7}));
    EXPECT_TRUE(DibIsReadable(DibPicture{1, 2, 32, &byte, 8}));
}

}  // namespace
}  // namespace shardfall
