// The software text's glyphs on Windows: GDI rasterises them, the same GDI that draws the
// Windows game's own text, so the Windows build needs no font library of its own. Each size is
// a font asked for much as the game asks for its fonts (the cell's height and width, fixed pitch,
// modern family), but naming DejaVu Sans Mono, the face of the Linux build's text.
// GetGlyphOutline hands out each glyph's coverage in 65 levels on a memory device context; the
// software drawing context blends it as it blends FreeType's on Linux.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "gfx/software/glyph_cache.h"

namespace shardfall {

namespace {

constexpr wchar_t FACE_NAME[] = L"DejaVu Sans Mono";
// GGO_GRAY8_BITMAP's coverage runs from 0 to 64.
constexpr unsigned GRAY8_LEVELS = 64;
// The height of the font the face's proportions are read from: large enough that its
// rounding does not show at any size the game asks for.
constexpr int PROPORTIONS_HEIGHT = 2048;

HFONT createFace(int height, int width) {
    return CreateFontW(height, width, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       FIXED_PITCH | FF_MODERN, FACE_NAME);
}

// A font selected into a device context for the life of the object, then deleted.
class SelectedFont {
  public:
    SelectedFont(HDC dc, HFONT font)
        : dc_(dc), font_(font), previous_(font ? SelectObject(dc, font) : nullptr) {}
    ~SelectedFont() {
        if (font_) {
            SelectObject(dc_, previous_);
            DeleteObject(font_);
        }
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;
    explicit operator bool() const { return font_ != nullptr && previous_ != nullptr; }

  private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ previous_;
};

// One glyph's coverage, 0 to 64 a pixel, in rows of `pitch` bytes, and its metrics. False for
// a character the face lacks (it draws nothing, as with FreeType, rather than GDI's box), a
// space, or anything GDI cannot draw.
bool readCoverage(HDC dc, wchar_t unit, std::vector<uint8_t>& bitmap, GLYPHMETRICS& glyph,
                  size_t& pitch) {
    WORD index = 0;
    if (GetGlyphIndicesW(dc, &unit, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) != 1 ||
        index == 0xFFFF) {
        return false;
    }
    // Upright, unscaled: the font's own size.
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    const DWORD size = GetGlyphOutlineW(dc, unit, GGO_GRAY8_BITMAP, &glyph, 0, nullptr, &identity);
    if (size == GDI_ERROR || size == 0) {
        return false;
    }
    bitmap.resize(size);
    if (GetGlyphOutlineW(dc, unit, GGO_GRAY8_BITMAP, &glyph, size, bitmap.data(), &identity) ==
        GDI_ERROR) {
        return false;
    }
    // Rows of the coverage start on 4-byte boundaries.
    const auto columns = static_cast<size_t>(glyph.gmBlackBoxX);
    const auto rows = static_cast<size_t>(glyph.gmBlackBoxY);
    pitch = (columns + 3) & ~size_t{3};
    return columns > 0 && rows > 0 && pitch * rows <= size;
}

}  // namespace

struct GlyphCache::Face {
    HDC dc = nullptr;
    // A face file GDI knows for this process alone, forgotten again with the face.
    std::string privateFile;

