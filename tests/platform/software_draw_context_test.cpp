#include "platform/software_draw_context.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/glyph_cache.h"
#include "platform/surface.h"
#include "support/allocation_counter.h"

namespace shardfall {
namespace {

constexpr uint32_t BACKGROUND = 0x00203040;

// The sizes the game asks for: credit line, score panel, leaderboard, banner, "Pause!".
const std::vector<std::pair<int, int>> GAME_SIZES = {
    {16, 8}, {43, 21}, {42, 21}, {50, 27}, {80, 40}};

void fill(SoftwareSurface& s, uint32_t rgb) {
    for (int y = 0; y < s.height(); ++y) {
        std::fill(s.row(y), s.row(y) + s.width(), rgb);
    }
}

std::vector<uint32_t> pixels(const SoftwareSurface& s) {
    std::vector<uint32_t> all;
    for (int y = 0; y < s.height(); ++y) {
        all.insert(all.end(), s.row(y), s.row(y) + s.width());
    }
    return all;
}

// Text drawn as the game draws it: a font of the size, transparent background.
void drawText(SoftwareSurface& s, int height, int width, int x, int y, const std::string& text,
              uint32_t colorRef = 0xFFFFFF) {
    DrawContext* dc = s.getDC();
    ASSERT_NE(dc, nullptr);
    Font* font = dc->createFont(height, width, FF_MODERN | FIXED_PITCH);
    Font* previous = dc->selectFont(font);
    dc->setTextColor(colorRef);
    dc->setBkMode(TRANSPARENT);
    EXPECT_TRUE(dc->textOut(x, y, text.data(), static_cast<int>(text.size())));
    dc->selectFont(previous);
    dc->deleteFont(font);
    s.releaseDC(dc);
}

struct Ink {
    int count = 0;
    int left = 1 << 30;
    int right = -1;
    int top = 1 << 30;
    int bottom = -1;
};

Ink inkOf(const SoftwareSurface& s, uint32_t background = BACKGROUND) {
    Ink ink;
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            if (s.pixel(x, y) != background) {
                ++ink.count;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
        }
    }
    return ink;
}

TEST(SoftwareDrawContext, FillsConvertColorRefsToSurfacePixels) {
    SoftwareSurface s(4, 1);
    DrawContext* dc = s.getDC();
    ASSERT_NE(dc, nullptr);
    FillSolidRect(*dc, 0, 0, 1, 1, 0x0000FF);
    FillSolidRect(*dc, 1, 0, 1, 1, 0x00FF00);
    FillSolidRect(*dc, 2, 0, 1, 1, 0xFF0000);
    FillSolidRect(*dc, 3, 0, 1, 1, 0x123456);
    s.releaseDC(dc);
    EXPECT_EQ(s.pixel(0, 0), 0x00FF0000u);
    EXPECT_EQ(s.pixel(1, 0), 0x0000FF00u);
    EXPECT_EQ(s.pixel(2, 0), 0x000000FFu);
    EXPECT_EQ(s.pixel(3, 0), 0x00563412u);
}

TEST(SoftwareDrawContext, FillSolidRectExcludesRightAndBottomAndSkipsEmpty) {
    SoftwareSurface s(10, 10);
    fill(s, BACKGROUND);
    DrawContext* dc = s.getDC();
    FillSolidRect(*dc, 2, 3, 0, 5, 0xFFFFFF);
    FillSolidRect(*dc, 2, 3, 5, 0, 0xFFFFFF);
    EXPECT_EQ(inkOf(s).count, 0);

    FillSolidRect(*dc, 2, 3, 4, 2, 0xFFFFFF);
    const Ink ink = inkOf(s);
    EXPECT_EQ(ink.count, 8);
    EXPECT_EQ(ink.left, 2);
    EXPECT_EQ(ink.right, 5);
    EXPECT_EQ(ink.top, 3);
    EXPECT_EQ(ink.bottom, 4);

    // Partly off the surface: the part on it is painted, as GDI clips.
    fill(s, BACKGROUND);
    FillSolidRect(*dc, -3, 8, 5, 10, 0xFFFFFF);
    const Ink clipped = inkOf(s);
    EXPECT_EQ(clipped.count, 4);
    EXPECT_EQ(clipped.right, 1);
    EXPECT_EQ(clipped.top, 8);
    s.releaseDC(dc);
}

TEST(SoftwareDrawContext, GlyphsAdvanceExactlyTheFontWidth) {
    for (auto [h, w] : GAME_SIZES) {
        const int width = 12 * w + 20;
        SoftwareSurface one(width, h + 10);
        fill(one, BACKGROUND);
        drawText(one, h, w, 10, 5, "M");
        ASSERT_GT(inkOf(one).count, 0) << h << "x" << w;

        // The same glyph after k spaces is the first picture moved right by exactly k × w.
        for (int k : {1, 2, 7}) {
            SoftwareSurface shifted(width, h + 10);
            fill(shifted, BACKGROUND);
            drawText(shifted, h, w, 10, 5, std::string(k, ' ') + "M");
            int wrong = 0;
            for (int y = 0; y < h + 10; ++y) {
                for (int x = 0; x < width; ++x) {
                    const uint32_t want = x >= k * w ? one.pixel(x - k * w, y) : BACKGROUND;
                    wrong += shifted.pixel(x, y) != want;
                }
            }
            EXPECT_EQ(wrong, 0) << h << "x" << w << " after " << k << " spaces";
        }

        // Later glyphs keep the period: "W W W" is three single W's, 2 × w apart.
        SoftwareSurface run(width, h + 10);
        fill(run, BACKGROUND);
        drawText(run, h, w, 10, 5, "W W W");
        SoftwareSurface single(width, h + 10);
        fill(single, BACKGROUND);
        for (int i = 0; i < 3; ++i) {
            drawText(single, h, w, 10 + 2 * i * w, 5, "W");
        }
        EXPECT_EQ(pixels(run), pixels(single)) << h << "x" << w;
    }
}

TEST(SoftwareDrawContext, GlyphsFillTheirCellAndStayInsideIt) {
    for (auto [h, w] : GAME_SIZES) {
        SoftwareSurface s(8 * w + 40, h + 40);
        fill(s, BACKGROUND);
        // Tall capitals, descenders and the bar that reaches from top to bottom.
        drawText(s, h, w, 20, 20, "Mgjy|()_");
        const Ink ink = inkOf(s);
        EXPECT_GE(ink.top, 20) << h << "x" << w;
        EXPECT_LE(ink.bottom, 20 + h - 1) << h << "x" << w;
        // The descenders reach the cell's last rows; the tallest glyphs keep below the
        // ascender, which is the cell's top, by about an eighth of the height.
        EXPECT_GE(ink.bottom, 20 + h - 2) << h << "x" << w;
        EXPECT_GE(ink.bottom - ink.top + 1, h * 4 / 5) << h << "x" << w;

        // The M is scaled to the width: nearly as wide as its cell, no wider.
        SoftwareSurface m(w + 40, h + 40);
        fill(m, BACKGROUND);
        drawText(m, h, w, 20, 20, "M");
        const Ink mInk = inkOf(m);
        EXPECT_GE(mInk.left, 20 - 1) << h << "x" << w;
        EXPECT_LE(mInk.right, 20 + w) << h << "x" << w;
        EXPECT_GE(mInk.right - mInk.left + 1, w * 3 / 4) << h << "x" << w;
    }
}

TEST(SoftwareDrawContext, CoverageBlendsAndFullCoverageIsTheTextColour) {
    const uint32_t textRef = 0x004080D0;  // red D0, green 80, blue 40
    const uint32_t text = rgbFromColorRef(textRef);
    const auto channel = [](uint32_t c, int shift) {
        return static_cast<int>((c >> shift) & 0xFF);
    };
    for (auto [h, w] : GAME_SIZES) {
        const GlyphSet* glyphs = GlyphCache::shared().glyphs(h, w);
        ASSERT_NE(glyphs, nullptr);
        const GlyphImage& m = glyphs->glyph('M');
        SoftwareSurface s(w + 40, h + 40);
        fill(s, BACKGROUND);
        drawText(s, h, w, 20, 20, "M", textRef);

        int full = 0;
        int inked = 0;
        int wrong = 0;
        for (int y = 0; y < m.height; ++y) {
            for (int x = 0; x < m.width; ++x) {
                const uint8_t cover = m.coverage[y * m.width + x];
                const uint32_t got = s.pixel(20 + m.left + x, 20 + m.top + y);
                inked += cover > 0;
                if (cover == 255) {
                    ++full;
                    wrong += got != text;
                } else if (cover == 0) {
                    wrong += got != BACKGROUND;
                } else {
                    for (int shift : {0, 8, 16}) {
                        const int lo = std::min(channel(text, shift), channel(BACKGROUND, shift));
                        const int hi = std::max(channel(text, shift), channel(BACKGROUND, shift));
                        wrong += channel(got, shift) < lo || channel(got, shift) > hi;
                    }
                }
            }
        }
        EXPECT_GT(full, 0) << h << "x" << w;
        EXPECT_EQ(wrong, 0) << h << "x" << w;
        // Transparent: nothing but the glyph's covered pixels changed.
        EXPECT_EQ(inkOf(s).count, inked) << h << "x" << w;
    }
}

TEST(SoftwareDrawContext, FreshContextHasDefaultFontBlackTextOpaqueBackground) {
    SoftwareSurface s(100, 40);
    fill(s, BACKGROUND);
    DrawContext* dc = s.getDC();
    dc->setBkMode(TRANSPARENT);
    dc->setTextColor(0xFFFFFF);
    dc->selectFont(dc->createFont(80, 40, 0x31));
    s.releaseDC(dc);

    // The next context starts over: no font (16 × 8), black text, white cell behind it.
    dc = s.getDC();
    ASSERT_TRUE(dc->textOut(10, 5, "  ", 2));
    const Ink cell = inkOf(s);
    EXPECT_EQ(cell.count, 2 * DEFAULT_FONT_WIDTH * DEFAULT_FONT_HEIGHT);
    EXPECT_EQ(cell.left, 10);
    EXPECT_EQ(cell.right, 10 + 2 * DEFAULT_FONT_WIDTH - 1);
    EXPECT_EQ(cell.top, 5);
    EXPECT_EQ(cell.bottom, 5 + DEFAULT_FONT_HEIGHT - 1);
    EXPECT_EQ(s.pixel(10, 5), 0xFFFFFFu);

    // Black text on the white cell.
    ASSERT_TRUE(dc->textOut(10, 5, "M", 1));
    bool black = false;
    for (int y = 5; y < 5 + DEFAULT_FONT_HEIGHT; ++y) {
        for (int x = 10; x < 10 + DEFAULT_FONT_WIDTH; ++x) {
            black = black || s.pixel(x, y) == 0;
        }
    }
    EXPECT_TRUE(black);
    s.releaseDC(dc);
}

TEST(SoftwareDrawContext, DefaultFontAdvancesItsWidth) {
    SoftwareSurface one(60, 40);
    SoftwareSurface shifted(60, 40);
    for (SoftwareSurface* s : {&one, &shifted}) {
        fill(*s, BACKGROUND);
        DrawContext* dc = s->getDC();
        dc->setBkMode(TRANSPARENT);
        dc->setTextColor(0x9B9B9B);
        const char* text = s == &one ? "0" : " 0";
        dc->textOut(0, 0, text, static_cast<int>(std::strlen(text)));
        s->releaseDC(dc);
    }
    const Ink ink = inkOf(one);
    ASSERT_GT(ink.count, 0);
    EXPECT_LT(ink.bottom, DEFAULT_FONT_HEIGHT);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x + DEFAULT_FONT_WIDTH < 60; ++x) {
            ASSERT_EQ(shifted.pixel(x + DEFAULT_FONT_WIDTH, y), one.pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(SoftwareDrawContext, TextIsClippedToTheSurface) {
    // Text running off all four edges of a small surface shows exactly the part a large
    // surface shows there.
    SoftwareSurface large(300, 120);
    fill(large, BACKGROUND);
    drawText(large, 43, 21, 40, 30, "SCORE 42");
    SoftwareSurface small(90, 20);
    fill(small, BACKGROUND);
    drawText(small, 43, 21, 40 - 60, 30 - 50, "SCORE 42");
    int wrong = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 90; ++x) {
            wrong += small.pixel(x, y) != large.pixel(x + 60, y + 50);
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(inkOf(small).count, 0);

    // Wholly outside, and far outside: nothing drawn, nothing broken.
    SoftwareSurface tiny(8, 8);
    fill(tiny, BACKGROUND);
    drawText(tiny, 80, 40, 100, 0, "Pause!");
    drawText(tiny, 80, 40, -1000, -1000, "Pause!");
    drawText(tiny, 80, 40, 2000000000, 2000000000, "Pause!");
    drawText(tiny, 80, 40, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
             "Pause!");
    drawText(tiny, 80, 40, std::numeric_limits<int>::max() - 5, -79, "Pause!");
    EXPECT_EQ(inkOf(tiny).count, 0);
}

TEST(SoftwareDrawContext, DrawTextCentresOneLineInTheRectangle) {
    for (int rectWidth : {300, 301}) {
        const Rect rect{10, 20, 10 + rectWidth, 220};
        SoftwareSurface centred(400, 300);
        fill(centred, BACKGROUND);
        DrawContext* dc = centred.getDC();
        Font* font = dc->createFont(80, 40, 0x31);
        Font* previous = dc->selectFont(font);
        dc->setTextColor(0xFFFFFF);
        dc->setBkMode(TRANSPARENT);
        // "Pause!" is 240 wide: x = 10 + (rectWidth - 240) / 2 = 40, y = 20 + (200 - 80) / 2.
        EXPECT_EQ(dc->drawText("Pause!", -1, rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE),
                  60 + 80);
        dc->selectFont(previous);
        dc->deleteFont(font);
        centred.releaseDC(dc);

        SoftwareSurface placed(400, 300);
        fill(placed, BACKGROUND);
        drawText(placed, 80, 40, 40, 80, "Pause!");
        EXPECT_EQ(pixels(centred), pixels(placed)) << rectWidth;
        EXPECT_GT(inkOf(centred).count, 0);
    }

    // Text wider than its rectangle is cut at the rectangle's edges.
    SoftwareSurface s(400, 300);
    fill(s, BACKGROUND);
    DrawContext* dc = s.getDC();
    dc->selectFont(dc->createFont(80, 40, 0x31));
    dc->setBkMode(TRANSPARENT);
    dc->setTextColor(0xFFFFFF);
    const Rect narrow{100, 100, 160, 150};
    dc->drawText("MgMgMg", 6, narrow, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    s.releaseDC(dc);
    const Ink ink = inkOf(s);
    ASSERT_GT(ink.count, 0);
    EXPECT_GE(ink.left, narrow.left);
    EXPECT_LT(ink.right, narrow.right);
    EXPECT_GE(ink.top, narrow.top);
    EXPECT_LT(ink.bottom, narrow.bottom);
}

// Bytes from 0x80 up are Windows-1251, as names in the records file are written: Cyrillic
// capitals and small letters that look like Latin ones draw exactly as those do, the others
// draw glyphs of their own, and control bytes and the unassigned 0x98 draw nothing.
TEST(SoftwareDrawContext, BytesAreDrawnAsWindows1251) {
    auto drawn = [](const std::string& text) {
        SoftwareSurface s(240, 60);
        fill(s, BACKGROUND);
        drawText(s, 43, 21, 0, 0, text);
        return pixels(s);
    };
    EXPECT_TRUE(drawn("\xC0\xD0\xE5\xF1 \xCE") == drawn("APec O"));  // А Р е с О
    EXPECT_TRUE(drawn(std::string("A\x01\x98"
                                  "B\x7F",
                                  5)) == drawn("A  B "));
    const auto blank = drawn("");
    const auto name = drawn("\xC6\xE5\xED\xFF");  // Женя
    EXPECT_TRUE(name != blank);
    for (const char* letter : {"\xC6", "\xE5", "\xED", "\xFF", "\xB9", "\x80"}) {
        EXPECT_TRUE(drawn(letter) != blank) << static_cast<int>(letter[0] & 0xFF);
    }
}

TEST(SoftwareDrawContext, RepeatedTextAllocatesNothing) {
    SoftwareSurface s(1024, 768);
    fill(s, BACKGROUND);
    const Rect screen{0, 0, 1024, 768};
    auto frame = [&] {
        DrawContext* dc = s.getDC();
        Font* font = dc->createFont(43, 21, 0x31);
        Font* previous = dc->selectFont(font);
        dc->setTextColor(0xFFFFFF);
        dc->setBkMode(TRANSPARENT);
        dc->textOut(730, 0, "SCORE 1234", 10);
        dc->textOut(730, 43, "LINES 56", 8);
        dc->textOut(730, 86, "TIME 75:03", 10);
        dc->drawText("Pause!", -1, screen, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        dc->selectFont(previous);
        dc->deleteFont(font);
        dc->textOut(0, 0, "60 FPS", 6);
        s.releaseDC(dc);
    };
    frame();
    const int rasterised = GlyphCache::shared().rasterisations();
    fill(s, BACKGROUND);
    testing::AllocationCounter allocations;
    frame();
    frame();
    EXPECT_EQ(allocations.count(), 0u);
    EXPECT_EQ(GlyphCache::shared().rasterisations(), rasterised);
    EXPECT_GT(inkOf(s).count, 0);
}

}  // namespace
}  // namespace shardfall
