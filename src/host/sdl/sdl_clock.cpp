#include "host/sdl/sdl_clock.h"

#include <SDL2/SDL_timer.h>

#include <cstdint>

namespace shardfall {

TickClock::Duration monotonicNow() {
    static const uint64_t frequency = SDL_GetPerformanceFrequency();
    const uint64_t counter = SDL_GetPerformanceCounter();
    // Split into whole seconds and the rest: counter × 10^9 would overflow after a few seconds
    // of a nanosecond counter.
    const uint64_t seconds = counter / frequency;
    const uint64_t rest = counter % frequency;
    return TickClock::Duration(
        static_cast<int64_t>(seconds * 1'000'000'000ULL + rest * 1'000'000'000ULL / frequency));
}

}  // namespace shardfall