    ~Face() {
        if (dc) {
            DeleteDC(dc);
        }
        if (!privateFile.empty()) {
            RemoveFontResourceExA(privateFile.c_str(), FR_PRIVATE, nullptr);
        }
    }
};

void GlyphCache::FaceDeleter::operator()(Face* face) const {
    delete face;
}

bool GlyphCache::openFace() {
    face_.reset(new Face);
    if (!fontFile_.empty()) {
        if (AddFontResourceExA(fontFile_.c_str(), FR_PRIVATE, nullptr) == 0) {
            std::fprintf(warnings_,
                         "shardfall: cannot use font file '%s' (not a font GDI can open); text "
                         "will not be drawn\n",
                         fontFile_.c_str());
            return false;
        }
        face_->privateFile = fontFile_;
    }
    face_->dc = CreateCompatibleDC(nullptr);
    if (!face_->dc) {
        std::fprintf(warnings_, "shardfall: GDI gives no device context; text will not be drawn\n");
        return false;
    }
    const SelectedFont font(face_->dc, createFace(PROPORTIONS_HEIGHT, 0));
    TEXTMETRICW metrics{};
    wchar_t face[LF_FACESIZE] = {};
    if (!font || !GetTextMetricsW(face_->dc, &metrics) ||
        GetTextFaceW(face_->dc, LF_FACESIZE, face) == 0 || metrics.tmHeight <= 0 ||
        metrics.tmAveCharWidth <= 0) {
        std::fprintf(warnings_, "shardfall: GDI makes no font; text will not be drawn\n");
        return false;
    }
    // GDI's font mapper answers every request with some face. Another one fits the cells just
    // as well (GDI scales it to the asked height and width), so it is used, but said.
    if (std::wcscmp(face, FACE_NAME) != 0) {
        std::fprintf(warnings_,
                     "shardfall: no DejaVu Sans Mono installed (SHARDFALL_FONT_FILE can name "
                     "one); the text is drawn in %ls\n",
                     face);
    }
    naturalAdvance_ = static_cast<int>(metrics.tmAveCharWidth);
    naturalCellHeight_ = static_cast<int>(metrics.tmHeight);
    return true;
}

std::unique_ptr<GlyphSet> GlyphCache::rasterise(int height, int width) {
    HDC dc = face_->dc;
    // A positive height asks GDI for the cell's height (ascent plus descent), the width for
    // the average advance, which in a monospace face is every glyph's.
    const SelectedFont font(dc, createFace(height, width));
    TEXTMETRICW metrics{};
    if (!font || !GetTextMetricsW(dc, &metrics)) {
        return nullptr;
    }
    auto set = std::make_unique<GlyphSet>();
    set->cellHeight_ = height;
    set->advance_ = width;
    set->baseline_ = std::clamp(static_cast<int>(metrics.tmAscent), 0, height);

    std::vector<uint8_t> bitmap;
    std::array<size_t, GlyphSet::LAST_CHAR - GlyphSet::FIRST_CHAR + 1> offsets{};
    for (int c = GlyphSet::FIRST_CHAR; c <= GlyphSet::LAST_CHAR; ++c) {
        GlyphImage& image = set->glyphs_[c - GlyphSet::FIRST_CHAR];
        offsets[c - GlyphSet::FIRST_CHAR] = set->coverage_.size();
        const char32_t character = characterOfByte(static_cast<unsigned char>(c));
        if (character == 0) {
            continue;
        }
        // Every character of the code page lies in Unicode's first plane: one UTF-16 unit.
        const auto unit = static_cast<wchar_t>(character);
        GLYPHMETRICS glyph{};
        size_t pitch = 0;
        if (!readCoverage(dc, unit, bitmap, glyph, pitch)) {
            continue;
        }
        const int columns = static_cast<int>(glyph.gmBlackBoxX);
        const int rows = static_cast<int>(glyph.gmBlackBoxY);
        // Rows above or below the cell are cut, so text never reaches outside its cell.
        const int top = set->baseline_ - static_cast<int>(glyph.gmptGlyphOrigin.y);
        const int firstRow = std::max(0, -top);
        const int lastRow = std::min(rows, height - top);
        if (firstRow >= lastRow) {
            continue;
        }
        image.left = static_cast<int>(glyph.gmptGlyphOrigin.x);
        image.top = top + firstRow;
        image.width = columns;
        image.height = lastRow - firstRow;
        for (int r = firstRow; r < lastRow; ++r) {
            const uint8_t* from = bitmap.data() + static_cast<size_t>(r) * pitch;
            for (int x = 0; x < columns; ++x) {
                const unsigned level = std::min<unsigned>(from[x], GRAY8_LEVELS);
                set->coverage_.push_back(
                    static_cast<uint8_t>((level * 255 + GRAY8_LEVELS / 2) / GRAY8_LEVELS));
            }
        }
    }
    set->finish(offsets);
    return set;
}

}  // namespace shardfall
