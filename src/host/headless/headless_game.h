// A whole game without a window, for the replay player, the soak, frame_dump, the benchmarks and
// every test that plays a game: a scratch folder to run in, holding the background picture and
// the records.dat asked for; the Game built as at program start and seeded; the display on a
// headless screen; and a clock of 10 ms a tick for the FPS counter, so that every frame comes out
// the same on every machine. key() and tick() are all that drive the game, as a window would.
// One at a time: the folder is the process's working directory while it lives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/headless/headless_display_backend.h"
#include "render/display.h"
#include "render/screen_scramble.h"

namespace shardfall {

class AudioDevice;
class Game;

class HeadlessGame {
  public:
    // What records.dat is as the game starts.
    enum class Records {
        None,        // no file: the game makes its default table and saves it
        Given,       // the bytes in `recordsFile`
        Unreadable,  // a folder in its place: a default table at every look, and no save
    };

    struct Options {
        int width = 1024;
        int height = 768;
        // The seed, given after the table has loaded, as the program does; without one the
        // generator is left as the caller set it.
        std::optional<uint32_t> seed;
        // Whether the music start-up's first draw follows the seed, as in the program. The
        // soak's digests were made without it.
        bool musicStartUp = true;
        // The background picture's file; empty for the gradient (gradientBackgroundFile).
        std::vector<uint8_t> background;
        Records records = Records::None;
        std::vector<uint8_t> recordsFile;
        // Where the sounds go; null for silence. It must outlive the game.
        AudioDevice* audio = nullptr;
    };

    HeadlessGame();
    // Releases the display and ends the game in its folder (the table saves once more), then
    // returns to the working directory of before and removes the folder.
    ~HeadlessGame();
    HeadlessGame(const HeadlessGame&) = delete;
    HeadlessGame& operator=(const HeadlessGame&) = delete;

    // False with a reason for a person when the folder, its files or the display cannot be had.
    bool start(const Options& options, std::string& error);

    // A key press or release as the window hands it over.
    void key(bool down, uint32_t key);
    // One tick of the timer while the window is active: the clock moves 10 ms, the game steps
    // and its frame is composed and flipped.
    void tick();
    // The window became active or inactive. A full-screen DirectDraw game loses every surface
    // when its window is deactivated, so here too: the first frame after the window is active
    // again restores them (RestoreSurfaces), and what it puts back is what that frame shows.
    void focus(bool active);

    Game& game() { return *game_; }
    const Game& game() const { return *game_; }
    Display& display() { return display_; }
    HeadlessDisplayBackend& backend() { return *backend_; }
    DisplayEffects& effects() { return effects_; }
    uint64_t ticks() const { return ticks_; }

  private:
    bool enterFolder(const Options& options, std::string& error);

    std::unique_ptr<HeadlessDisplayBackend> backend_;
    Display display_;
    DisplayEffects effects_{display_};
    std::unique_ptr<Game> game_;
    std::filesystem::path folder_;
    std::filesystem::path previous_;
    uint64_t ticks_ = 0;
};

}  // namespace shardfall
