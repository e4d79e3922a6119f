// Writes a mono sound as a plain RIFF WAVE file with 16-bit PCM samples.
#pragma once

#include <string>
#include <vector>

namespace shardfall {

// samples are in [-1, 1]; anything beyond is held at the largest 16-bit value.
// Returns false when the file cannot be written.
bool writeWave(const std::string& path, const std::vector<double>& samples, int sampleRate);

}  // namespace shardfall
