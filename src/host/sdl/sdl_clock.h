// The monotonic time the frame schedule runs on, from the performance counter.
#pragma once

#include "sys/tick_clock.h"

namespace shardfall {

TickClock::Duration monotonicNow();

}  // namespace shardfall
