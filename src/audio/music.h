// Background music: a thread of its own plays one of four MIDI files, changes track every
// 251 seconds and restarts the track when a new game asks for it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

namespace shardfall {

class AudioDevice;

// The track the music thread plays, 0 to 3. Only initMusic and the music thread write it;
// atomic so that anything else may look at it while the thread runs.
extern std::atomic<int> musicTrack;
// Set to 1 by Enter when a new game starts; the music thread sees it and sets it back to 0.
// A second request before the first is seen merges into it.
extern std::atomic<uint8_t> musicChangeRequested;

// How many polls of the request flag one track gets, and the sleep between two of them:
// 2510 × 100 ms, a little over four minutes.
constexpr int MUSIC_POLLS_PER_TRACK = 2510;
constexpr std::chrono::milliseconds MUSIC_POLL_INTERVAL{100};

// Runs during static construction, right after the program has seeded the main thread's
// generator and before the game's first random draw: clears the request and picks the first
// track, the generator's first draw.
void initMusic();

// Blocks the calling thread for the given time; the production one sleeps for real.
using MusicSleeper = std::function<void(std::chrono::milliseconds)>;

// One turn of the music thread: opens and plays the current track, waits for a request or the
// end of the track's time, draws the next track only if the time ran out, and closes.
// Returns true when a request ended the wait.
bool runMusicCycle(AudioDevice& device, const MusicSleeper& sleep);

// The music thread's entry: seeds its own generator and cycles for the life of the process,
// through whichever device is installed when each cycle starts. Never returns.
[[noreturn]] void musicThread();

}  // namespace shardfall
