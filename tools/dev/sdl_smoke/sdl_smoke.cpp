// Drives the window, the tick loop and the presentation without the game: every tick paints a
// moving test picture into the back buffer and flips it. On exit it prints the rates and the
// CPU time, so the shell can be measured on any display.
//
//   sdl_smoke [seconds]      runs that long (default 10), or until the window is closed

#include <SDL2/SDL.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "host/sdl/event_loop.h"
#include "host/sdl/sdl_clock.h"
#include "host/sdl/sdl_display_backend.h"
#include "sys/tick_clock.h"

namespace shardfall {
namespace {

double seconds(TickClock::Duration d) {
    return std::chrono::duration<double>(d).count();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Diagonal colour bands that scroll one pixel per tick and a white bar that crosses the
// screen every two seconds: a stalled or torn picture shows at a glance.
void paintTestPicture(Surface& target, uint64_t tick) {
    LockedPixels pixels;
    if (target.lock(pixels) != SURFACE_OK) {
        return;
    }
    static constexpr uint32_t colours[6] = {0xC03030, 0xC0A030, 0x30C030,
                                            0x30A0C0, 0x3030C0, 0xA030C0};
    constexpr int BAND = 64;
    const int barX = static_cast<int>(tick % 200) * pixels.width / 200;
    for (int y = 0; y < pixels.height; ++y) {
        auto* row =
            reinterpret_cast<uint32_t*>(pixels.bits + static_cast<ptrdiff_t>(y) * pixels.pitch);
        const int shift = (y + static_cast<int>(tick % (6 * BAND))) % (6 * BAND);
        for (int x = 0; x < pixels.width;) {
            const int phase = (x + shift) % (6 * BAND);
            const int run = std::min(BAND - phase % BAND, pixels.width - x);
            std::fill_n(row + x, run, colours[phase / BAND]);
            x += run;
        }
        std::fill_n(row + barX, std::min(16, pixels.width - barX), 0xFFFFFFu);
    }
    target.unlock();
}

Uint32 endOfRun(Uint32 /*interval*/, void* /*unused*/) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    return 0;
}

// Takes the screen and its primary surface; false, after a message box, when either fails.
bool openScreen(SdlDisplayBackend& backend, std::unique_ptr<Surface>& primary) {
    if (backend.createDevice() != SURFACE_OK || backend.takeScreen() != SURFACE_OK ||
        backend.createPrimarySurface(primary) != SURFACE_OK) {
        backend.showMessageBox(SDL_GetError(), "sdl_smoke");
        return false;
    }
    return true;
}

void printPresentPath(const SdlDisplayBackend& backend) {
    std::printf("video driver %s, presenting through ", SDL_GetCurrentVideoDriver());
    SDL_RendererInfo info{};
    if (backend.presentPath() == SdlDisplayBackend::PresentPath::WindowSurface) {
        std::printf("the window surface");
    } else if (SDL_GetRendererInfo(SDL_GetRenderer(SDL_GetWindowFromID(1)), &info) == 0) {
        std::printf("renderer %s", info.name);
    }
    std::printf(", screen %d x %d\n", backend.screenWidth(), backend.screenHeight());
    std::fflush(stdout);
}

// What the run measures while the window loop turns.
struct Measures {
    TickClock::Duration start{};
    uint64_t ticks = 0;
    bool active = false;
    TickClock::Duration activeSince{};
    TickClock::Duration activeTime{};
    TickClock::Duration paintTime{};
    TickClock::Duration flipTime{};
    TickClock::Duration latestTick{};
};

// Each tick paints the test picture and flips it; the window's other events are logged.
WindowEvents measuringEvents(Measures& m, Surface& primary, const TickClock& clock) {
    WindowEvents events;
    events.onTick = [&m, &primary, &clock] {
        const TickClock::Duration begun = monotonicNow();
        paintTestPicture(*primary.attachedBackBuffer(), m.ticks);
        const TickClock::Duration painted = monotonicNow();
        primary.flip(FLIP_NOVSYNC_DONOTWAIT);
        m.paintTime += painted - begun;
        m.flipTime += monotonicNow() - painted;
        // A restart leaves the tick on time by definition, so only kept ticks count here.
        m.latestTick = std::max(m.latestTick, begun - (clock.nextDeadline() - TickClock::PERIOD));
        ++m.ticks;
    };
    events.onActivate = [&m](bool nowActive) {
        const TickClock::Duration now = monotonicNow();
        if (nowActive && !m.active) {
            m.activeSince = now;
        } else if (!nowActive && m.active) {
            m.activeTime += now - m.activeSince;
        }
        m.active = nowActive;
        std::printf("%8.3f s  %s after %llu ticks\n", seconds(now - m.start),
                    m.active ? "active  " : "inactive", static_cast<unsigned long long>(m.ticks));
        std::fflush(stdout);
    };
    events.onKeyDown = [&m](uint32_t key) {
        std::printf("%8.3f s  key down %u\n", seconds(monotonicNow() - m.start), key);
        std::fflush(stdout);
    };
    events.onKeyUp = [&m](uint32_t key) {
        std::printf("%8.3f s  key up   %u\n", seconds(monotonicNow() - m.start), key);
        std::fflush(stdout);
    };
    return events;
}

void printReport(const Measures& m, const SdlDisplayBackend& backend, const TickClock& clock,
                 double wall, double cpu, int exitCode) {
    const double ticking = seconds(m.activeTime);
    std::printf("ran %.2f s, active %.2f s, exit code %d\n", wall, ticking, exitCode);
    std::printf("ticks         %llu, %.2f per second while active\n",
                static_cast<unsigned long long>(m.ticks),
                ticking > 0 ? static_cast<double>(m.ticks) / ticking : 0.0);
    std::printf("latest tick   %.2f ms after its deadline; %llu restarts after a stall\n",
                1000 * seconds(m.latestTick), static_cast<unsigned long long>(clock.restarts()));
    const SdlDisplayBackend::PresentStats shown = backend.presentStats();
    std::printf("frames shown  %llu, %.2f per second while active; left out %llu\n",
                static_cast<unsigned long long>(shown.shown),
                ticking > 0 ? static_cast<double>(shown.shown) / ticking : 0.0,
                static_cast<unsigned long long>(shown.leftOut));
    if (m.ticks > 0 && shown.shown > 0) {
        std::printf("per tick      painting %.2f ms, flipping %.2f ms\n",
                    1000 * seconds(m.paintTime) / static_cast<double>(m.ticks),
                    1000 * seconds(m.flipTime) / static_cast<double>(m.ticks));
        std::printf("presenting    %.2f ms a frame, slowest %.2f ms\n",
                    1000 * seconds(shown.showing) / static_cast<double>(shown.shown),
                    1000 * seconds(shown.slowest));
    }
    std::printf("CPU           %.2f s, %.1f %% of one core\n", cpu, 100.0 * cpu / wall);
}

int run(int runSeconds) {
    if (SDL_InitSubSystem(SDL_INIT_TIMER) != 0) {
        std::fprintf(stderr, "SDL timer: %s\n", SDL_GetError());
        return 1;
    }
    SdlDisplayBackend backend;
    std::unique_ptr<Surface> primary;
    if (!openScreen(backend, primary)) {
        return 1;
    }
    printPresentPath(backend);

    Measures m;
    m.start = monotonicNow();
    const double cpuAtStart = cpuSeconds();
    TickClock clock(m.start);
    const WindowEvents events = measuringEvents(m, *primary, clock);
    SDL_AddTimer(static_cast<Uint32>(runSeconds * 1000), endOfRun, nullptr);

    const int exitCode = runEventLoop(events, clock);

    const double wall = seconds(monotonicNow() - m.start);
    const double cpu = cpuSeconds() - cpuAtStart;
    if (m.active) {
        m.activeTime += monotonicNow() - m.activeSince;
    }
    printReport(m, backend, clock, wall, cpu, exitCode);
    primary.reset();
    backend.destroyWindow();
    return exitCode;
}

}  // namespace
}  // namespace shardfall

int main(int argc, char** argv) {
    const int runSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const int code = shardfall::run(runSeconds > 0 ? runSeconds : 10);
    SDL_Quit();
    return code;
}
