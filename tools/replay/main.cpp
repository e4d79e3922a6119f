// Plays a recorded game (shardfall --record FILE) at full speed without a window and prints
// the game's state digest every N frames and at the end, checksums of chosen frames' pixels,
// or writes those frames as PNG pictures. With --check it compares the run with a golden file
// and names the first frame and field that differ; --write-golden makes one, with this
// system's frame checksums; --add-pixels checks a run's state against a golden and puts this
// system's checksums of the golden's frames into it.
//
//   shardfall-replay FILE [--every N] [--frames-to-hash F,F,...] [--png FRAME:PATH ...]
//                    [--coverage] [--check GOLDEN] [--write-golden GOLDEN] [--add-pixels GOLDEN]
//
// Exit code 0 when the run matches the golden and the recording's own final digest, 1 when it
// does not, 2 for a file that cannot be played, a --png frame that the recording never shows or
// cannot be written, or bad arguments (options.cpp reads them; --help prints the usage).
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "coverage.h"
#include "game/game.h"
#include "game/state_digest.h"
#include "gfx/surface.h"
#include "golden_file.h"
#include "options.h"
#include "png_writer.h"
#include "replay/replay_file.h"
#include "scores/high_score_table.h"
#include "session.h"

using namespace shardfall;

namespace {

// The system whose frame checksums this player measures and checks (the build names it): a
// game's state is the same on every system, but its frames' text is not (FreeType's glyphs on
// Linux, GDI's on Windows).
constexpr std::string_view THIS_SYSTEM = SHARDFALL_PIXELS_SYSTEM;

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return path.empty() || error ? path : absolute.string();
}

std::string digestText(const StateDigest& d) {
    std::string out;
    char hex[24];
    std::snprintf(hex, sizeof hex, "%016" PRIx64, d.combined());
    out += hex;
    for (int i = 0; i < GOLDEN_FIELDS; ++i) {
        std::snprintf(hex, sizeof hex, "%016" PRIx64, d.fields[i]);
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about a chain of
        // operator+ on a temporary string at -O2 and above.
        out.append(" ").append(StateDigest::FIELD_NAMES[i]).append("=").append(hex);
    }
    return out;
}

// The frames whose pixels a new golden keeps: the first frame of every event reached and the
// one after it (the banner and the leaderboard a little into their motion, the debris well
// into its flight), and the frames given on the command line.
std::set<uint64_t> framesWorthHashing(const Coverage& coverage, uint64_t frames) {
    std::set<uint64_t> chosen;
    static constexpr struct {
        int event;
        uint64_t offsets[3];
    } PICKS[] = {
        {DEBRIS, {0, 6, 40}},
        {DEBRIS_GRAVITY_TURN, {0, 1, 20}},
        {BANNER, {0, 30, 60}},
        {BANNER_FULL, {0, 1, 100}},
        {LEADERBOARD_SLIDE, {0, 200, 400}},
        {LEADERBOARD_REST, {0, 1, 2}},
        {WELL_HINT, {0, 1, 5}},
        {PAUSE_IN_PLAY, {0, 1, 2}},
        {PAUSE_AT_TABLE, {0, 1, 2}},
        {SCRAMBLE_E, {0, 1, 2}},
        {NAME_LETTER, {0, 1, 2}},
        {CLEAR_4, {0, 5, 30}},
        {FPS_UPDATE, {0, 1, 20}},
    };
    for (const auto& pick : PICKS) {
        const std::optional<uint64_t> first = coverage.firstFrame(pick.event);
        if (!first) {
            continue;
        }
        for (uint64_t offset : pick.offsets) {
            const uint64_t frame = *first + offset;
            if (frame >= 1 && frame <= frames) {
                chosen.insert(frame);
            }
        }
    }
    return chosen;
}

uint64_t recordsFileHash() {
    uint64_t h = 0xCBF29CE484222325ull;
    if (std::FILE* f = std::fopen(RECORDS_FILE_NAME, "rb")) {
        for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f)) {
            h = (h ^ static_cast<uint64_t>(c)) * 0x100000001B3ull;
        }
        std::fclose(f);
    }
    return h;
}

class Player {
  public:
    explicit Player(const ReplayOptions& options) : o_(options) {}
    int run();

