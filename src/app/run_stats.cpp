#include "app/run_stats.h"

#include <cstring>

namespace shardfall {

namespace {

double seconds(RunStats::Duration d) {
    return std::chrono::duration<double>(d).count();
}

double perSecond(double count, double secondsTaken) {
    return secondsTaken > 0 ? count / secondsTaken : 0.0;
}

double percentOf(double part, double whole) {
    return whole > 0 ? 100.0 * part / whole : 0.0;
}

}  // namespace

bool RunStats::requested(const char* environmentValue) {
    return environmentValue != nullptr && environmentValue[0] != '\0' &&
           std::strcmp(environmentValue, "0") != 0;
}

void RunStats::activated(bool active, Duration now, std::FILE* log) {
    if (active && !active_) {
        activeSince_ = now;
    } else if (!active && active_) {
        activeBefore_ += now - activeSince_;
    }
    active_ = active;
    std::fprintf(log, "stats at_s=%.3f active=%d frames=%llu\n", seconds(now - start_),
                 active ? 1 : 0, static_cast<unsigned long long>(frames_));
    std::fflush(log);
}

RunStats::Duration RunStats::activeTime(Duration now) const {
    return activeBefore_ + (active_ ? now - activeSince_ : Duration::zero());
}

void RunStats::report(std::FILE* out, Duration now, CpuTimes cpuNow, const Presentation& shown,
                      const Outcome& outcome) const {
    const double ran = seconds(now - start_);
    const double active = seconds(activeTime(now));
    const double frames = static_cast<double>(frames_);
    const double shownFrames = static_cast<double>(shown.shownFrames);
    // Every tick presents the frame it composed, so its time is composing and presenting.
    const double presenting = seconds(shown.presentTime);
    const double composing = seconds(tickTime_) - presenting;
    const double cpu = cpuNow.process - cpuAtStart_.process;
    const double mainThreadCpu = cpuNow.mainThread - cpuAtStart_.mainThread;

    std::fprintf(out, "stats screen=%dx%d ran_s=%.2f active_s=%.2f\n", outcome.screenWidth,
                 outcome.screenHeight, ran, active);
    std::fprintf(out, "stats ticks=%llu ticks_per_s=%.2f schedule_restarts=%llu\n",
                 static_cast<unsigned long long>(frames_), perSecond(frames, active),
                 static_cast<unsigned long long>(shown.scheduleRestarts));
    std::fprintf(out, "stats shown=%llu shown_per_s=%.2f left_out=%llu\n",
                 static_cast<unsigned long long>(shown.shownFrames), perSecond(shownFrames, active),
                 static_cast<unsigned long long>(shown.leftOutFrames));
    if (shown.firstShownAt != Duration::zero()) {
        const Duration firstFrame = processAgeAtStart_ + (shown.firstShownAt - start_);
        std::fprintf(out, "stats first_frame_ms=%.0f\n", 1000.0 * seconds(firstFrame));
    }
    std::fprintf(out, "stats compose_ms_per_tick=%.3f compose_core_pct=%.1f\n",
                 frames > 0 ? 1000.0 * composing / frames : 0.0, percentOf(composing, ran));
    std::fprintf(out, "stats present_ms_per_frame=%.3f present_core_pct=%.1f\n",
                 shownFrames > 0 ? 1000.0 * presenting / shownFrames : 0.0,
                 percentOf(presenting, ran));
    std::fprintf(
        out,
        "stats cpu_s=%.2f cpu_core_pct=%.1f main_thread_cpu_s=%.2f main_thread_core_pct=%.1f\n",
        cpu, percentOf(cpu, ran), mainThreadCpu, percentOf(mainThreadCpu, ran));
    std::fprintf(out, "stats game_clock_s=%.2f score=%d lines=%d\n", outcome.gameClockSeconds,
                 outcome.score, outcome.lines);
    std::fflush(out);
}

}  // namespace shardfall
