// The system's millisecond tick count: it counts from an arbitrary start and wraps at 32 bits,
// like the multimedia timer. The program seeds the game's generator from it (seedGame) and the
// FPS counter measures with it. Use: any thread; never for the game's steps, which count ticks.
#pragma once

#include <cstdint>

namespace shardfall {

uint32_t systemMilliseconds();

}  // namespace shardfall
