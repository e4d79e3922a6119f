// The game program, the same on every window system: the program's global objects in their
// fixed order, the display start, sound and music, the tick and key wiring, `--record FILE`
// and the run statistics (SHARDFALL_STATS=1). A window system hands in what differs through
// a ProgramHost; its main() is then one call to gameMain.
#pragma once

#include <functional>
#include <memory>

#include "app/run_stats.h"
#include "sys/tick_clock.h"

namespace shardfall {

class AudioDevice;
class DisplayBackend;
struct PlayerOptions;
struct WindowEvents;

class ProgramHost {
  public:
    virtual ~ProgramHost() = default;

    // The player's options (the config file's, then the command line's), before anything else
    // is asked of the host. What the host cannot do yet it names in one line on stderr.
    virtual void applyOptions(const PlayerOptions& options) = 0;
    // The window and the screen the display start takes.
    virtual DisplayBackend& displayBackend() = 0;
    // The sound device, or null when there is none (it has then said why, in one line on
    // stderr). The program keeps it for the life of the process: the music thread never ends.
    virtual std::unique_ptr<AudioDevice> openAudio() = 0;
    // Runs the window's loop on the clock's deadlines until the window is closed, handing each
    // event to the game; returns the exit code. windowGone runs once as the window goes, before
    // the loop returns: the display objects are released there.
    virtual int runLoop(const WindowEvents& events, TickClock& clock,
                        const std::function<void()>& windowGone) = 0;

    // The monotonic clock the ticks follow.
    virtual TickClock::Duration now() const = 0;
    // For the statistics: CPU times so far, how long ago the process started (zero where
    // unknown), and what the display did with the flipped frames.
    virtual RunStats::CpuTimes cpuTimes() const = 0;
    virtual RunStats::Duration processAge() const = 0;
    virtual RunStats::Presentation presentation(const TickClock& clock) const = 0;
};

// Parses the command line and reads the config file, runs the game and returns the exit code.
int gameMain(int argc, char** argv, ProgramHost& host);

}  // namespace shardfall
