#include "gfx/software/software_draw_context.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "gfx/software/glyph_cache.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"

namespace shardfall {

namespace {

// GDI's default background colour, used by the opaque background mode.
constexpr uint32_t OPAQUE_BACKGROUND = 0xFFFFFF;

class SoftwareDrawContext final : public DrawContext {
  public:
    SoftwareDrawContext(SoftwareSurface& surface, GlyphCache& glyphs)
        : surface_(surface), glyphs_(glyphs) {}

    void reset() {
        selected_ = nullptr;
        textColor_ = 0;
        bkMode_ = BackgroundMode::Opaque;
    }

    void fillRect(const Rect& rect, uint32_t colorRef) override {
        const int left = std::max(rect.left, 0);
        const int top = std::max(rect.top, 0);
        const int right = std::min(rect.right, surface_.width());
        const int bottom = std::min(rect.bottom, surface_.height());
        if (top >= bottom || left >= right) {
            return;
        }
        const uint32_t rgb = rgbFromColorRef(colorRef);
        uint32_t* row = surface_.rowsForDrawing(Rect{left, top, right, bottom});
        for (int y = top; y < bottom; ++y, row += surface_.width()) {
            std::fill(row + left, row + right, rgb);
        }
    }

    // Fonts come from a small fixed pool, so creating one per call allocates nothing.
    Font* createFont(int height, int width, FontFamily family) override {
        for (auto& slot : fonts_) {
            if (!slot.inUse) {
                slot.inUse = true;
                slot.font = Font{height, width, family};
                return &slot.font;
            }
        }
        return nullptr;
    }
    Font* selectFont(Font* font) override { return std::exchange(selected_, font); }
    void deleteFont(Font* font) override {
        for (auto& slot : fonts_) {
            if (&slot.font == font) {
                slot.inUse = false;
            }
        }
    }
    uint32_t setTextColor(uint32_t colorRef) override {
        return std::exchange(textColor_, colorRef);
    }
    BackgroundMode setBkMode(BackgroundMode mode) override { return std::exchange(bkMode_, mode); }

    bool textOut(int x, int y, const char* text, int length) override {
        if (length < 0 || (length > 0 && !text)) {
            return false;
        }
        const GlyphSet* glyphs = currentGlyphs();
        if (!glyphs) {
            return false;
        }
        drawLine(*glyphs, x, y, text, length, surfaceBounds());
        return true;
    }
    int stretchDIBits(const Rect& dst, const Rect& src, const DibPicture& picture) override {
        return stretchDibOntoPixels(surface_.row(0), surface_.width(), surface_.width(),
                                    surface_.height(), dst, src, picture);
    }

    // Only the centred single line is laid out as GDI does; without SingleLine the text
    // is still one line, since the game never breaks lines. The text is clipped to the
    // rectangle, as DrawText does unless told not to.
    int drawText(const char* text, int length, const Rect& rect, TextFormat format) override {
        if (length < 0) {
            length = text ? static_cast<int>(std::strlen(text)) : 0;
        }
        if (length > 0 && !text) {
            return 0;
        }
        const GlyphSet* glyphs = currentGlyphs();
        if (!glyphs) {
            return 0;
        }
        const int64_t textWidth = int64_t{length} * glyphs->advance();
        const int h = glyphs->cellHeight();
        const bool vcentre =
            hasFormat(format, TextFormat::VCenter) && hasFormat(format, TextFormat::SingleLine);
        const int64_t x = hasFormat(format, TextFormat::Center)
                              ? rect.left + (int64_t{rect.right} - rect.left - textWidth) / 2
                              : rect.left;
        const int64_t y =
            vcentre ? rect.top + (int64_t{rect.bottom} - rect.top - h) / 2 : int64_t{rect.top};
        drawLine(*glyphs, x, y, text, length, intersect(rect, surfaceBounds()));
        // As DrawText: the text's height, or with vertical centring where its bottom lies.
        return static_cast<int>(vcentre ? y - rect.top + h : h);
    }

  private:
    struct FontSlot {
        Font font;
        bool inUse = false;
    };

    Rect surfaceBounds() const { return Rect{0, 0, surface_.width(), surface_.height()}; }

    static Rect intersect(const Rect& a, const Rect& b) {
        return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
    }

