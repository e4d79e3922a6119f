// Rasterised text for the software drawing contexts. One monospace face (DejaVu Sans Mono) is
// scaled so that every glyph advances exactly the requested width and its ascender and
// descender fill the requested height; the coverage of the glyphs of the game's code page is
// kept per (height, width), so drawing the same sizes again allocates nothing.
// The cache is the same everywhere; what makes the glyphs is the system's: FreeType with the
// face fontconfig finds on Linux (glyph_cache_freetype.cpp), GDI on Windows, which draws the
// Windows game's own text too (win32/glyph_cache_gdi.cpp). So the frames of the headless
// tools and tests differ between the two systems in their text alone.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace shardfall {

// One glyph's anti-aliased coverage (255 = fully covered), placed relative to the top-left
// corner of its text cell. Rows outside the cell's height were cut off when it was rasterised.
struct GlyphImage {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    const uint8_t* coverage = nullptr;  // width × height bytes, row after row
};

// The Unicode character a byte of the game's texts stands for: printable ASCII as it is, and
// the bytes from 0x80 up in Windows-1251, the code page all the game's texts are written in
// (names in the records file among them). 0 for control bytes and the one unassigned byte.
char32_t characterOfByte(unsigned char byte);

// Every glyph of the game's code page at one size. Bytes without a glyph have an empty image:
// they draw nothing but still take their advance.
class GlyphSet {
  public:
    static constexpr int FIRST_CHAR = 32;
    static constexpr int LAST_CHAR = 255;

    int cellHeight() const { return cellHeight_; }
    int advance() const { return advance_; }
    int baseline() const { return baseline_; }
    // The smallest left offset of any glyph: no glyph reaches further left of its pen position.
    int minLeft() const { return minLeft_; }

    const GlyphImage& glyph(unsigned char c) const {
        return c >= FIRST_CHAR ? glyphs_[c - FIRST_CHAR] : empty_;
    }

  private:
    friend class GlyphCache;

    // Once every glyph's coverage is in: points each glyph at its rows (`offsets` into the
    // coverage, glyph by glyph) and finds the smallest left offset.
    void finish(const std::array<size_t, LAST_CHAR - FIRST_CHAR + 1>& offsets);

    int cellHeight_ = 0;
    int advance_ = 0;
    int baseline_ = 0;
    int minLeft_ = 0;
    std::array<GlyphImage, LAST_CHAR - FIRST_CHAR + 1> glyphs_{};
    GlyphImage empty_{};
    std::vector<uint8_t> coverage_;
};

class GlyphCache {
  public:
    // Sizes above this draw nothing, so a wild request cannot eat the memory.
    static constexpr int MAX_SIZE = 512;
    // The number of sizes kept; the one used longest ago makes room for a new one.
    static constexpr int CAPACITY = 16;

    // The cache of the whole process, made at first use. The environment variable
    // SHARDFALL_FONT_FILE, when set, names the face file to use instead of looking for one (on
    // Windows: a file that GDI then knows for this process alone, for a DejaVu Sans Mono that is
    // not installed). Like GDI's text, it is meant for the main thread only.
    static GlyphCache& shared();

    // fontFile empty: look for DejaVu Sans Mono (findDejaVuSansMono on Linux; on Windows GDI is
    // asked for it by name). The face is opened at the first request for glyphs; when that
    // fails, one line goes to `warnings` and no text is drawn.
    explicit GlyphCache(std::string fontFile = {}, std::FILE* warnings = stderr);
    ~GlyphCache();
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;

    // The glyphs for a text cell `height` pixels high and `width` pixels per character,
    // rasterised at the first request. As GDI's font mapper: a negative size counts as its
    // magnitude, height 0 is 16 and width 0 is the face's natural width at that height.
    // Null when there is no face or the size is above MAX_SIZE.
    const GlyphSet* glyphs(int height, int width);

    // Whether a face is loaded (opening it on the first call).
    bool hasFace();

    // The face file in use, once opened (on Windows only one given); for diagnostics.
    const std::string& fontFile() const { return fontFile_; }

    // How many sizes have been rasterised over the cache's life.
    int rasterisations() const { return rasterisations_; }

  private:
    // The system's face, and what it takes to let go of it: both defined by the system's file.
    struct Face;
    struct FaceDeleter {
        void operator()(Face* face) const;
    };
    struct Entry {
        int height = 0;
        int width = 0;
        uint64_t lastUse = 0;
        std::unique_ptr<GlyphSet> set;
    };

    // The system's part: opens the face (setting the natural proportions below), or says why
    // not in one line on warnings_; rasterises one size of an open face.
    bool openFace();
    std::unique_ptr<GlyphSet> rasterise(int height, int width);

    std::string fontFile_;
    std::FILE* warnings_;
    std::unique_ptr<Face, FaceDeleter> face_;
    // The face's own advance against its cell's height, for a request of width 0.
    int naturalAdvance_ = 0;
    int naturalCellHeight_ = 0;
    bool triedToOpen_ = false;
    std::vector<Entry> entries_;
    uint64_t useClock_ = 0;
    int rasterisations_ = 0;
};

// The system's DejaVu Sans Mono face file for FreeType, or an empty string when there is none (a
// substitute would not have the metrics the scaling relies on): fontconfig is asked.
// FONT_LOOKUP_HINT says where, for the warning when nothing is found. (GDI finds its faces by name
// itself.)
std::string findDejaVuSansMono();
extern const char* const FONT_LOOKUP_HINT;

}  // namespace shardfall
