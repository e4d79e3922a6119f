// The drawing context of a SoftwareSurface: solid fills straight into the pixels, text through
// the shared glyph cache.
#pragma once

#include <memory>

#include "platform/draw_context.h"

namespace shardfall {

class SoftwareSurface;

std::unique_ptr<DrawContext> makeSoftwareDrawContext(SoftwareSurface& surface);

// A fresh context state, as GetDC hands out: default font, black text, opaque background.
void resetSoftwareDrawContext(DrawContext& dc);

}  // namespace shardfall
