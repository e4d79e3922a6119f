// The window's message loop: turns SDL events and the 100 Hz schedule into the game's few
// inputs (a tick, key presses and releases, activation) until the window is closed.
#pragma once

#include <SDL2/SDL_events.h>

#include <cstdint>
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
    // A game controller plugged in is opened; one pulled out is closed, and what it held is
    // released.
    bool dispatch(const SDL_Event& event);
    // A due tick: a frame while active, nothing otherwise.
    void tick() const { input_.tick(); }

    bool active() const { return input_.active(); }

  private:
    // A key pressed or released: Alt+Enter, Alt+F4 and F9 for the window, the rest for the game.
    bool key(const SDL_KeyboardEvent& event);
    // Whatever the pulled-out controller held is let go.
    void releaseGamepad();
    void gamepad(GamepadControl control, bool down);
    // The left stick's axis (0 across, 1 up and down) at this value: a press when it leaves
    // the dead zone, a release when it comes back, both when it crosses to the other side.
    void stick(int axis, int value);

    WindowInput input_;
    HostKeys hostKeys_;
    uint32_t held_ = 0;  // a bit for each GamepadControl held down
    int8_t stick_[2] = {0, 0};
};

// Runs until the window is closed and returns the exit code, 0. Ticks come from the clock's
// deadlines; between them the loop sleeps instead of spinning, and reads the events that came
// in meanwhile before each tick. Game controllers are looked for while it runs.
int runEventLoop(const WindowEvents& events, TickClock& clock, const HostKeys& hostKeys = {});

}  // namespace shardfall
