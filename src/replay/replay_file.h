// A recorded game: what the game started from (screen size, the generator's seed, records.dat)
// and every input it was handed, tick by tick, so that another build can play the same game.
//
// The file, all integers little-endian, "varint" meaning 7 bits a byte, low bits first:
//   "SFRP", version byte (1)
//   width, height (varint each)
//   seed (4 bytes)
//   records.dat: 0 when there was none, else 1, its length (varint, at most 308) and its bytes
//   events, each one byte and perhaps a varint:
//     0x01-0x7F   that many frames with no input between them
//     0x80 n      n frames (n >= 1)
//     0x81 key    key press (Windows virtual-key code)
//     0x82 key    key release
//     0x83        the window became active
//     0x84        the window stopped being active
//     0x00        end: frames in all (varint), then the final state digest (10 × 8 bytes)
// Keys and activation changes come before the frame they preceded. A file without the end
// event is one whose game did not exit normally; it plays as far as it goes.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "game/state_digest.h"

namespace shardfall {

constexpr uint8_t REPLAY_VERSION = 1;
constexpr size_t REPLAY_RECORDS_MAX = 308;

struct ReplayEvent {
    enum Kind : uint8_t { FRAMES, PRESS, RELEASE, ACTIVATE, DEACTIVATE };
    Kind kind;
    uint32_t value = 0;  // frames for FRAMES, the key code for keys

    bool operator==(const ReplayEvent&) const = default;
};

struct Replay {
    int width = 1024;
    int height = 768;
    uint32_t seed = 0;
    std::optional<std::vector<uint8_t>> records;  // none: the game found no records.dat
    // FRAMES never 0, and two in a row only when the first holds UINT32_MAX frames.
    std::vector<ReplayEvent> events;
    // From the end event; absent when the recording stopped short.
    std::optional<uint64_t> endFrames;
    std::optional<StateDigest> endDigest;

    uint64_t frames() const;
};

std::vector<uint8_t> encodeReplay(const Replay& replay);
// Fills the replay, or returns false with a message naming what is wrong and where.
bool decodeReplay(const std::vector<uint8_t>& bytes, Replay& replay, std::string& error);
// The first 308 bytes of a records.dat as a game starts from it; none when it cannot be read
// (the game could then not write one either, or it would have made its default table).
std::optional<std::vector<uint8_t>> readRecordsFile(const char* path);
// Reads a file of at most 64 MiB and decodes it.
bool readReplayFile(const std::string& path, Replay& replay, std::string& error);

// Writes a replay as the game runs: the header at once, the events as they come (frames
// gathered into runs), flushed now and then so that a crash loses little.
class ReplayRecorder {
  public:
    ReplayRecorder() = default;
    ~ReplayRecorder();
    ReplayRecorder(const ReplayRecorder&) = delete;
    ReplayRecorder& operator=(const ReplayRecorder&) = delete;

    // False when the file cannot be created.
    bool open(const std::string& path, int width, int height, uint32_t seed,
              const std::optional<std::vector<uint8_t>>& records);
    void frame();
    void keyDown(uint32_t key) { event(0x81, key); }
    void keyUp(uint32_t key) { event(0x82, key); }
    void activate(bool active) { event(active ? 0x83 : 0x84, std::nullopt); }
    // Writes the end event and closes the file.
    void finish(const StateDigest& digest);

    uint64_t frames() const { return frames_; }

  private:
    void event(uint8_t code, std::optional<uint32_t> value);
    void flushRun();

    std::FILE* file_ = nullptr;
    std::vector<uint8_t> buffer_;
    uint64_t frames_ = 0;
    uint64_t run_ = 0;
};

}  // namespace shardfall
