#include "gfx/draw_context.h"

namespace shardfall {

void FillSolidRect(DrawContext& dc, int x, int y, int width, int height, uint32_t colorRef) {
    dc.fillRect(Rect{x, y, x + width, y + height}, colorRef);
}

}  // namespace shardfall
