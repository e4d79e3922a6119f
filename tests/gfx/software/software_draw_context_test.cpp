#include "gfx/software/software_draw_context.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/software/glyph_cache.h"
#include "gfx/surface.h"
#include "gfx/software/software_surface.h"

namespace shardfall {
namespace {

constexpr uint32_t BACKGROUND = 0x00203040;

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
    Font* font = dc->createFont(height, width, FontFamily::Modern | FontFamily::FixedPitch);
    Font* previous = dc->selectFont(font);
    dc->setTextColor(colorRef);
    dc->setBkMode(BackgroundMode::Transparent);
    EXPECT_TRUE(dc->textOut(x, y, text.data(), static_cast<int>(text.size())));
    dc->selectFont(previous);
    dc->deleteFont(font);
    s.releaseDC(dc);
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

}  // namespace
}  // namespace shardfall
