#include "platform/present_pacer.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/tick_clock.h"

namespace shardfall {
namespace {

using namespace std::chrono_literals;

TEST(PresentPacer, ShowsFramesWhoseCostFitsBeforeTheNextTick) {
    PresentPacer pacer;
    // Nothing is known before the first frame, so it is shown.
    EXPECT_TRUE(pacer.shouldPresent(1ms));
    pacer.presented(8ms);
    EXPECT_TRUE(pacer.shouldPresent(8ms));
    pacer.presented(8ms);
    // The lateness a tick may take is counted in, to the nanosecond.
    EXPECT_TRUE(pacer.shouldPresent(8ms - PresentPacer::ALLOWED_LATENESS));
    pacer.presented(8ms);
    EXPECT_FALSE(pacer.shouldPresent(8ms - PresentPacer::ALLOWED_LATENESS - 1ns));
    // The next tick is already overdue.
    EXPECT_FALSE(pacer.shouldPresent(-1ms));
    pacer.presented(0ms);
    EXPECT_FALSE(pacer.shouldPresent(-PresentPacer::ALLOWED_LATENESS - 1ns));
    EXPECT_EQ(pacer.presentedFrames(), 4u);
    EXPECT_EQ(pacer.skippedFrames(), 3u);
    // Only frames that were shown cost presenting time.
    EXPECT_EQ(pacer.totalCost(), 24ms);
}

TEST(PresentPacer, ShowsOneFrameInTenEvenWhenNoneFits) {
    PresentPacer pacer;
    EXPECT_TRUE(pacer.shouldPresent(0ms));
    pacer.presented(50ms);  // the first present of a fresh window stalls
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < PresentPacer::SHOW_AT_LEAST_EVERY - 1; ++i) {
            EXPECT_FALSE(pacer.shouldPresent(9ms)) << "round " << round << " frame " << i;
        }
        EXPECT_TRUE(pacer.shouldPresent(9ms)) << "round " << round;
        pacer.presented(50ms);
    }
    EXPECT_EQ(pacer.skippedFrames(), 27u);
    EXPECT_EQ(pacer.presentedFrames(), 4u);

    // Once a present is cheap again the estimate follows it at once.
    pacer.presented(3ms);
    EXPECT_TRUE(pacer.shouldPresent(9ms));
}

// Ten simulated seconds of a loop whose frames take 2 ms to compose and 10 ms to show: the
// ticks keep their rate and more than half of the frames are still shown.
TEST(PresentPacer, SlowPresentsKeepTheTickRate) {
    using Duration = TickClock::Duration;
    const Duration start = 1s;
    Duration now = start;
    TickClock clock(start);
    PresentPacer pacer;
    int ticks = 0;
    while (now < start + 10s + 5ms) {
        if (clock.ticksDue(now) == 0) {
            now += std::chrono::ceil<std::chrono::milliseconds>(clock.timeUntilNextTick(now));
            continue;
        }
        ++ticks;
        now += 2ms;
        if (pacer.shouldPresent(clock.nextDeadline() - now)) {
            now += 10ms;
            pacer.presented(10ms);
        }
    }
    EXPECT_EQ(ticks, 1000);
    EXPECT_EQ(clock.restarts(), 0u);
    EXPECT_EQ(pacer.presentedFrames() + pacer.skippedFrames(), 1000u);
    EXPECT_GE(pacer.presentedFrames(), 500u);
    EXPECT_LE(pacer.presentedFrames(), 850u);
}

}  // namespace
}  // namespace shardfall
