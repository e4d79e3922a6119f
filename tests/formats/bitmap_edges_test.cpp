// The background reader at its edges, each a rule met exactly: a last row without its padding,
// colour masks behind a 40-byte header found without the file header's offset, a 4-bit
// run-length file refused by name, and the widest picture taken.
#include <gtest/gtest.h>

#include <string>

#include "formats/bitmap_file.h"
#include "support/bitmap_bytes.h"

namespace shardfall {
namespace {

using namespace testing;

uint32_t colour(int x, int y) {
    return static_cast<uint32_t>(0x102030 * (x + 1) + 0x050A0F * y);
}

// The picture's pixel as 0x00RRGGBB (its rows top-down, blue first).
uint32_t pixelOf(const BackgroundPicture& p, int x, int y) {
    const uint8_t* b = &p.bits[(static_cast<size_t>(y) * p.width + x) * 4];
    return static_cast<uint32_t>(b[2] << 16 | b[1] << 8 | b[0]);
}

TEST(BitmapEdges, EachEdgeReadOrRefusedByName) {
    auto unpadded = makeBitmap(3, 2, 24, colour);
    unpadded.resize(unpadded.size() - 3);
    auto masks = makeBitmap(3, 2, 32, colour);
    putU32(masks, 10, 0);
    putU32(masks, BMP_COMPRESSION_AT, 3);
    const uint8_t fields[] = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    masks.insert(masks.begin() + BMP_PIXELS_AT, std::begin(fields), std::end(fields));
    auto rle4 = makeBitmap(4, 2, 24, colour);
    putU16(rle4, BMP_BIT_COUNT_AT, 4);
    putU32(rle4, BMP_COMPRESSION_AT, 2);
    const auto wide = [](int width) { return makeBitmap(width, 1, 24, colour); };
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        const char* refusal;  // empty when read
    } cases[] = {
        {"last row unpadded", unpadded, ""},
        {"masks without offset", masks, ""},
        {"4-bit run-length", rle4, "run-length compressed"},
        {"16384 wide", wide(BITMAP_SIDE_LIMIT), ""},
        {"16385 wide", wide(BITMAP_SIDE_LIMIT + 1), "more than the 16384 a side"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string why;
        const auto picture = readBitmapFile(c.file, &why);
        EXPECT_NE(why.find(c.refusal), std::string::npos) << why;
        ASSERT_EQ(picture.has_value(), *c.refusal == '\0') << why;
        if (picture && picture->fileHeight == 2) {
            EXPECT_EQ(pixelOf(*picture, 0, 0), colour(0, 0));
            EXPECT_EQ(pixelOf(*picture, 2, 1), colour(2, 1));
        }
    }
}

}  // namespace
}  // namespace shardfall
