// The game on Windows: a pop-up window that DirectDraw takes over for the whole screen, or a
// window of the player's size (app/player_options), its message loop with the mute key (F9),
// winmm's sound, and the game program of app/game_program, which builds the game's global
// objects and runs it (see there for --record and SHARDFALL_STATS). A console program, so that
// its messages reach whoever started it.
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
    // The window opens here, on the primary display; the sound plays at the player's levels.
    void applyOptions(const PlayerOptions& options) override {
        const PlayerOptions defaults;
        window_ = std::make_unique<GameWindow>(
            WindowChoice{options.window, options.windowSize.width, options.windowSize.height});
        window_->onMuteKey([this] {
            levels_.muted = !levels_.muted;
            if (audio_ != nullptr) {
                setWinmmMuted(*audio_, levels_.muted);
            }
        });
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

    DisplayBackend& displayBackend() override { return window_->displayBackend(); }
    // The device lives as long as the process, so the mute key may reach it at any time.
    std::unique_ptr<AudioDevice> openAudio() override {
        std::unique_ptr<AudioDevice> device = openWinmmAudioDevice(levels_);
        audio_ = device.get();
        return device;
    }

    int runLoop(const WindowEvents& events, TickClock& clock,
                const std::function<void()>& windowGone) override {
        return window_->runMessageLoop(events, clock, windowGone);
    }

    TickClock::Duration now() const override { return performanceCounterTime(); }
    RunStats::CpuTimes cpuTimes() const override {
        const ProcessCpuTimes times = processCpuTimes();
        return {times.process, times.thread};
    }
    RunStats::Duration processAge() const override { return processAgeNow(); }

    RunStats::Presentation presentation(const TickClock& clock) const override {
        const FlipStats& flips = window_->flipStats();
        return {flips.shown, flips.leftOut, flips.flipping, clock.restarts(), flips.firstShownAt};
    }

  private:
    std::unique_ptr<GameWindow> window_;
    WinmmSoundLevels levels_;
    AudioDevice* audio_ = nullptr;
};

}  // namespace
}  // namespace shardfall

int main(int argc, char** argv) {
    shardfall::WindowsHost host;
    return shardfall::gameMain(argc, argv, host);
}
