// The window's message loop: turns SDL events and the 100 Hz schedule into the game's few
// inputs (a tick, key presses and releases, activation) until the window is closed.
#pragma once

#include <SDL2/SDL_events.h>

#include <functional>
#include <utility>

#include "app/window_events.h"

namespace shardfall {

class TickClock;

// The keys the window keeps for itself: Alt+Enter switches between a window and the whole
// screen, F9 turns the sound off and on. Neither reaches the game.
struct HostKeys {
    std::function<void()> toggleFullScreen;
    std::function<void()> toggleMute;
};

// Routes single events; the loop below feeds it. The window starts inactive until the window
// system gives it the focus.
class WindowEventDispatcher {
  public:
    explicit WindowEventDispatcher(const WindowEvents& events, HostKeys hostKeys = {})
        : input_(events), hostKeys_(std::move(hostKeys)) {}

    // False when the event closes the window (the close button, Alt+F4, the system's quit).
    bool dispatch(const SDL_Event& event);
    // A due tick: a frame while active, nothing otherwise.
    void tick() const { input_.tick(); }

    bool active() const { return input_.active(); }

  private:
    WindowInput input_;
    HostKeys hostKeys_;
};

// Runs until the window is closed and returns the exit code, 0. Ticks come from the clock's
// deadlines; between them the loop sleeps instead of spinning, and reads the events that came
// in meanwhile before each tick.
int runEventLoop(const WindowEvents& events, TickClock& clock, const HostKeys& hostKeys = {});

}  // namespace shardfall
