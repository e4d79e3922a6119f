// The game's sound on SDL2_mixer: WAV effects on one channel of their own, so that a new effect
// cuts off the one still playing, and MIDI music rendered by FluidSynth with a General MIDI
// soundfont, opened, played and closed under an alias. The mix is made in floating point and a
// peak limiter keeps it under full scale, so that even a dense song never clips. A music file
// that cannot play is named on stderr with the reason, once.
#pragma once

#include <memory>

#include "sys/audio_device.h"

namespace shardfall {

// Opens the host's audio output. Returns null, after one line on stderr that says why, when
// there is none; the game then runs silent. The music thread never ends, so the program should
// keep the device for the life of the process rather than destroy it while the thread may
// still call it.
std::unique_ptr<AudioDevice> openSdlAudioDevice();

// How loud the music and the effects play, from 0 to 100; muted, nothing is heard. At 100 the
// samples are exactly those of SDL_mixer's own full volume.
struct SoundLevels {
    int music = 100;
    int effects = 100;
    bool muted = false;
};
// Sets the levels of the device opened above (SDL_mixer's volumes belong to the process).
void applySoundLevels(const SoundLevels& levels);

}  // namespace shardfall
