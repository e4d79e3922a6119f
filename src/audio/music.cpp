#include "audio/music.h"

#include <cstdio>
#include <thread>

#include "sys/audio_device.h"
#include "sys/game_files.h"
#include "sys/millisecond_clock.h"
#include "sys/random.h"

namespace shardfall {

std::atomic<int> musicTrack{0};
std::atomic<uint8_t> musicChangeRequested{0};

namespace {

constexpr const char* MUSIC_ALIAS = "snd";

}  // namespace

void initMusic() {
    musicChangeRequested.store(0, std::memory_order_relaxed);
    musicTrack.store(randomBelow(4), std::memory_order_relaxed);
}

bool runMusicCycle(AudioDevice& device, const MusicSleeper& sleep) {
    char path[64];
    std::snprintf(path, sizeof path, "music\\music%i.mid",
                  musicTrack.load(std::memory_order_relaxed));
    // Results are not looked at: a track that cannot be opened leaves the music silent until
    // the wait below moves on.
    device.openMusic(hostPath(path), MUSIC_ALIAS);
    device.playMusic(MUSIC_ALIAS);

    bool requested = false;
    for (int poll = 0; poll < MUSIC_POLLS_PER_TRACK; ++poll) {
        // The flag is the only thing shared with the game thread and carries no data with it,
        // so no ordering beyond the exchange itself is needed.
        if (musicChangeRequested.exchange(0, std::memory_order_relaxed) != 0) {
            requested = true;
            break;
        }
        sleep(MUSIC_POLL_INTERVAL);
    }
    // A new game restarts the same track; only a track that ran its time gives way to a
    // random one, which may be the same again.
    if (!requested) {
        musicTrack.store(randomBelow(4), std::memory_order_relaxed);
    }

    device.closeMusic(MUSIC_ALIAS);
    return requested;
}

void musicThread() {
    // This thread has its own generator, so its draws never disturb the game's pieces.
    seedRandom(systemMilliseconds());
    const MusicSleeper sleep = [](std::chrono::milliseconds interval) {
        std::this_thread::sleep_for(interval);
    };
    for (;;) {
        runMusicCycle(audioDevice(), sleep);
    }
}

}  // namespace shardfall
