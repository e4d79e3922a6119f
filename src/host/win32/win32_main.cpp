// The game on Windows: a pop-up window that DirectDraw takes over for the whole screen, its
// message loop, winmm's sound, and the game program of app/game_program, which builds the
// game's global objects and runs it (see there for --record and SHARDFALL_STATS). A console
// program, so that its messages reach whoever started it.
#include <cstdio>
#include <memory>

#include "app/game_program.h"
#include "app/player_options.h"
#include "host/win32/win32_platform.h"
#include "sys/audio_device.h"

namespace shardfall {
namespace {

class WindowsHost final : public ProgramHost {
  public:
    // The Windows game takes the primary display's whole screen for now; the sound plays at the
    // player's levels.
    void applyOptions(const PlayerOptions& options) override {
        const PlayerOptions defaults;
        if (options.window) {
            std::fputs("shardfall: no window on Windows yet; the game takes the whole screen\n",
                       stderr);
        }
        if (options.display != defaults.display) {
            std::fputs(
                "shardfall: no choice of display on Windows yet; the game takes the "
                "primary one\n",
                stderr);
        }
        levels_ = {options.musicVolume, options.effectsVolume, options.mute};
        if (options.controls.gamepad != defaults.controls.gamepad) {
            std::fputs("shardfall: no gamepads on Windows yet; [gamepad] does nothing\n", stderr);
        }
    }

    DisplayBackend& displayBackend() override { return window_.displayBackend(); }
    std::unique_ptr<AudioDevice> openAudio() override { return openWinmmAudioDevice(levels_); }

    int runLoop(const WindowEvents& events, TickClock& clock,
                const std::function<void()>& windowGone) override {
        return window_.runMessageLoop(events, clock, windowGone);
    }

    TickClock::Duration now() const override { return performanceCounterTime(); }
    RunStats::CpuTimes cpuTimes() const override {
        const ProcessCpuTimes times = processCpuTimes();
        return {times.process, times.thread};
    }
    RunStats::Duration processAge() const override { return processAgeNow(); }

    RunStats::Presentation presentation(const TickClock& clock) const override {
        const FlipStats& flips = window_.flipStats();
        return {flips.shown, flips.leftOut, flips.flipping, clock.restarts(), flips.firstShownAt};
    }

  private:
    GameWindow window_;
    WinmmSoundLevels levels_;
};

}  // namespace
}  // namespace shardfall

int main(int argc, char** argv) {
    shardfall::WindowsHost host;
    return shardfall::gameMain(argc, argv, host);
}
