// The bytes of a plain RIFF WAVE file holding one channel of 16-bit PCM samples: the game's
// built-in ding is played from such an image, and the asset generator writes its effects so.
// And the samples of such an image made quieter in place, for players who want the effects
// lower where the system plays the file as it is.
#pragma once

#include <cstdint>
#include <vector>

namespace shardfall {

std::vector<uint8_t> encodeWave(const std::vector<int16_t>& samples, uint32_t sampleRate);

// Scales every sample of an 8- or 16-bit integer PCM image by percent / 100 (0 to 100, rounded
// toward silence): 50 is half the amplitude, 6 dB lower; 100 leaves the bytes as they are. The
// chunks may come in any order; a data chunk that claims more bytes than there are is scaled
// as far as it goes. False, with nothing changed, for anything else (another encoding, no
// format or data chunk).
bool scaleWaveVolume(std::vector<uint8_t>& wave, int percent);

}  // namespace shardfall
