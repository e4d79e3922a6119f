// The window's message loop: turns SDL events and the 100 Hz schedule into the game's few
// inputs (a tick, key presses and releases, activation) until the window is closed.
#pragma once

#include <SDL2/SDL_events.h>

#include <cstdint>
#include <functional>

namespace shardfall {

class TickClock;

// What the window hands to the game. Missing callbacks are simply not called.
struct WindowEvents {
    // One frame and one game step; only while the window is active.
    std::function<void()> onTick;
    // Virtual-key codes, whether the window is active or not. A held key's auto-repeat
    // arrives as another press.
    std::function<void(uint32_t)> onKeyDown;
    std::function<void(uint32_t)> onKeyUp;
    // The window became the active window (true) or stopped being it (false).
    std::function<void(bool)> onActivate;
};

// Routes single events; the loop below feeds it. The window starts inactive until the window
// system gives it the focus.
class WindowEventDispatcher {
  public:
    explicit WindowEventDispatcher(const WindowEvents& events) : events_(events) {}

    // False when the event closes the window (the close button, Alt+F4, the system's quit).
    bool dispatch(const SDL_Event& event);
    // A due tick: a frame while active, nothing otherwise.
    void tick();

    bool active() const { return active_; }

  private:
    void setActive(bool active);

    const WindowEvents& events_;
    bool active_ = false;
};

// Runs until the window is closed and returns the exit code, 0. Ticks come from the clock's
// deadlines; between them the loop sleeps instead of spinning, and reads the events that came
// in meanwhile before each tick.
int runEventLoop(const WindowEvents& events, TickClock& clock);

}  // namespace shardfall
