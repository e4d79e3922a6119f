#include "platform/present_pacer.h"

namespace shardfall {

bool PresentPacer::shouldPresent(Duration untilNextTick) {
    const bool fits = lastCost_ <= untilNextTick + ALLOWED_LATENESS;
    if (fits || skippedInARow_ + 1 >= SHOW_AT_LEAST_EVERY) {
        return true;
    }
    ++skippedInARow_;
    ++skipped_;
    return false;
}

void PresentPacer::presented(Duration cost) {
    lastCost_ = cost;
    totalCost_ += cost;
    skippedInARow_ = 0;
    ++presented_;
}

}  // namespace shardfall
