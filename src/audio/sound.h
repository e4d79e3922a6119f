// Sound effects: fire and forget, by file name inside the Sounds folder.
#pragma once

namespace shardfall {

class AudioDevice;

// Reads the game's five effects into the device, so that no frame ever waits for the disk.
void loadSounds(AudioDevice& device);

// Plays "Sounds\" + name asynchronously; a new effect cuts off the one still playing.
void playSound(const char* name);

}  // namespace shardfall
