// Whether a music file is a Standard MIDI File the synthesiser can play, judged from its bytes
// alone: the MThd header, the timing and the track chunks. Nothing here looks at the events.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace shardfall {

// True when the structure is sound; otherwise false with why the file cannot be played in
// `why`, in a few words that fit behind its name on one line.
bool midiStructureIsPlayable(std::span<const uint8_t> file, std::string& why);

}  // namespace shardfall
