#include "host/sdl/event_loop.h"

#include <chrono>
#include <thread>

#include "host/sdl/sdl_clock.h"
#include "host/sdl/sdl_keys.h"
#include "sys/tick_clock.h"

namespace shardfall {

bool WindowEventDispatcher::dispatch(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            return false;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    input_.setActive(true);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    input_.setActive(false);
                    break;
                case SDL_WINDOWEVENT_CLOSE:
                    return false;
                default:
                    break;
            }
            return true;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const SDL_Keysym& key = event.key.keysym;
            const bool pressed = event.type == SDL_KEYDOWN && event.key.repeat == 0;
            if (isSystemKey(key)) {
                if (pressed && isFullScreenCommand(key) && hostKeys_.toggleFullScreen) {
                    hostKeys_.toggleFullScreen();
                }
                return !(event.type == SDL_KEYDOWN && isCloseCommand(key));
            }
            if (key.sym == MUTE_KEY) {
                if (pressed && hostKeys_.toggleMute) {
                    hostKeys_.toggleMute();
                }
                return true;
            }
            const uint32_t code = virtualKeyFromSdl(key);
            if (code == 0) {
                return true;
            }
            if (event.type == SDL_KEYDOWN) {
                input_.keyDown(code);
            } else {
                input_.keyUp(code);
            }
            return true;
        }
        default:
            // Mouse movement and everything else mean nothing to the game.
            return true;
    }
}

int runEventLoop(const WindowEvents& events, TickClock& clock, const HostKeys& hostKeys) {
    WindowEventDispatcher dispatcher(events, hostKeys);
    SDL_Event event;
    for (;;) {
        // Pending events go first: like a window timer's message, a tick waits behind them.
        SDL_PumpEvents();
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
            if (!dispatcher.dispatch(event)) {
                return 0;
            }
        }
        const TickClock::Duration now = monotonicNow();
        if (clock.ticksDue(now) != 0) {
            dispatcher.tick();
            continue;
        }
        // Events wait for the next deadline: the game only moves on a tick, so reading them
        // earlier would change nothing.
        std::this_thread::sleep_for(clock.timeUntilNextTick(now));
    }
}

}  // namespace shardfall
