// Background music: a thread of its own plays one of four MIDI files, changes track every
// 251 seconds and restarts the track when a new game asks for it.
#pragma once

#include <atomic>
#include <cstdint>

namespace shardfall {

// The track the music thread plays, 0 to 3.
extern int musicTrack;
// Set to 1 by Enter when a new game starts; the music thread sees it and sets it back to 0.
// A second request before the first is seen merges into it.
extern std::atomic<uint8_t> musicChangeRequested;

}  // namespace shardfall
