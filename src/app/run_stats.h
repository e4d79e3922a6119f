// What one run of the game cost, for measuring it on a given display: frames composed, frames
// shown and left out, the time spent composing and presenting them, how long after the process
// started the first frame was shown, and the CPU time of the whole process and of its main
// thread, which composes and presents every frame. Kept only when the SHARDFALL_STATS
// environment variable asks for it.
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
        // When the first frame was on the screen, on the clock of start and now; zero if never.
        Duration firstShownAt{};
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

    // Made on the main thread, when the process has been running for processAge.
    RunStats(Duration start, CpuTimes cpuAtStart, Duration processAge = {})
        : start_(start), cpuAtStart_(cpuAtStart), processAgeAtStart_(processAge) {}

    // One tick composed a frame in this much time, its present included.
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
    Duration processAgeAtStart_;
    uint64_t frames_ = 0;
    Duration tickTime_{};
    bool active_ = false;
    Duration activeSince_{};
    Duration activeBefore_{};
};

}  // namespace shardfall
