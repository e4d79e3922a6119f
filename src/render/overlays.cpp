#include "render/overlays.h"

namespace shardfall {

// The overlays arrive with the frame composition; until then a frame shows the well alone.
void DrawOverlays(Surface& /*destination*/) {}

}  // namespace shardfall
