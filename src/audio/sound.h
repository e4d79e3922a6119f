// Sound effects: fire and forget, by file name inside the Sounds folder.
#pragma once

namespace shardfall {

class AudioDevice;

// The game's effects: a landing, a clear of one to three rows, of four, the gem, the game's end.
inline constexpr const char* LANDING_SOUND = "pop.wav";
inline constexpr const char* CLEAR_SOUND = "xplode2.wav";
inline constexpr const char* BIG_CLEAR_SOUND = "explode.wav";
inline constexpr const char* GEM_SOUND = "gem.wav";
inline constexpr const char* GAME_OVER_SOUND = "EXORCISM.wav";

// Reads the game's five effects into the device, so that no frame ever waits for the disk.
void loadSounds(AudioDevice& device);

// Plays "Sounds\" + name asynchronously; a new effect cuts off the one still playing.
void playSound(const char* name);

}  // namespace shardfall
