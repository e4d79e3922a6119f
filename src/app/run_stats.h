// What one run of the game cost, for measuring it on a given display: frames composed, frames
// shown and left out, the time spent composing and presenting them, and the CPU time of the
// whole process and of its main thread, which runs the game without the presenting. Kept only
// when the SHARDFALL_STATS environment variable asks for it.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace shardfall {

class RunStats {
  public:
    using Duration = std::chrono::nanoseconds;

    // What the display and the schedule counted themselves, read once at the end.
    struct Presentation {
        uint64_t shownFrames = 0;
        uint64_t leftOutFrames = 0;
        Duration presentTime{};
        uint64_t scheduleRestarts = 0;
    };

    // Where the game stood when the run ended.
    struct Outcome {
        int screenWidth = 0;
        int screenHeight = 0;
        double gameClockSeconds = 0;
        int score = 0;
        int lines = 0;
    };

    // CPU seconds, user and system: of every thread, and of the thread that runs the game.
    struct CpuTimes {
        double process = 0;
        double mainThread = 0;
    };

    // True when the variable is set to anything but empty or "0".
    static bool requested(const char* environmentValue);

    // Made on the main thread.
    RunStats(Duration start, CpuTimes cpuAtStart) : start_(start), cpuAtStart_(cpuAtStart) {}

    // One tick composed a frame in this much time, its hand-over to the presenter included.
    void frameComposed(Duration cost) {
        ++frames_;
        tickTime_ += cost;
    }
    // The window became active or stopped being it; the change is also logged at once, so that
    // a watcher can follow the focus.
    void activated(bool active, Duration now, std::FILE* log);

    uint64_t frames() const { return frames_; }
    Duration activeTime(Duration now) const;

    // The summary printed at exit.
    void report(std::FILE* out, Duration now, CpuTimes cpuNow, const Presentation& shown,
                const Outcome& outcome) const;

  private:
    Duration start_;
    CpuTimes cpuAtStart_;
    uint64_t frames_ = 0;
    Duration tickTime_{};
    bool active_ = false;
    Duration activeSince_{};
    Duration activeBefore_{};
};

// The CPU times so far, the calling thread's as the main thread's.
RunStats::CpuTimes cpuTimesNow();

}  // namespace shardfall
