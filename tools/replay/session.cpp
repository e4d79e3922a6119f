#include "session.h"

#include <fstream>
#include <vector>

#include "audio/music.h"
#include "bitmap_encoder.h"
#include "game/game.h"
#include "game/keyboard.h"
#include "platform/audio_device.h"
#include "platform/software_surface.h"
#include "render/display.h"
#include "render/frame.h"
#include "scores/high_score_table.h"
#include "scratch_folder.h"

namespace fs = std::filesystem;

namespace shardfall {

namespace {

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

ReplaySession::ReplaySession() = default;

ReplaySession::~ReplaySession() {
    if (game_) {
        ReleaseDisplay(display_);
        game_.reset();  // saves records.dat once more, still in the scratch folder
    }
    setAudioDevice(nullptr);
    if (!folder_.empty()) {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
        fs::remove_all(folder_, ignored);
    }
}

bool ReplaySession::start(const Replay& replay, std::string& error, bool firstStart) {
    folder_ = makeScratchFolder("shardfall-replay");
    if (folder_.empty()) {
        error = "cannot make a scratch folder in the temporary folder";
        return false;
    }
    previous_ = fs::current_path();
    fs::current_path(folder_);
    // A game that found no records.dat it could read had no way to write one either: a folder
    // in its place does the same here, a default table at every look and no save.
    std::error_code folderError;
    if (!writeFile(BackgroundFileName, GradientBackgroundFile()) ||
        (replay.records ? !writeFile(RECORDS_FILE_NAME, *replay.records)
                        : !firstStart && !fs::create_directory(RECORDS_FILE_NAME, folderError))) {
        error = "cannot write into the scratch folder " + folder_.string();
        return false;
    }

    // As at program start: the table loads records.dat, then the music start-up seeds.
    game_ = std::make_unique<Game>();
    initMusic(replay.seed);
    setAudioDevice(&silence);
    tickMilliseconds = 0;
    display_.fpsCounter = FpsCounter(tickClock);
    backend_ = std::make_unique<HeadlessDisplayBackend>(replay.width, replay.height);
    if (InitDisplay(display_, *backend_, *game_) != 1) {
        error = "the display did not start at " + std::to_string(replay.width) + "x" +
                std::to_string(replay.height);
        game_.reset();
        return false;
    }
    return true;
}

void ReplaySession::key(bool down, uint32_t key) {
    if (down) {
        onKeyDown(*game_, key, &effects_);
    } else {
        onKeyUp(*game_, key);
    }
}

void ReplaySession::frame() {
    tickMilliseconds += 10;
    frames_ += 1;
    RunTick(display_, *game_);
}

const SoftwareSurface& ReplaySession::screen() const {
    return *backend_->primary();
}

uint64_t framePixelsHash(const SoftwareSurface& screen) {
    // Four lanes of multiply-and-rotate over 64-bit words, folded at the end.
    constexpr uint64_t K = 0x9E3779B97F4A7C15ull;
    uint64_t lane[4] = {1, 2, 3, 4};
    const auto mix = [](uint64_t h, uint64_t v) {
        h = (h ^ v) * K;
        return (h << 31) | (h >> 33);
    };
    for (int y = 0; y < screen.height(); ++y) {
        const uint32_t* row = screen.row(y);
        int x = 0;
        for (; x + 8 <= screen.width(); x += 8) {
            for (int l = 0; l < 4; ++l) {
                lane[l] =
                    mix(lane[l], row[x + 2 * l] | static_cast<uint64_t>(row[x + 2 * l + 1]) << 32);
            }
        }
        for (; x < screen.width(); ++x) {
            lane[0] = mix(lane[0], row[x]);
        }
    }
    uint64_t h =
        static_cast<uint64_t>(screen.width()) << 32 | static_cast<uint32_t>(screen.height());
    for (uint64_t l : lane) {
        h = mix(h, l);
    }
    return h ^ (h >> 29);
}

}  // namespace shardfall