  private:
    bool prepare(std::string& error);
    void play();
    int compareWithRecording(const StateDigest& digest) const;
    bool compareWithGolden(uint64_t frames, const StateDigest& digest);
    bool writeGolden(uint64_t frames, const StateDigest& digest);
    bool addPixels();
    void afterFrame();
    void checkRecordsFile(uint64_t frame);
    void reportStateDifference(uint64_t frame, const std::array<uint64_t, GOLDEN_FIELDS>& expected);

    const ReplayOptions& o_;
    Replay replay_;
    ReplaySession session_;
    Coverage coverage_;
    Golden golden_;
    // The golden checked against (--check, or --add-pixels, which checks the state only).
    std::string goldenPath_;
    std::set<uint64_t> goldenFrames_;
    bool checking_ = false;
    bool adding_ = false;
    bool differs_ = false;
    bool pixelsDiffer_ = false;
    uint64_t lastMatching_ = 0;
    std::array<uint64_t, GOLDEN_FIELDS> trail_{};
    std::map<uint64_t, std::array<uint64_t, GOLDEN_FIELDS>> trails_;
    std::map<uint64_t, uint64_t> pixels_;
    std::map<uint64_t, uint64_t> records_;
    bool recordsDiffer_ = false;
    bool pngsFailed_ = false;
    std::set<uint64_t> hashFrames_;
    uint64_t every_ = 0;
    bool hashAll_ = false;
};

void Player::reportStateDifference(uint64_t frame,
                                   const std::array<uint64_t, GOLDEN_FIELDS>& expected) {
    for (int i = 0; i < GOLDEN_FIELDS; ++i) {
        if (expected[i] != trail_[i]) {
            std::printf("DIFFERS: frame %" PRIu64
                        ": field %.*s first differs between frames %" PRIu64 " and %" PRIu64 "\n",
                        frame, static_cast<int>(StateDigest::FIELD_NAMES[i].size()),
                        StateDigest::FIELD_NAMES[i].data(), lastMatching_ + 1, frame);
            return;
        }
    }
}

void Player::checkRecordsFile(uint64_t frame) {
    const uint64_t hash = recordsFileHash();
    records_[frame] = hash;
    const auto it = golden_.records.find(frame);
    if (checking_ && !recordsDiffer_ && it != golden_.records.end() && it->second != hash) {
        recordsDiffer_ = true;
        std::printf("DIFFERS: frame %" PRIu64 ": records.dat as written differs\n", frame);
    }
}

void Player::afterFrame() {
    const uint64_t frame = session_.frames();
    const StateDigest digest = digestOf(session_.game());
    for (int i = 0; i < GOLDEN_FIELDS; ++i) {
        trail_[i] = (trail_[i] ^ digest.fields[i]) * 0x100000001B3ull + frame;
    }
    if (every_ != 0 && frame % every_ == 0) {
        checkRecordsFile(frame);
        if (!o_.writeGolden.empty()) {
            trails_[frame] = trail_;
        }
        if (!checking_) {
            std::printf("frame %" PRIu64 " digest %s\n", frame, digestText(digest).c_str());
        }
        if (checking_ && !differs_) {
            const auto it = golden_.trails.find(frame);
            if (it != golden_.trails.end() && it->second != trail_) {
                differs_ = true;
                reportStateDifference(frame, it->second);
            } else if (it != golden_.trails.end()) {
                lastMatching_ = frame;
            }
        }
    }
    const bool png = o_.pngs.count(frame) != 0;
    if (hashAll_ || hashFrames_.count(frame) != 0 || png) {
        const uint64_t hash = framePixelsHash(session_.screen());
        pixels_[frame] = hash;
        if (!checking_ && hashFrames_.count(frame) != 0) {
            std::printf("frame %" PRIu64 " pixels %016" PRIx64 "\n", frame, hash);
        }
        const auto own = golden_.pixels.find(THIS_SYSTEM);
        if (checking_ && !adding_ && !pixelsDiffer_ && own != golden_.pixels.end() &&
            own->second.count(frame) != 0 && own->second.at(frame) != hash) {
            pixelsDiffer_ = true;
            std::printf("DIFFERS: frame %" PRIu64 ": pixels %016" PRIx64 ", golden %016" PRIx64
                        " (%.*s)\n",
                        frame, hash, own->second.at(frame), static_cast<int>(THIS_SYSTEM.size()),
                        THIS_SYSTEM.data());
        }
        if (png && !writePng(session_.screen(), o_.pngs.at(frame))) {
            pngsFailed_ = true;
            std::fprintf(stderr, "shardfall-replay: cannot write frame %" PRIu64 " to %s\n", frame,
                         o_.pngs.at(frame).c_str());
        }
    }
}

