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

// Two seconds of run, one of them active, with 100 frames composed in 100 ms, 50 of which were
// shown, beside the ticks, at 4 ms apiece: presenting took 200 ms.
TEST(RunStats, ReportSeparatesComposingFromPresenting) {
    RunStats stats(0s, {1.0, 0.2});
    std::FILE* devNull = std::fopen("/dev/null", "w");
    ASSERT_NE(devNull, nullptr);
    stats.activated(true, 1s, devNull);
    std::fclose(devNull);
    for (int i = 0; i < 100; ++i) {
        stats.frameComposed(i < 50 ? 2ms : 0ms);
    }
    const RunStats::Presentation shown{50, 50, 200ms, 2};
    const std::string report = captured([&](std::FILE* out) {
        stats.report(out, 2s, {1.5, 0.45}, shown, {1920, 1080, 0.99, 300, 2});
    });
    for (const char* line : {
             "stats screen=1920x1080 ran_s=2.00 active_s=1.00\n",
             "stats ticks=100 ticks_per_s=100.00 schedule_restarts=2\n",
             "stats shown=50 shown_per_s=50.00 left_out=50\n",
             "stats compose_ms_per_tick=1.000 compose_core_pct=5.0\n",
             "stats present_ms_per_frame=4.000 present_core_pct=10.0\n",
             "stats cpu_s=0.50 cpu_core_pct=25.0 main_thread_cpu_s=0.25 "
             "main_thread_core_pct=12.5\n",
             "stats game_clock_s=0.99 score=300 lines=2\n",
         }) {
        EXPECT_NE(report.find(line), std::string::npos) << "missing " << line << "in\n" << report;
    }
}

// Work done on another thread, as the presenting thread's, counts for the process only.
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
