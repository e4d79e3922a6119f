#include "host/sdl/event_loop.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <optional>
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
        case SDL_KEYUP:
            return key(event.key);
        case SDL_CONTROLLERDEVICEADDED:
            SDL_GameControllerOpen(event.cdevice.which);
            return true;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (SDL_GameController* pad = SDL_GameControllerFromInstanceID(event.cdevice.which)) {
                SDL_GameControllerClose(pad);
            }
            releaseGamepad();
            return true;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            if (const std::optional<GamepadControl> control = gamepadControlFromSdl(
                    static_cast<SDL_GameControllerButton>(event.cbutton.button))) {
                gamepad(*control, event.type == SDL_CONTROLLERBUTTONDOWN);
            }
            return true;
        case SDL_CONTROLLERAXISMOTION:
            if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX ||
                event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) {
                stick(event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX ? 0 : 1, event.caxis.value);
            }
            return true;
        default:
            // Mouse movement and everything else mean nothing to the game.
            return true;
    }
}

bool WindowEventDispatcher::key(const SDL_KeyboardEvent& event) {
    const SDL_Keysym& key = event.keysym;
    const bool pressed = event.type == SDL_KEYDOWN && event.repeat == 0;
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

void WindowEventDispatcher::releaseGamepad() {
    stick(0, 0);
    stick(1, 0);
    for (size_t control = 0; control < GAMEPAD_CONTROL_COUNT; ++control) {
        gamepad(static_cast<GamepadControl>(control), false);
    }
}

void WindowEventDispatcher::gamepad(GamepadControl control, bool down) {
    const uint32_t bit = 1u << static_cast<unsigned>(control);
    if (down == ((held_ & bit) != 0)) {
        return;
    }
    held_ ^= bit;
    if (down) {
        input_.gamepadDown(control);
    } else {
        input_.gamepadUp(control);
    }
}

void WindowEventDispatcher::stick(int axis, int value) {
    const int8_t side = value < -STICK_DEAD_ZONE ? -1 : value > STICK_DEAD_ZONE ? 1 : 0;
    if (side == stick_[axis]) {
        return;
    }
    using G = GamepadControl;
    const G lower = axis == 0 ? G::STICK_LEFT : G::STICK_UP;
    const G higher = axis == 0 ? G::STICK_RIGHT : G::STICK_DOWN;
    if (stick_[axis] != 0) {
        gamepad(stick_[axis] < 0 ? lower : higher, false);
    }
    stick_[axis] = side;
    if (side != 0) {
        gamepad(side < 0 ? lower : higher, true);
    }
}

namespace {

int runEvents(const WindowEvents& events, TickClock& clock, const HostKeys& hostKeys) {
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

}  // namespace

int runEventLoop(const WindowEvents& events, TickClock& clock, const HostKeys& hostKeys) {
    // Without the game controller subsystem the keyboard alone plays; the controllers already
    // plugged in arrive as added devices.
    const bool gamepads = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    const int exitCode = runEvents(events, clock, hostKeys);
    if (gamepads) {
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
    return exitCode;
}

}  // namespace shardfall
