// The golden file of a recorded game: what the replay player checks a run against. Text, one
// fact a line; see Golden for the lines. The state lines hold on every system; the frame
// checksums are per system, since the frames' text differs (FreeType on Linux, GDI on
// Windows).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "game/state_digest.h"

namespace shardfall {

constexpr int GOLDEN_FIELDS = static_cast<int>(StateDigest::FIELD_NAMES.size());

// What a golden file holds: per-field trails every N frames (each field's hash of every frame
// so far, folded, so that a difference that comes and goes between two lines still shows),
// records.dat as written by then (its scratch record is in no digest), frame checksums per
// system, the final digest and the events reached. Every system checks the state lines; a
// system checks its own checksums, and every system has one for each frame that any has.
//
//   every N                       trail FRAME FIELD×10          records FRAME HASH
//   pixels SYSTEM FRAME HASH      end FRAMES FIELD×10           reaches EVENT...
struct Golden {
    uint64_t every = 500;
    std::map<uint64_t, std::array<uint64_t, GOLDEN_FIELDS>> trails;
    std::map<std::string, std::map<uint64_t, uint64_t>, std::less<>> pixels;  // by system
    std::map<uint64_t, uint64_t> records;  // records.dat as the game left it on disk
    uint64_t endFrame = 0;
    std::array<uint64_t, GOLDEN_FIELDS> end{};
    std::string reaches;
};

// False with a reason for a person (naming the file and line) when the file cannot be read or a
// line is not a golden line.
bool readGolden(const std::string& path, Golden& golden, std::string& error);
// False when the file cannot be written.
bool saveGolden(const std::string& path, const Golden& golden);

// The frames with checksums, the same for every system; false (with the reason) when the
// systems name different frames.
bool pixelFrames(const Golden& golden, std::set<uint64_t>& frames, std::string& error);

// The ten fields as the golden writes them: " %016x" each.
std::string fieldsText(const std::array<uint64_t, GOLDEN_FIELDS>& fields);

}  // namespace shardfall
