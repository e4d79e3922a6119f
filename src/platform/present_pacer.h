// Chooses which flipped frames reach the screen. Showing a frame can cost about as much as a
// whole tick on a slow display path, and the ticks must keep their 100 per second, so a frame
// that would make the next tick too late is left out, as a flip that cannot be done at once is.
#pragma once

#include <chrono>
#include <cstdint>

namespace shardfall {

class PresentPacer {
  public:
    using Duration = std::chrono::nanoseconds;

    // A tick may start this late because of a shown frame; the frames after it are then left
    // out until the schedule has caught up. Half a period: a frame that takes a whole period
    // to show still goes out every other tick after a few milliseconds of composition, and a
    // present may take 5 ms longer than the last one before the schedule loses a tick.
    static constexpr Duration ALLOWED_LATENESS = std::chrono::milliseconds(5);
    // Even when every frame looks too expensive, one in this many is shown, so the picture
    // never freezes and the cost estimate recovers from a single slow present.
    static constexpr int SHOW_AT_LEAST_EVERY = 10;

    // Whether to show the frame flipped now, given the time left until the next tick is due
    // (negative when it is already overdue). A frame left out is counted as skipped.
    bool shouldPresent(Duration untilNextTick);
    // Records a frame that was shown and what showing it cost.
    void presented(Duration cost);

    uint64_t presentedFrames() const { return presented_; }
    uint64_t skippedFrames() const { return skipped_; }
    Duration lastCost() const { return lastCost_; }
    // All the time spent showing frames, so a run can tell presenting apart from composing.
    Duration totalCost() const { return totalCost_; }

  private:
    Duration lastCost_ = Duration::zero();
    Duration totalCost_ = Duration::zero();
    int skippedInARow_ = 0;
    uint64_t presented_ = 0;
    uint64_t skipped_ = 0;
};

}  // namespace shardfall
