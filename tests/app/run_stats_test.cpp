#include "app/run_stats.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace shardfall {
namespace {

using namespace std::chrono_literals;

// Runs the writer against an in-memory stream and returns what it wrote.
template <typename Write>
std::string captured(Write write) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    write(out);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

TEST(RunStats, OnlyANonEmptyValueOtherThanZeroAsksForThem) {
    EXPECT_FALSE(RunStats::requested(nullptr));
    EXPECT_FALSE(RunStats::requested(""));
    EXPECT_FALSE(RunStats::requested("0"));
    EXPECT_TRUE(RunStats::requested("1"));
    EXPECT_TRUE(RunStats::requested("yes"));
}

TEST(RunStats, ActiveTimeLeavesOutTheTimeWithoutFocus) {
    RunStats stats(10s, {});
    const std::string log = captured([&](std::FILE* out) {
        stats.activated(true, 11s, out);
        stats.frameComposed(1ms);
        stats.activated(false, 13s, out);
        // A repeated loss changes nothing.
        stats.activated(false, 14s, out);
        stats.activated(true, 16s, out);
    });
    EXPECT_EQ(stats.activeTime(17s), 3s);
    EXPECT_NE(log.find("stats at_s=3.000 active=0 frames=1\n"), std::string::npos) << log;
    EXPECT_NE(log.find("stats at_s=6.000 active=1 frames=1\n"), std::string::npos) << log;
}

// Two seconds of run, one of them active, started 150 ms after the process: 100 ticks composed
// frames at 1 ms apiece and presented 50 of them at 4 ms apiece, the first at 0.1 s.
TEST(RunStats, ReportSeparatesComposingFromPresenting) {
    RunStats stats(0s, {1.0, 0.2}, 150ms);
    std::FILE* devNull = std::fopen("/dev/null", "w");
    ASSERT_NE(devNull, nullptr);
    stats.activated(true, 1s, devNull);
    std::fclose(devNull);
    for (int i = 0; i < 100; ++i) {
        stats.frameComposed(i % 2 == 0 ? 5ms : 1ms);
    }
    const RunStats::Presentation shown{50, 50, 200ms, 2, 100ms};
    const std::string report = captured([&](std::FILE* out) {
        stats.report(out, 2s, {1.5, 0.45}, shown, {1920, 1080, 0.99, 300, 2});
    });
    for (const char* line : {
             "stats screen=1920x1080 ran_s=2.00 active_s=1.00\n",
             "stats ticks=100 ticks_per_s=100.00 schedule_restarts=2\n",
             "stats shown=50 shown_per_s=50.00 left_out=50\n",
             "stats first_frame_ms=250\n",
             "stats compose_ms_per_tick=1.000 compose_core_pct=5.0\n",
             "stats present_ms_per_frame=4.000 present_core_pct=10.0\n",
             "stats cpu_s=0.50 cpu_core_pct=25.0 main_thread_cpu_s=0.25 "
             "main_thread_core_pct=12.5\n",
             "stats game_clock_s=0.99 score=300 lines=2\n",
         }) {
        EXPECT_NE(report.find(line), std::string::npos) << "missing " << line << "in\n" << report;
    }
}

// Work done on another thread, as the music thread's, counts for the process only.
TEST(RunStats, MainThreadCpuLeavesOutOtherThreads) {
    const RunStats::CpuTimes before = cpuTimesNow();
    std::thread([] {
        const RunStats::CpuTimes start = cpuTimesNow();
        volatile double sink = 0;
        while (cpuTimesNow().mainThread - start.mainThread < 0.05) {
            for (int i = 0; i < 10000; ++i) {
                sink = sink + i;
            }
        }
    }).join();
    const RunStats::CpuTimes after = cpuTimesNow();
    EXPECT_GE(after.process - before.process, 0.05);
    EXPECT_LT(after.mainThread - before.mainThread, 0.025);
}

}  // namespace
}  // namespace shardfall
