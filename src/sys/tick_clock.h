// The 100 Hz frame schedule. One tick is one frame and one game step, so the ticks follow
// deadlines on a monotonic clock rather than a count of timer wake-ups, which drifts; the
// caller passes the time in, so the schedule can be driven by any clock.
// Use: a host's window loop, on the main thread.
#pragma once

#include <chrono>
#include <cstdint>

namespace shardfall {

class TickClock {
  public:
    using Duration = std::chrono::nanoseconds;
    static constexpr Duration PERIOD = std::chrono::milliseconds(10);

    // The first tick falls due one period after start.
    explicit TickClock(Duration start) : deadline_(start + PERIOD) {}

    // 1 when a tick is due at now, else 0. Like a window timer, at most one tick is ever
    // pending: a tick that is late by less than a period keeps the schedule (the next
    // deadline is one period after this one, so nothing drifts), while a longer stall
    // restarts the schedule from now instead of replaying the missed ticks in a burst.
    int ticksDue(Duration now);

    // How long to wait from now for the next tick; zero when one is due.
    Duration timeUntilNextTick(Duration now) const;

    Duration nextDeadline() const { return deadline_; }
    // How often a stall restarted the schedule, each time losing at least one tick.
    uint64_t restarts() const { return restarts_; }

  private:
    Duration deadline_;
    uint64_t restarts_ = 0;
};

}  // namespace shardfall
