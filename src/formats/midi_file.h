// Encodes a score as a Standard MIDI File of format 1: a conductor track with the title, metre,
// key and tempo map, then one track per part on its own channel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/midi_score.h"

namespace shardfall {

std::vector<uint8_t> encodeMidi(const Score& score);

// Returns false when the file cannot be written.
bool writeMidiFile(const std::string& path, const Score& score);

}  // namespace shardfall