// Reads the replay (and the golden when checking) and starts the game; false, with the reason
// in `error`, when either file cannot be read or the game cannot start.
bool Player::prepare(std::string& error) {
    if (!readReplayFile(o_.file, replay_, error)) {
        return false;
    }
    adding_ = !o_.addPixels.empty();
    goldenPath_ = adding_ ? o_.addPixels : o_.check;
    checking_ = !goldenPath_.empty();
    if (checking_ && !readGolden(goldenPath_, golden_, error)) {
        return false;
    }
    if (checking_ && !pixelFrames(golden_, goldenFrames_, error)) {
        error = goldenPath_ + ": " + error;
        return false;
    }
    // A golden with frame checksums must have this system's, or its frames would go unchecked.
    if (checking_ && !adding_ && !goldenFrames_.empty() && golden_.pixels.count(THIS_SYSTEM) == 0) {
        error = goldenPath_ + ": no frame checksums for " + std::string(THIS_SYSTEM) +
                " (shardfall-replay REPLAY --add-pixels GOLDEN makes them)";
        return false;
    }
    every_ = checking_ ? golden_.every : o_.every;
    if (!o_.writeGolden.empty() && every_ == 0) {
        every_ = 500;
    }
    hashFrames_ = o_.hashFrames;
    hashFrames_.insert(goldenFrames_.begin(), goldenFrames_.end());
    // A new golden picks its frames from the events once the run is over: every frame is
    // hashed meanwhile.
    hashAll_ = !o_.writeGolden.empty();
    return session_.start(replay_, error);
}

void Player::play() {
    Game& game = session_.game();
    for (const ReplayEvent& e : replay_.events) {
        const uint64_t next = session_.frames() + 1;
        switch (e.kind) {
            case ReplayEvent::FRAMES:
                for (uint32_t i = 0; i < e.value; ++i) {
                    coverage_.beforeFrame(game);
                    session_.frame();
                    coverage_.afterFrame(game, session_.frames());
                    afterFrame();
                }
                break;
            case ReplayEvent::PRESS:
            case ReplayEvent::RELEASE: {
                const bool down = e.kind == ReplayEvent::PRESS;
                coverage_.beforeKey(game, down, e.value);
                session_.key(down, e.value);
                coverage_.afterKey(game, next);
                break;
            }
            case ReplayEvent::ACTIVATE:
            case ReplayEvent::DEACTIVATE:
                coverage_.focus(e.kind == ReplayEvent::ACTIVATE, next);
                session_.focus(e.kind == ReplayEvent::ACTIVATE);
                break;
        }
    }
}

// Compares the end with the digest the recording itself ends with: 1 when they differ.
int Player::compareWithRecording(const StateDigest& digest) const {
    if (!replay_.endDigest) {
        std::printf("note: the recording has no end (its game did not exit normally)\n");
        return 0;
    }
    if (replay_.endDigest->fields != digest.fields) {
        const int field = digest.firstDifference(*replay_.endDigest);
        std::printf("DIFFERS: the recording ended with digest %016" PRIx64 "; field %.*s differs\n",
                    replay_.endDigest->combined(),
                    static_cast<int>(StateDigest::FIELD_NAMES[field].size()),
                    StateDigest::FIELD_NAMES[field].data());
        return 1;
    }
    std::printf("the recording's own final digest matches\n");
    return 0;
}

// Compares the end, the reached events and everything checked on the way with the golden;
// false when anything differs.
bool Player::compareWithGolden(uint64_t frames, const StateDigest& digest) {
    if (!differs_ && (frames != golden_.endFrame || digest.fields != golden_.end)) {
        differs_ = true;
        if (frames != golden_.endFrame) {
            std::printf("DIFFERS: %" PRIu64 " frames played, the golden has %" PRIu64 "\n", frames,
                        golden_.endFrame);
        } else {
            StateDigest expected;
            expected.fields = golden_.end;
            const int field = digest.firstDifference(expected);
            std::printf("DIFFERS: frame %" PRIu64 ": field %.*s differs at the end\n", frames,
                        static_cast<int>(StateDigest::FIELD_NAMES[field].size()),
                        StateDigest::FIELD_NAMES[field].data());
        }
    }
    if (coverage_.reached() != golden_.reaches) {
        differs_ = true;
        std::printf("DIFFERS: reaches   %s\n        the golden %s\n", coverage_.reached().c_str(),
                    golden_.reaches.c_str());
    }
    if (differs_ || pixelsDiffer_ || recordsDiffer_) {
        std::printf("FAILED: the run differs from %s\n", goldenPath_.c_str());
        return false;
    }
    std::printf("matches %s\n", goldenPath_.c_str());
    return true;
}

