// The system's millisecond tick count: it counts from an arbitrary start and wraps at 32 bits,
// like the multimedia timer. The music start-up seeds the generator from it and the FPS counter
// measures with it.
#pragma once

#include <cstdint>

namespace shardfall {

uint32_t systemMilliseconds();

}  // namespace shardfall
