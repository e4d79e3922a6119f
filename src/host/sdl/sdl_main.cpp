// The game on SDL: one borderless window over the whole desktop, the 100 Hz loop of
// app/event_loop, SDL_mixer's sound, and the game program of app/game_program, which builds
// the game's global objects and runs it (see there for --record and SHARDFALL_STATS).
#include <memory>

#include "app/game_program.h"
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
    DisplayBackend& displayBackend() override { return backend_; }
    std::unique_ptr<AudioDevice> openAudio() override { return openSdlAudioDevice(); }

    int runLoop(const WindowEvents& events, TickClock& clock,
                const std::function<void()>& windowGone) override {
        const int exitCode = runEventLoop(events, clock);
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
};

}  // namespace
}  // namespace shardfall

int main(int argc, char** argv) {
    shardfall::SdlHost host;
    return shardfall::gameMain(argc, argv, host);
}
