// Whether a music file is a Standard MIDI File the synthesiser can play, judged from its bytes
// alone: the MThd header, the timing and the track chunks. Nothing here looks at the events.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace shardfall {

// Empty when the structure is sound; otherwise why the file cannot be played, in a few words
// that fit behind its name on one line.
std::string midiStructureProblem(std::span<const uint8_t> file);

}  // namespace shardfall
