#include "platform/glyph_cache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/software_draw_context.h"
#include "platform/surface.h"
#include "support/temp_folder.h"

namespace shardfall {
namespace {

// Everything written to a warnings stream, for checking what a cache reported.
class CapturedWarnings {
  public:
    CapturedWarnings() : file_(std::tmpfile()) {}
    ~CapturedWarnings() { std::fclose(file_); }
    std::FILE* stream() { return file_; }
    std::string text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string all;
        for (int c; (c = std::fgetc(file_)) != EOF;) {
            all.push_back(static_cast<char>(c));
        }
        return all;
    }

  private:
    std::FILE* file_;
};

int lines(const std::string& text) {
    int n = 0;
    for (char c : text) {
        n += c == '\n';
    }
    return n;
}

TEST(GlyphCache, FontconfigGivesDejaVuSansMono) {
    const std::string file = findDejaVuSansMono();
    ASSERT_FALSE(file.empty()) << "fonts-dejavu-core is needed for text";
    EXPECT_EQ(std::filesystem::path(file).filename(), "DejaVuSansMono.ttf");

    CapturedWarnings warnings;
    GlyphCache cache({}, warnings.stream());
    EXPECT_TRUE(cache.hasFace());
    EXPECT_EQ(cache.fontFile(), file);
    EXPECT_EQ(warnings.text(), "");
}

TEST(GlyphCache, SizesAreMappedAsGdiMapsThem) {
    GlyphCache cache;
    const GlyphSet* score = cache.glyphs(43, 21);
    ASSERT_NE(score, nullptr);
    EXPECT_EQ(score->cellHeight(), 43);
    EXPECT_EQ(score->advance(), 21);
    EXPECT_EQ(cache.glyphs(-43, -21), score);
    EXPECT_EQ(cache.glyphs(0, 8), cache.glyphs(16, 8));
    // No width: the face's own proportion, 1233 / (1901 + 483) of the height.
    ASSERT_NE(cache.glyphs(16, 0), nullptr);
    EXPECT_EQ(cache.glyphs(16, 0)->advance(), 8);
    EXPECT_EQ(cache.glyphs(100, 0)->advance(), 52);
    EXPECT_EQ(cache.glyphs(GlyphCache::MAX_SIZE + 1, 8), nullptr);
    EXPECT_EQ(cache.glyphs(16, GlyphCache::MAX_SIZE + 1), nullptr);
    EXPECT_NE(cache.glyphs(GlyphCache::MAX_SIZE, GlyphCache::MAX_SIZE), nullptr);
}

TEST(GlyphCache, EveryGlyphLiesWithinItsCellHeight) {
    GlyphCache cache;
    for (int h : {1, 2, 7, 16, 42, 43, 50, 80, 200}) {
        const GlyphSet* set = cache.glyphs(h, h / 2 + 1);
        ASSERT_NE(set, nullptr);
        for (int c = GlyphSet::FIRST_CHAR; c <= GlyphSet::LAST_CHAR; ++c) {
            const GlyphImage& g = set->glyph(static_cast<unsigned char>(c));
            EXPECT_GE(g.top, 0) << h << " '" << static_cast<char>(c) << "'";
            EXPECT_LE(g.top + g.height, h) << h << " '" << static_cast<char>(c) << "'";
            EXPECT_GE(g.left, set->minLeft());
        }
        EXPECT_EQ(set->glyph(' ').width, 0);
        EXPECT_EQ(set->glyph(0x98).width, 0);  // the one byte Windows-1251 leaves unassigned
        EXPECT_EQ(set->glyph(0x7F).width, 0);
        EXPECT_EQ(set->glyph('\n').width, 0);
    }
}

TEST(GlyphCache, KeepsALimitedNumberOfSizes) {
    GlyphCache cache;
    const GlyphSet* first = cache.glyphs(16, 8);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cache.glyphs(16, 8), first);
    EXPECT_EQ(cache.rasterisations(), 1);
    for (int i = 1; i < GlyphCache::CAPACITY; ++i) {
        ASSERT_NE(cache.glyphs(20 + i, 10), nullptr);
    }
    EXPECT_EQ(cache.rasterisations(), GlyphCache::CAPACITY);
    cache.glyphs(16, 8);  // used again: now the second size is the oldest
    cache.glyphs(99, 40);
    EXPECT_EQ(cache.rasterisations(), GlyphCache::CAPACITY + 1);
    cache.glyphs(16, 8);
    EXPECT_EQ(cache.rasterisations(), GlyphCache::CAPACITY + 1);
    cache.glyphs(21, 10);
    EXPECT_EQ(cache.rasterisations(), GlyphCache::CAPACITY + 2);
}

// With no usable face: no text, one warning, no crash; the drawing context says it failed.
void expectNoTextAndOneWarning(const std::string& fontFile) {
    CapturedWarnings warnings;
    GlyphCache cache(fontFile, warnings.stream());
    SoftwareSurface surface(200, 100);
    auto dc = makeSoftwareDrawContext(surface, cache);
    Font* font = dc->createFont(43, 21, 0x31);
    dc->selectFont(font);
    dc->setTextColor(0xFFFFFF);
    EXPECT_FALSE(dc->textOut(0, 0, "SCORE 0", 7));
    EXPECT_FALSE(dc->textOut(0, 43, "LINES 0", 7));
    EXPECT_EQ(dc->drawText("Pause!", -1, Rect{0, 0, 200, 100}, DT_CENTER | DT_VCENTER), 0);
    EXPECT_EQ(cache.glyphs(16, 8), nullptr);
    EXPECT_FALSE(cache.hasFace());
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            ASSERT_EQ(surface.pixel(x, y), 0u);
        }
    }
    const std::string said = warnings.text();
    EXPECT_EQ(lines(said), 1) << said;
    EXPECT_NE(said.find(fontFile), std::string::npos) << said;
}

TEST(GlyphCache, MissingOrBrokenFontDrawsNoTextAndWarnsOnce) {
    TempFolder folder;
    expectNoTextAndOneWarning(std::filesystem::absolute("missing.ttf"));
    {
        std::ofstream junk("junk.ttf", std::ios::binary);
        junk << "this is not a font at all";
    }
    expectNoTextAndOneWarning(std::filesystem::absolute("junk.ttf"));
    { std::ofstream empty("empty.ttf", std::ios::binary); }
    expectNoTextAndOneWarning(std::filesystem::absolute("empty.ttf"));
}

TEST(GlyphCache, ProcessCacheHonoursTheFontFileVariable) {
    // In a fresh process, so the process-wide cache is made under the variable.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::setenv("SHARDFALL_FONT_FILE", "/nonexistent/shardfall/font.ttf", 1);
            SoftwareSurface surface(60, 40);
            bool drawn = false;
            for (int frame = 0; frame < 3; ++frame) {
                DrawContext* dc = surface.getDC();
                dc->setBkMode(TRANSPARENT);
                drawn = dc->textOut(0, 0, "60 FPS", 6) || drawn;
                surface.releaseDC(dc);
            }
            for (int y = 0; y < 40; ++y) {
                for (int x = 0; x < 60; ++x) {
                    drawn = drawn || surface.pixel(x, y) != 0;
                }
            }
            std::exit(drawn ? 1 : 0);
        },
        ::testing::ExitedWithCode(0),
        "^shardfall: cannot use font file '/nonexistent/shardfall/font.ttf' [^\n]*\n$");
}

}  // namespace
}  // namespace shardfall
