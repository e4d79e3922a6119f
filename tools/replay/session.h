// A recorded game set up again without a window: the headless game on the recording's screen,
// with the records.dat it started with and its seed. The only code here that drives the game is
// key() and frame().
#pragma once

#include <cstdint>
#include <string>

#include "host/headless/headless_game.h"
#include "replay/replay_file.h"

namespace shardfall {

class SoftwareSurface;

class ReplaySession {
  public:
    // False with a message when the scratch folder or the display cannot be had. A first start
    // (for a new recording) leaves the folder without records.dat, so the game makes its default
    // table there.
    bool start(const Replay& replay, std::string& error, bool firstStart = false);

    // A key press or release as the window hands it over.
    void key(bool down, uint32_t key) { game_.key(down, key); }
    // One tick of the timer while the window is active: the game's step and its frame.
    void frame() { game_.tick(); }
    // The window became active or inactive: inactive, the surfaces are lost.
    void focus(bool active) { game_.focus(active); }

    Game& game() { return game_.game(); }
    // The frame shown last.
    const SoftwareSurface& screen() { return *game_.backend().primary(); }
    uint64_t frames() const { return game_.ticks(); }

  private:
    HeadlessGame game_;
};

// A 64-bit hash of a frame's pixels.
uint64_t framePixelsHash(const SoftwareSurface& screen);

}  // namespace shardfall
