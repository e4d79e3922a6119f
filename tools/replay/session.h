// A recorded game set up again without a window: a scratch folder holding the records.dat the
// game started with and a fixed background, the game built and seeded as at program start, the
// display on a headless screen, and the FPS counter on a clock of 10 ms a frame, so that every
// frame comes out the same on every machine. The only code here that drives the game is
// key() and frame().
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "host/headless/headless_display_backend.h"
#include "render/display.h"
#include "render/screen_scramble.h"
#include "replay/replay_file.h"

namespace shardfall {

class Game;
class SoftwareSurface;

class ReplaySession {
  public:
    ReplaySession();
    ~ReplaySession();
    ReplaySession(const ReplaySession&) = delete;
    ReplaySession& operator=(const ReplaySession&) = delete;

    // False with a message when the scratch folder or the display cannot be had. A first start
    // (for a new recording) leaves the folder without records.dat, so the game makes its default
    // table there.
    bool start(const Replay& replay, std::string& error, bool firstStart = false);

    // A key press or release as the window hands it over.
    void key(bool down, uint32_t key);
    // One tick of the timer while the window is active: the game's step and its frame.
    void frame();

    Game& game() { return *game_; }
    // The frame shown last.
    const SoftwareSurface& screen() const;
    uint64_t frames() const { return frames_; }

  private:
    std::unique_ptr<HeadlessDisplayBackend> backend_;
    Display display_;
    DisplayEffects effects_{display_};
    std::unique_ptr<Game> game_;
    std::filesystem::path folder_;
    std::filesystem::path previous_;
    uint64_t frames_ = 0;
};

// A 64-bit hash of a frame's pixels.
uint64_t framePixelsHash(const SoftwareSurface& screen);

}  // namespace shardfall
