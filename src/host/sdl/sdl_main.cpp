// The game on SDL: one borderless window over the whole desktop or a window of the player's
// size (app/player_options), the 100 Hz loop of host/sdl/event_loop with the window's own keys
// (Alt+Enter, F9), SDL_mixer's sound at the player's levels, and the game program of
// app/game_program, which builds the game's global objects and runs it (see there for --record and
// SHARDFALL_STATS).
#include <memory>

#include "app/game_program.h"
#include "app/player_options.h"
#include "host/sdl/event_loop.h"
#include "host/sdl/posix_process_times.h"
#include "host/sdl/sdl_audio_device.h"
#include "host/sdl/sdl_clock.h"
#include "host/sdl/sdl_display_backend.h"
#include "sys/audio_device.h"

namespace shardfall {
namespace {

class SdlHost final : public ProgramHost {
  public:
    void applyOptions(const PlayerOptions& options) override {
        backend_.choose({options.window, options.windowSize.width, options.windowSize.height,
                         options.display - 1});
        levels_ = {options.musicVolume, options.effectsVolume, options.mute};
    }

    DisplayBackend& displayBackend() override { return backend_; }

    std::unique_ptr<AudioDevice> openAudio() override {
        std::unique_ptr<AudioDevice> device = openSdlAudioDevice();
        audioOpen_ = device != nullptr;
        if (audioOpen_) {
            applySoundLevels(levels_);
        }
        return device;
    }

    int runLoop(const WindowEvents& events, TickClock& clock,
                const std::function<void()>& windowGone) override {
        const HostKeys keys{[this] { backend_.toggleFullScreen(); },
                            [this] {
                                levels_.muted = !levels_.muted;
                                if (audioOpen_) {
                                    applySoundLevels(levels_);
                                }
                            }};
        const int exitCode = runEventLoop(events, clock, keys);
        windowGone();
        return exitCode;
    }

    TickClock::Duration now() const override { return monotonicNow(); }
    RunStats::CpuTimes cpuTimes() const override { return cpuTimesNow(); }
    RunStats::Duration processAge() const override { return shardfall::processAge(); }

    RunStats::Presentation presentation(const TickClock& clock) const override {
        const SdlDisplayBackend::PresentStats& presented = backend_.presentStats();
        return {presented.shown, presented.leftOut, presented.showing, clock.restarts(),
                presented.firstShownAt};
    }

  private:
    SdlDisplayBackend backend_;
    SoundLevels levels_;
    bool audioOpen_ = false;
};

}  // namespace
}  // namespace shardfall

int main(int argc, char** argv) {
    shardfall::SdlHost host;
    return shardfall::gameMain(argc, argv, host);
}
