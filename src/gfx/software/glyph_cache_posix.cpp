// The software text's glyphs on Linux: FreeType rasterises the DejaVu Sans Mono face that
// fontconfig finds (font_lookup_fontconfig.cpp), or the file SHARDFALL_FONT_FILE names.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx/software/glyph_cache.h"

namespace shardfall {

struct GlyphCache::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    // Face metrics in font units.
    int unitsPerEm = 0;
    int advance = 0;
    int ascender = 0;
    int descender = 0;  // positive: how far below the baseline

    ~Face() {
        if (face) {
            FT_Done_Face(face);
        }
        if (library) {
            FT_Done_FreeType(library);
        }
    }
};

void GlyphCache::FaceDeleter::operator()(Face* face) const {
    delete face;
}

bool GlyphCache::openFace() {
    const bool lookedUp = fontFile_.empty();
    if (lookedUp) {
        fontFile_ = findDejaVuSansMono();
        if (fontFile_.empty()) {
            std::fprintf(warnings_,
                         "shardfall: no DejaVu Sans Mono found (%s); text will not be drawn\n",
                         FONT_LOOKUP_HINT);
            return false;
        }
    }
    auto fail = [&](const char* why) {
        std::fprintf(warnings_,
                     "shardfall: cannot use font file '%s' (%s); text will not be drawn\n",
                     fontFile_.c_str(), why);
        return false;
    };
    face_.reset(new Face);
    if (FT_Init_FreeType(&face_->library) != 0) {
        face_->library = nullptr;
        return fail("FreeType does not start");
    }
    if (FT_New_Face(face_->library, fontFile_.c_str(), 0, &face_->face) != 0) {
        face_->face = nullptr;
        return fail("not a font FreeType can open");
    }
    FT_Face face = face_->face;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        return fail("not a scalable face");
    }
    if (lookedUp &&
        (!face->family_name || std::strcmp(face->family_name, "DejaVu Sans Mono") != 0)) {
        return fail("not DejaVu Sans Mono");
    }
    // Every glyph advances by the requested width, so the face's own advance only sets the
    // horizontal scale; 'M' stands for all of them in a monospace face.
    FT_Fixed advance = 0;
    if (FT_Get_Advance(face, FT_Get_Char_Index(face, 'M'), FT_LOAD_NO_SCALE, &advance) != 0 ||
        advance <= 0) {
        return fail("no advance for 'M'");
    }
    face_->unitsPerEm = face->units_per_EM;
    face_->advance = static_cast<int>(advance);
    face_->ascender = face->ascender;
    face_->descender = -face->descender;
    if (face_->ascender <= 0 || face_->descender < 0) {
        return fail("no usable ascender and descender");
    }
    naturalAdvance_ = face_->advance;
    naturalCellHeight_ = face_->ascender + face_->descender;
    return true;
}

std::unique_ptr<GlyphSet> GlyphCache::rasterise(int height, int width) {
    FT_Face face = face_->face;
    const int upem = face_->unitsPerEm;
    const int ascDesc = face_->ascender + face_->descender;
    // DejaVu Sans Mono advances 1233/2048 em, so an x size of round(w × 2048 / 1233) pixels
    // gives glyphs w wide; the y size makes ascender plus descender as tall as the cell.
    const auto xSize = static_cast<FT_UInt>(
        std::max(1L, std::lround(static_cast<double>(width) * upem / face_->advance)));
    const auto ySize = static_cast<FT_UInt>(
        std::max(1L, std::lround(static_cast<double>(height) * upem / ascDesc)));
    if (FT_Set_Pixel_Sizes(face, xSize, ySize) != 0) {
        return nullptr;
    }

    auto set = std::make_unique<GlyphSet>();
    set->cellHeight_ = height;
    set->advance_ = width;
    set->baseline_ =
        static_cast<int>(std::lround(static_cast<double>(height) * face_->ascender / ascDesc));

    std::array<size_t, GlyphSet::LAST_CHAR - GlyphSet::FIRST_CHAR + 1> offsets{};
    for (int c = GlyphSet::FIRST_CHAR; c <= GlyphSet::LAST_CHAR; ++c) {
        GlyphImage& image = set->glyphs_[c - GlyphSet::FIRST_CHAR];
        offsets[c - GlyphSet::FIRST_CHAR] = set->coverage_.size();
        const char32_t character = characterOfByte(static_cast<unsigned char>(c));
        const FT_UInt index =
            character == 0 ? 0 : FT_Get_Char_Index(face, static_cast<FT_ULong>(character));
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
            continue;
        }
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0) {
            continue;
        }
        // Rows above or below the cell are cut, so text never reaches outside its cell.
        const int top = set->baseline_ - face->glyph->bitmap_top;
        const int firstRow = std::max(0, -top);
        const int lastRow = std::min(static_cast<int>(bitmap.rows), height - top);
        if (firstRow >= lastRow) {
            continue;
        }
        image.left = face->glyph->bitmap_left;
        image.top = top + firstRow;
        image.width = static_cast<int>(bitmap.width);
        image.height = lastRow - firstRow;
        for (int r = firstRow; r < lastRow; ++r) {
            const uint8_t* from = bitmap.buffer + static_cast<ptrdiff_t>(r) * bitmap.pitch;
            set->coverage_.insert(set->coverage_.end(), from, from + bitmap.width);
        }
    }
    set->finish(offsets);
    return set;
}

}  // namespace shardfall
