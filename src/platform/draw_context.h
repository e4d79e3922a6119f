// Drawing contexts: solid rectangles and text on a surface, the few GDI calls the game makes.
// Colours given here are 0x00BBGGRR values (red in the low byte), as GDI takes them; the
// context converts them once to the surface's 0x00RRGGBB pixels.
#pragma once

#include <cstdint>

#include "platform/dib.h"
#include "platform/surface.h"

namespace shardfall {

// Pitch-and-family bits of a font request.
constexpr uint8_t FIXED_PITCH = 0x01;
constexpr uint8_t FF_MODERN = 0x30;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// DrawText formats; the game uses only the centred single line.
constexpr uint32_t DT_CENTER = 0x01;
constexpr uint32_t DT_VCENTER = 0x04;
constexpr uint32_t DT_SINGLELINE = 0x20;

// A font as asked for: the text cell's height and every glyph's advance, in pixels.
// Creating one allocates nothing; rasterised glyphs are cached per (height, width).
struct Font {
    int height = 0;
    int width = 0;
    uint8_t pitchAndFamily = 0;

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
    virtual Font* createFont(int height, int width, uint8_t pitchAndFamily) = 0;
    virtual Font* selectFont(Font* font) = 0;
    virtual void deleteFont(Font* font) = 0;

    virtual uint32_t setTextColor(uint32_t colorRef) = 0;
    virtual int setBkMode(int mode) = 0;

    // Draws text with its cell's top-left corner at (x, y).
    virtual bool textOut(int x, int y, const char* text, int length) = 0;
    // Draws one line of text centred in the rectangle (DT_CENTER | DT_VCENTER | DT_SINGLELINE).
    virtual int drawText(const char* text, int length, const Rect& rect, uint32_t format) = 0;

    // StretchDIBits with SRCCOPY: the picture's rectangle src (top-left origin) scaled onto
    // dst. Returns the number of rows drawn, 0 when nothing could be drawn.
    virtual int stretchDIBits(const Rect& dst, const Rect& src, const DibPicture& picture) = 0;
};

// GDI's FillSolidRect idiom: a solid brush of the colour, FillRect, delete the brush.
// A rectangle of width or height 0 paints nothing.
void FillSolidRect(DrawContext& dc, int x, int y, int width, int height, uint32_t colorRef);

}  // namespace shardfall
