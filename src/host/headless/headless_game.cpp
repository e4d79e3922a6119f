#include "host/headless/headless_game.h"

#include <fstream>

#include "app/game_tick.h"
#include "formats/bitmap_encoder.h"
#include "game/game.h"
#include "game/keyboard.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "render/fps_counter.h"
#include "scores/high_score_table.h"
#include "sys/audio_device.h"
#include "sys/random.h"
#include "sys/scratch_folder.h"

namespace fs = std::filesystem;

namespace shardfall {

namespace {

// The FPS counter's clock: 10 ms a tick, whatever the machine's speed.
uint32_t tickMilliseconds = 0;
uint32_t tickClock() {
    return tickMilliseconds;
}

SilentAudioDevice silence;

bool writeFile(const char* name, const std::vector<uint8_t>& bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return out.good();
}

}  // namespace

HeadlessGame::HeadlessGame() = default;

HeadlessGame::~HeadlessGame() {
    if (game_) {
        ReleaseDisplay(display_);
        game_.reset();  // saves records.dat once more, still in the scratch folder
        setAudioDevice(nullptr);
    }
    if (!folder_.empty()) {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(folder_, ignored);
    }
}

bool HeadlessGame::enterFolder(const Options& options, std::string& error) {
    folder_ = makeScratchFolder("shardfall-headless");
    if (folder_.empty()) {
        error = "cannot make a scratch folder in the temporary folder";
        return false;
    }
    previous_ = fs::current_path();
    fs::current_path(folder_);
    const std::vector<uint8_t> background =
        options.background.empty() ? gradientBackgroundFile() : options.background;
    std::error_code folderError;
    bool ok = writeFile(BackgroundFileName, background);
    if (options.records == Records::Given) {
        ok = ok && writeFile(RECORDS_FILE_NAME, options.recordsFile);
    } else if (options.records == Records::Unreadable) {
        ok = ok && fs::create_directory(RECORDS_FILE_NAME, folderError);
    }
    if (!ok) {
        error = "cannot write into the scratch folder " + folder_.string();
    }
    return ok;
}

bool HeadlessGame::start(const Options& options, std::string& error) {
    if (!enterFolder(options, error)) {
        return false;
    }
    // As at program start: the table loads records.dat, then the generator is seeded.
    game_ = std::make_unique<Game>();
    if (options.seed && options.musicStartUp) {
        seedGame(*options.seed);
    } else if (options.seed) {
        seedRandom(*options.seed);
    }
    setAudioDevice(options.audio != nullptr ? options.audio : &silence);
    tickMilliseconds = 0;
    display_.fpsCounter = FpsCounter(tickClock);
    backend_ = std::make_unique<HeadlessDisplayBackend>(options.width, options.height);
    if (startDisplay(display_, *backend_, *game_) != 1) {
        error = "the display did not start at " + std::to_string(options.width) + "x" +
                std::to_string(options.height);
        for (const auto& box : backend_->messageBoxes) {
            error += ": " + box.text;
        }
        game_.reset();
        setAudioDevice(nullptr);
        return false;
    }
    return true;
}

void HeadlessGame::key(bool down, uint32_t key) {
    if (down) {
        onKeyDown(*game_, key, &effects_);
    } else {
        onKeyUp(*game_, key);
    }
}

void HeadlessGame::focus(bool active) {
    if (active || !game_) {
        return;
    }
    for (Surface* s : {display_.primary, display_.backBuffer, display_.background,
                       display_.tileSheet, display_.fps, display_.gameOver}) {
        if (auto* software = dynamic_cast<SoftwareSurface*>(s)) {
            software->markLost();
        }
    }
}

void HeadlessGame::tick() {
    tickMilliseconds += 10;
    ticks_ += 1;
    runTick(display_, *game_);
}

}  // namespace shardfall