    const GlyphSet* currentGlyphs() {
        const Font font = selected_ ? *selected_ : Font{DEFAULT_FONT_HEIGHT, DEFAULT_FONT_WIDTH};
        return glyphs_.glyphs(font.height, font.width);
    }

    // One line of text, its cell's top-left corner at (x, top), nothing outside `clip`.
    void drawLine(const GlyphSet& glyphs, int64_t x, int64_t top, const char* text, int length,
                  const Rect& clip) {
        if (clip.left >= clip.right || top >= clip.bottom ||
            top + glyphs.cellHeight() <= clip.top) {
            return;
        }
        // From here the whole cell is within a cell's height of the clip: no overflow below.
        const int y = static_cast<int>(top);
        const int advance = glyphs.advance();
        if (bkMode_ == BackgroundMode::Opaque) {
            const int64_t right = std::min<int64_t>(x + int64_t{length} * advance, clip.right);
            const Rect cell{static_cast<int>(std::clamp<int64_t>(x, clip.left, clip.right)), y,
                            static_cast<int>(std::max<int64_t>(right, clip.left)),
                            y + glyphs.cellHeight()};
            fillRect(intersect(cell, clip), OPAQUE_BACKGROUND);
        }
        const uint32_t rgb = rgbFromColorRef(textColor_);
        for (int i = 0; i < length; ++i) {
            const int64_t pen = x + int64_t{i} * advance;
            if (pen + glyphs.minLeft() >= clip.right) {
                break;  // every later glyph starts further right still
            }
            const GlyphImage& image = glyphs.glyph(static_cast<unsigned char>(text[i]));
            if (image.width > 0 && pen + image.left + image.width > clip.left) {
                blendGlyph(image, static_cast<int>(pen) + image.left, y + image.top, rgb, clip);
            }
        }
    }

    void blendGlyph(const GlyphImage& image, int gx, int gy, uint32_t rgb, const Rect& clip) {
        const int x0 = std::max(gx, clip.left);
        const int x1 = std::min(gx + image.width, clip.right);
        const int y0 = std::max(gy, clip.top);
        const int y1 = std::min(gy + image.height, clip.bottom);
        const uint32_t r = (rgb >> 16) & 0xFF;
        const uint32_t g = (rgb >> 8) & 0xFF;
        const uint32_t b = rgb & 0xFF;
        if (y0 >= y1 || x0 >= x1) {
            return;
        }
        uint32_t* const rows = surface_.rowsForDrawing(Rect{x0, y0, x1, y1});
        for (int py = y0; py < y1; ++py) {
            const uint8_t* cover = image.coverage + static_cast<ptrdiff_t>(py - gy) * image.width;
            uint32_t* dst = rows + static_cast<ptrdiff_t>(py - y0) * surface_.width();
            for (int px = x0; px < x1; ++px) {
                const uint32_t a = cover[px - gx];
                if (a == 0) {
                    continue;
                }
                if (a == 255) {
                    dst[px] = rgb;
                    continue;
                }
                const uint32_t d = dst[px];
                const uint32_t na = 255 - a;
                const uint32_t outR = (r * a + ((d >> 16) & 0xFF) * na + 127) / 255;
                const uint32_t outG = (g * a + ((d >> 8) & 0xFF) * na + 127) / 255;
                const uint32_t outB = (b * a + (d & 0xFF) * na + 127) / 255;
                dst[px] = (outR << 16) | (outG << 8) | outB;
            }
        }
    }

    SoftwareSurface& surface_;
    GlyphCache& glyphs_;
    std::array<FontSlot, 8> fonts_{};
    Font* selected_ = nullptr;
    uint32_t textColor_ = 0;
    BackgroundMode bkMode_ = BackgroundMode::Opaque;
};

}  // namespace

std::unique_ptr<DrawContext> makeSoftwareDrawContext(SoftwareSurface& surface) {
    return std::make_unique<SoftwareDrawContext>(surface, GlyphCache::shared());
}

std::unique_ptr<DrawContext> makeSoftwareDrawContext(SoftwareSurface& surface, GlyphCache& glyphs) {
    return std::make_unique<SoftwareDrawContext>(surface, glyphs);
}

void resetSoftwareDrawContext(DrawContext& dc) {
    static_cast<SoftwareDrawContext&>(dc).reset();
}

}  // namespace shardfall
