// What a window hands to the game, whichever window system it lives in: the 100 Hz tick, key
// presses and releases with their virtual-key codes (a gamepad's controls among them, as the
// keys they stand for), and whether the window is the active one.
#pragma once

#include <cstdint>
#include <functional>

#include "app/controls.h"

namespace shardfall {

// The game's side. Missing callbacks are simply not called.
struct WindowEvents {
    // One frame and one game step; only while the window is active.
    std::function<void()> onTick;
    // Virtual-key codes, whether the window is active or not. A held key's auto-repeat
    // arrives as another press.
    std::function<void(uint32_t)> onKeyDown;
    std::function<void(uint32_t)> onKeyUp;
    // The window became the active window (true) or stopped being it (false).
    std::function<void(bool)> onActivate;
    // Which key and gamepad control does what: the game and its recording get the game's key
    // for each key pressed, and nothing for a key without one.
    Controls controls;
};

// The window's side: each window system's loop turns its own messages into these calls. The
// window starts inactive until the window system gives it the focus.
class WindowInput {
  public:
    explicit WindowInput(const WindowEvents& events) : events_(events) {}

    void keyDown(uint32_t key) const { press(events_.onKeyDown, events_.controls.gameKey(key)); }
    void keyUp(uint32_t key) const { press(events_.onKeyUp, events_.controls.gameKey(key)); }
    void gamepadDown(GamepadControl control) const {
        press(events_.onKeyDown, events_.controls.gameKey(control));
    }
    void gamepadUp(GamepadControl control) const {
        press(events_.onKeyUp, events_.controls.gameKey(control));
    }

    // A due tick: a frame while active, nothing otherwise.
    void tick() const {
        if (active_ && events_.onTick) {
            events_.onTick();
        }
    }

    void setActive(bool active) {
        active_ = active;
        call(events_.onActivate, active);
    }
    bool active() const { return active_; }

  private:
    template <typename Callback>
    static void press(const Callback& callback, uint32_t key) {
        if (key != 0) {
            call(callback, key);
        }
    }
    template <typename Callback, typename Argument>
    static void call(const Callback& callback, Argument argument) {
        if (callback) {
            callback(argument);
        }
    }

    const WindowEvents& events_;
    bool active_ = false;
};

}  // namespace shardfall
