// The frame rate shown at the top of the screen: frames are counted against a millisecond clock
// and every 20th frame gives a new rate.
#pragma once

#include <cstdint>

#include "sys/millisecond_clock.h"

namespace shardfall {

// A millisecond clock that may wrap, as the platform's multimedia timer.
using MillisecondClock = uint32_t (*)();

class FpsCounter {
  public:
    static constexpr int FRAMES = 20;

    explicit FpsCounter(MillisecondClock clock = systemMilliseconds) : clock_(clock) {}

    // Counts one frame; true when this frame gave a new rate.
    bool countFrame();
    int value() const { return value_; }

  private:
    MillisecondClock clock_;
    bool started_ = false;
    int frames_ = 0;
    // Clock intervals between the two times of the current measurement: the first one starts
    // at the first frame itself, so it spans one interval fewer than its frames.
    int intervals_ = FRAMES - 1;
    uint32_t lastTime_ = 0;
    uint32_t previousTime_ = 0;
    int value_ = 0;
};

}  // namespace shardfall
