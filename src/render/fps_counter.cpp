#include "render/fps_counter.h"

namespace shardfall {

bool FpsCounter::countFrame() {
    if (!started_) {
        // Measuring from time 0 of the clock would show a rate near 0 for the first update.
        started_ = true;
        lastTime_ = clock_();
    }
    if (++frames_ != FRAMES) {
        return false;
    }
    previousTime_ = lastTime_;
    lastTime_ = clock_();
    // Unsigned, so a wrap of the clock still gives the right difference. A clock that has not
    // moved at all is taken as one millisecond rather than dividing by zero.
    uint32_t elapsed = lastTime_ - previousTime_;
    if (elapsed == 0) {
        elapsed = 1;
    }
    value_ = static_cast<int>(intervals_ / (elapsed * 0.001));
    intervals_ = FRAMES;
    frames_ = 0;
    return true;
}

}  // namespace shardfall