bool Player::writeGolden(uint64_t frames, const StateDigest& digest) {
    std::set<uint64_t> chosen = framesWorthHashing(coverage_, frames);
    chosen.insert(o_.hashFrames.begin(), o_.hashFrames.end());
    Golden golden;
    golden.every = every_;
    golden.trails = trails_;
    golden.records = records_;
    auto& own = golden.pixels[std::string(THIS_SYSTEM)];
    for (uint64_t frame : chosen) {
        own[frame] = pixels_[frame];
    }
    golden.endFrame = frames;
    golden.end = digest.fields;
    golden.reaches = coverage_.reached();
    if (!saveGolden(o_.writeGolden, golden)) {
        std::fprintf(stderr, "shardfall-replay: cannot write %s\n", o_.writeGolden.c_str());
        return false;
    }
    return true;
}

// After a run whose state matched the golden: this system's checksums of the golden's frames
// take the place of any it had.
bool Player::addPixels() {
    auto& own = golden_.pixels[std::string(THIS_SYSTEM)];
    own.clear();
    for (uint64_t frame : goldenFrames_) {
        const auto measured = pixels_.find(frame);
        if (measured == pixels_.end()) {
            std::fprintf(stderr, "shardfall-replay: %s names frame %" PRIu64 ", never played\n",
                         goldenPath_.c_str(), frame);
            return false;
        }
        own[frame] = measured->second;
    }
    if (!saveGolden(goldenPath_, golden_)) {
        std::fprintf(stderr, "shardfall-replay: cannot write %s\n", goldenPath_.c_str());
        return false;
    }
    std::printf("wrote the %.*s checksums of %zu frames into %s\n",
                static_cast<int>(THIS_SYSTEM.size()), THIS_SYSTEM.data(), own.size(),
                goldenPath_.c_str());
    return true;
}

int Player::run() {
    std::string error;
    if (!prepare(error)) {
        std::fprintf(stderr, "shardfall-replay: %s\n", error.c_str());
        return 2;
    }
    play();

    const uint64_t frames = session_.frames();
    const StateDigest digest = digestOf(session_.game());
    checkRecordsFile(frames);
    std::printf("end %" PRIu64 " digest %s\n", frames, digestText(digest).c_str());
    const int result = compareWithRecording(digest);
    for (const auto& [frame, path] : o_.pngs) {
        if (frame == 0 || frame > frames) {
            pngsFailed_ = true;
            std::fprintf(stderr,
                         "shardfall-replay: --png %" PRIu64
                         ": no such frame, the recording shows "
                         "frames 1 to %" PRIu64 "\n",
                         frame, frames);
        }
    }
    if (o_.coverage) {
        for (int i = 0; i < COVERAGE_EVENTS; ++i) {
            const std::optional<uint64_t> first = coverage_.firstFrame(i);
            if (!first) {
                std::printf("  %-22s %6d  never\n", Coverage::name(i), 0);
                continue;
            }
            std::printf("  %-22s %6" PRId64 "  first at frame %" PRIu64 "\n", Coverage::name(i),
                        coverage_.count(i), *first);
        }
    }
    if (checking_ && !compareWithGolden(frames, digest)) {
        return 1;
    }
    if (!o_.writeGolden.empty() && !writeGolden(frames, digest)) {
        return 2;
    }
    if (adding_ && !addPixels()) {
        return 2;
    }
    return pngsFailed_ ? 2 : result;
}

}  // namespace

int main(int argc, char** argv) {
    ReplayOptions options;
    if (const std::optional<int> exitCode = parseReplayOptions(argc, argv, options)) {
        return *exitCode;
    }
    // The game plays in a scratch folder of its own: the files named are found from here.
    for (std::string* path :
         {&options.file, &options.check, &options.writeGolden, &options.addPixels}) {
        *path = absolutePath(*path);
    }
    for (auto& [frame, path] : options.pngs) {
        path = absolutePath(path);
    }
    Player player(options);
    return player.run();
}
