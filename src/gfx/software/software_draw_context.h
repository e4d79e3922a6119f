// The drawing context of a SoftwareSurface: solid fills straight into the pixels, text through
// the glyph cache, anti-aliased over what is already there and clipped to the surface.
#pragma once

#include <memory>

#include "gfx/draw_context.h"

namespace shardfall {

class GlyphCache;
class SoftwareSurface;

// The font of a context with no font selected (the FPS text uses it): 16 pixels high and
// 8 wide, the size of the credit line's font, so "100 FPS" fits the 60-pixel counter.
constexpr int DEFAULT_FONT_HEIGHT = 16;
constexpr int DEFAULT_FONT_WIDTH = 8;

// A context drawing text through the process-wide glyph cache.
std::unique_ptr<DrawContext> makeSoftwareDrawContext(SoftwareSurface& surface);
// A context drawing text through the given cache, which must outlive it.
std::unique_ptr<DrawContext> makeSoftwareDrawContext(SoftwareSurface& surface, GlyphCache& glyphs);

// A fresh context state, as GetDC hands out: default font, black text, opaque background.
void resetSoftwareDrawContext(DrawContext& dc);

}  // namespace shardfall
