// Sound effects: fire and forget, by file name inside the Sounds folder.
#pragma once

namespace shardfall {

// Plays "Sounds\" + name asynchronously; a new effect cuts off the one still playing.
void playSound(const char* name);

}  // namespace shardfall
