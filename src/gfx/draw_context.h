// Drawing contexts: solid rectangles and text on a surface, the few GDI calls the game makes.
// Colours given here are 0x00BBGGRR values (red in the low byte), as GDI takes them; the
// context converts them once to the surface's 0x00RRGGBB pixels.
#pragma once

#include <cstdint>

#include "gfx/dib.h"
#include "gfx/surface.h"

namespace shardfall {

// The values below are GDI's, under names of their own: scoped, they cannot meet the macros of
// the Windows headers.

// Pitch-and-family bits of a font request.
enum class FontFamily : uint8_t {
    DefaultPitch = 0x00,
    FixedPitch = 0x01,
    Modern = 0x30,
};
constexpr FontFamily operator|(FontFamily a, FontFamily b) {
    return static_cast<FontFamily>(static_cast<uint8_t>(a) | static_cast<uint8_t>(b));
}

// Background modes: whether text cells are filled behind the glyphs.
enum class BackgroundMode : int {
    Transparent = 1,
    Opaque = 2,
};

// DrawText formats; the game uses only the centred single line.
enum class TextFormat : uint32_t {
    Center = 0x01,
    VCenter = 0x04,
    SingleLine = 0x20,
};
constexpr TextFormat operator|(TextFormat a, TextFormat b) {
    return static_cast<TextFormat>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
}
constexpr bool hasFormat(TextFormat format, TextFormat bit) {
    return (static_cast<uint32_t>(format) & static_cast<uint32_t>(bit)) != 0;
}

// A font as asked for: the text cell's height and every glyph's advance, in pixels.
// Creating one allocates nothing; rasterised glyphs are cached per (height, width).
struct Font {
    int height = 0;
    int width = 0;
    FontFamily family = FontFamily::DefaultPitch;

    bool operator==(const Font&) const = default;
};

inline uint32_t rgbFromColorRef(uint32_t colorRef) {
    return ((colorRef & 0xFFu) << 16) | (colorRef & 0xFF00u) | ((colorRef >> 16) & 0xFFu);
}

class DrawContext {
  public:
    virtual ~DrawContext() = default;

    // Fills the rectangle (right and bottom exclusive) with a solid colour.
    virtual void fillRect(const Rect& rect, uint32_t colorRef) = 0;

    // Fonts: create, select (returns the font it replaces), delete.
    virtual Font* createFont(int height, int width, FontFamily family) = 0;
    virtual Font* selectFont(Font* font) = 0;
    virtual void deleteFont(Font* font) = 0;

    virtual uint32_t setTextColor(uint32_t colorRef) = 0;
    virtual BackgroundMode setBkMode(BackgroundMode mode) = 0;

    // Draws text with its cell's top-left corner at (x, y).
    virtual bool textOut(int x, int y, const char* text, int length) = 0;
    // Draws one line of text centred in the rectangle (Center | VCenter | SingleLine).
    virtual int drawText(const char* text, int length, const Rect& rect, TextFormat format) = 0;

    // StretchDIBits with SRCCOPY: the picture's rectangle src (top-left origin) scaled onto
    // dst. Returns the number of rows drawn, 0 when nothing could be drawn.
    virtual int stretchDIBits(const Rect& dst, const Rect& src, const DibPicture& picture) = 0;
};

// GDI's FillSolidRect idiom: a solid brush of the colour, FillRect, delete the brush.
// A rectangle of width or height 0 paints nothing.
void FillSolidRect(DrawContext& dc, int x, int y, int width, int height, uint32_t colorRef);

}  // namespace shardfall
