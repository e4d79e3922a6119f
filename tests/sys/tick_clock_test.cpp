#include "sys/tick_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

namespace shardfall {
namespace {

using namespace std::chrono_literals;
using Duration = TickClock::Duration;

// A clock that only moves when told to, and a waiter that wakes like the real loop does:
// rounded up to whole milliseconds and then a little late by a repeatable amount.
class FakeLoop {
  public:
    explicit FakeLoop(Duration start) : now(start), clock(start) {}

    // Runs until the fake time reaches end; returns the ticks delivered.
    int runUntil(Duration end, Duration maxOversleep) {
        int ticks = 0;
        while (now < end) {
            ticks += clock.ticksDue(now);
            const Duration wait = clock.timeUntilNextTick(now);
            const auto wholeMs = std::chrono::ceil<std::chrono::milliseconds>(wait);
            now += wholeMs + oversleep(maxOversleep);
        }
        return ticks;
    }

    Duration now;
    TickClock clock;

  private:
    Duration oversleep(Duration max) {
        if (max == Duration::zero()) {
            return max;
        }
        seed_ = seed_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return Duration(static_cast<int64_t>((seed_ >> 33) % static_cast<uint64_t>(max.count())));
    }

    uint64_t seed_ = 42;
};

// The first tick is one period after the start and comes once; a tick served late keeps the
// schedule (7 ms late, the next is still due 3 ms later) and almost a period late is on it too.
TEST(TickClock, TicksComeOnceAndKeepTheirSchedule) {
    const Duration start = 5'000'000'123ns;
    TickClock clock(start);
    const struct {
        Duration at;
        int ticks;
        Duration wait;
    } steps[] = {{0ms, 0, 10ms}, {10ms - 1ns, 0, 1ns}, {10ms, 1, 10ms}, {10ms, 0, 10ms},
                 {27ms, 1, 3ms}, {27ms, 0, 3ms},       {30ms, 1, 10ms}, {50ms - 1ns, 1, 1ns}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.at.count());
        EXPECT_EQ(clock.ticksDue(start + step.at), step.ticks);
        EXPECT_EQ(clock.timeUntilNextTick(start + step.at), step.wait);
    }
    EXPECT_EQ(clock.nextDeadline(), start + 50ms);
}

TEST(TickClock, StallGivesOneTickThenRestartsFromNow) {
    const Duration start = 1s;
    FakeLoop loop(start);
    EXPECT_EQ(loop.runUntil(start + 1s + 5ms, 0ns), 100);

    const Duration afterStall = loop.now + 500ms;
    EXPECT_EQ(loop.clock.ticksDue(afterStall), 1);
    EXPECT_EQ(loop.clock.ticksDue(afterStall), 0);
    EXPECT_EQ(loop.clock.ticksDue(afterStall + 9ms), 0);
    EXPECT_EQ(loop.clock.timeUntilNextTick(afterStall), 10ms);
    EXPECT_EQ(loop.clock.restarts(), 1u);

    // Exactly one period late already counts as a stall: that tick is lost, not replayed.
    TickClock exact(0ns);
    EXPECT_EQ(exact.ticksDue(20ms), 1);
    EXPECT_EQ(exact.nextDeadline(), 30ms);
    EXPECT_EQ(exact.restarts(), 1u);

    // After the stall the rate is the same as before, and wake-ups up to 2 ms late over an hour
    // neither lose nor add a tick nor count as stalls.
    loop.now = afterStall;
    EXPECT_EQ(loop.runUntil(afterStall + 3600s + 5ms, 2ms), 360000);
    EXPECT_EQ(loop.clock.restarts(), 1u);
    EXPECT_EQ(loop.clock.nextDeadline(), afterStall + 360001 * 10ms);
}

}  // namespace
}  // namespace shardfall
