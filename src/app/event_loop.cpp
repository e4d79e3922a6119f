#include "app/event_loop.h"

#include <chrono>
#include <thread>

#include "platform/sdl/sdl_clock.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/tick_clock.h"

namespace shardfall {

bool WindowEventDispatcher::dispatch(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            return false;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    setActive(true);
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    setActive(false);
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
            if (isSystemKey(key)) {
                return !(event.type == SDL_KEYDOWN && isCloseCommand(key));
            }
            const uint32_t code = virtualKeyFromSdl(key);
            if (code == 0) {
                return true;
            }
            const auto& handler = event.type == SDL_KEYDOWN ? events_.onKeyDown : events_.onKeyUp;
            if (handler) {
                handler(code);
            }
            return true;
        }
        default:
            // Mouse movement and everything else mean nothing to the game.
            return true;
    }
}

void WindowEventDispatcher::tick() {
    if (active_ && events_.onTick) {
        events_.onTick();
    }
}

void WindowEventDispatcher::setActive(bool active) {
    active_ = active;
    if (events_.onActivate) {
        events_.onActivate(active);
    }
}

int runEventLoop(const WindowEvents& events, TickClock& clock) {
    WindowEventDispatcher dispatcher(events);
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
