#include "render/tile_sheet.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/draw_context.h"
#include "platform/surface.h"
#include "support/game_harness.h"

namespace shardfall {
namespace {

// The red channel of each ring of a block painted at (1, 1), read along its diagonal; rings
// of side 0 are left out.
std::vector<int> ringValues(int size, uint32_t color = 0xFFFFFF) {
    SoftwareSurface surface(size + 2, size + 2);
    DrawContext* dc = surface.getDC();
    EXPECT_EQ(PaintBevelBlock(1, 1, size, color, *dc), 0);
    surface.releaseDC(dc);
    std::vector<int> values;
    for (int i = 0; size - 2 * i > 0; ++i) {
        values.push_back(static_cast<int>((surface.pixel(1 + i, 1 + i) >> 16) & 0xFF));
        // Every ring is a closed square: its four sides carry the same colour.
        EXPECT_EQ(surface.pixel(1 + i, 1 + i), surface.pixel(size - i, size - i));
        EXPECT_EQ(surface.pixel(1 + i, size - i), surface.pixel(size - i, 1 + i));
    }
    // Nothing outside the block.
    for (int k = 0; k < size + 2; ++k) {
        EXPECT_EQ(surface.pixel(k, 0), 0u);
        EXPECT_EQ(surface.pixel(0, k), 0u);
        EXPECT_EQ(surface.pixel(k, size + 1), 0u);
        EXPECT_EQ(surface.pixel(size + 1, k), 0u);
    }
    return values;
}

TEST(TileSheet, RingValuesOfAFullChannel) {
    EXPECT_EQ(ringValues(36), (std::vector<int>{0, 42, 55, 67, 80, 92, 105, 117, 130, 142, 155, 167,
                                                180, 192, 205, 217, 230, 242}));
    EXPECT_EQ(ringValues(35), (std::vector<int>{0, 49, 62, 75, 87, 100, 113, 126, 139, 152, 165,
                                                177, 190, 203, 216, 229, 242, 255}));
    EXPECT_EQ(ringValues(21),
              (std::vector<int>{40, 62, 83, 105, 126, 147, 169, 190, 212, 233, 255}));
    EXPECT_EQ(ringValues(3), (std::vector<int>{105, 255}));
    EXPECT_EQ(ringValues(2), (std::vector<int>{0}));
    EXPECT_EQ(ringValues(1), (std::vector<int>{255}));
    // A 48-pixel block loses its two outermost rings to the colour key.
    const auto big = ringValues(48);
    EXPECT_EQ(big[0], 0);
    EXPECT_EQ(big[1], 0);
    EXPECT_EQ(big[2], 48);
}

TEST(TileSheet, ABlackColourOrAnEmptyBlockPaintsNothing) {
    SoftwareSurface surface(8, 8);
    DrawContext* dc = surface.getDC();
    PaintBevelBlock(0, 0, 8, 0, *dc);
    PaintBevelBlock(0, 0, 0, 0xFFFFFF, *dc);
    surface.releaseDC(dc);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(surface.pixel(x, y), 0u);
        }
    }
}

TEST(TileSheet, ChannelsAreCappedAndDarkOnesDropToTheKey) {
    for (auto [in, out] :
         {std::pair{256, 255}, {1000, 255}, {255, 255}, {40, 40}, {39, 0}, {0, 0}, {-30, 0}}) {
        int32_t value = in;
        ClampChannel(value);
        EXPECT_EQ(value, out) << in;
    }
}

TEST(TileSheet, TheSheetHoldsEveryColourAtEverySize) {
    auto sheet = testing::paintedTileSheet(36);
    // Red at full size: black edge, then the first visible ring, with no green or blue.
    EXPECT_EQ(sheet->pixel(0, 0), 0u);
    EXPECT_EQ(sheet->pixel(1, 1), 0x2A0000u);
    EXPECT_EQ(sheet->pixel(17, 17), 0xF20000u);
    // Yellow (column 4) and cyan (column 5) in the screen's 0x00RRGGBB pixels.
    EXPECT_EQ(sheet->pixel(4 * 36 + 17, 18), 0xF2F200u);
    EXPECT_EQ(sheet->pixel(5 * 36 + 17, 18), 0x00F2F2u);
    // Row 1 holds 35-pixel blocks with a lit centre pixel; the rest of its slot is untouched.
    EXPECT_EQ(sheet->pixel(2 * 36 + 17, 36 + 17), 0x0000FFu);
    EXPECT_EQ(sheet->pixel(2 * 36 + 35, 36 + 10), 0u);
    // The last rows: a 2 × 2 black block and a single full-colour pixel.
    EXPECT_EQ(sheet->pixel(36, 34 * 36), 0u);
    EXPECT_EQ(sheet->pixel(36 + 1, 34 * 36 + 1), 0u);
    EXPECT_EQ(sheet->pixel(36, 35 * 36), 0x00FF00u);
    EXPECT_EQ(sheet->pixel(36 + 1, 35 * 36), 0u);
    // Columns 6 and 7 are the same grey ramp.
    for (int y = 0; y < 36 * 36; y += 7) {
        for (int x = 0; x < 36; ++x) {
            ASSERT_EQ(sheet->pixel(6 * 36 + x, y), sheet->pixel(7 * 36 + x, y)) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace shardfall
