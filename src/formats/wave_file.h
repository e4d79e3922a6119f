// The bytes of a plain RIFF WAVE file holding one channel of 16-bit PCM samples: the game's
// built-in ding is played from such an image, and the asset generator writes its effects so.
#pragma once

#include <cstdint>
#include <vector>

namespace shardfall {

std::vector<uint8_t> encodeWave(const std::vector<int16_t>& samples, uint32_t sampleRate);

}  // namespace shardfall
