#include "audio/music.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "support/recording_audio_device.h"
#include "sys/random.h"

namespace shardfall {
namespace {

using std::chrono::milliseconds;

#ifdef _WIN32
const std::string MUSIC_DIR = "music\\";
#else
const std::string MUSIC_DIR = "music/";
#endif

std::vector<std::string> cycleCalls(int track) {
    return {"open " + MUSIC_DIR + "music" + std::to_string(track) + ".mid alias snd", "play snd",
            "close snd"};
}

// Counts the sleeps instead of sleeping, raising the request flag during one of them.
struct FakeSleeper {
    int sleeps = 0;
    milliseconds slept{0};
    int requestDuringSleep = 0;  // 1-based; 0 never
    int requestsPerSleep = 1;

    MusicSleeper fn() {
        return [this](milliseconds interval) {
            slept += interval;
            if (++sleeps == requestDuringSleep) {
                for (int i = 0; i < requestsPerSleep; ++i) {
                    musicChangeRequested.store(1);
                }
            }
        };
    }
};

// A request, pending or made while the track plays, ends the wait at the next poll and restarts
// the same track without a draw (two requests before a poll are one); without one the track
// plays 2510 polls of 100 ms and the next is the generator's draw, also when a request comes
// with the last sleep (that one restarts the next track at once).
TEST(MusicCycle, RequestsRestartTheTrackAndTheTimeDrawsTheNext) {
    testing::RecordingAudioDevice device;
    const struct {
        const char* what;
        bool pending;
        FakeSleeper sleeper;
        bool restarted;
        int sleeps;
    } cases[] = {
        {"pending", true, {}, true, 0},
        {"in the 5th sleep", false, {.requestDuringSleep = 5}, true, 5},
        {"two in the 3rd sleep", false, {.requestDuringSleep = 3, .requestsPerSleep = 2}, true, 3},
        {"none", false, {}, false, MUSIC_POLLS_PER_TRACK},
        {"in the last sleep",
         false,
         {.requestDuringSleep = MUSIC_POLLS_PER_TRACK},
         false,
         MUSIC_POLLS_PER_TRACK},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.what);
        musicTrack = 2;
        musicChangeRequested = c.pending ? 1 : 0;
        device.clear();
        seedRandom(12345);
        const int drawn = randomBelow(4);
        seedRandom(12345);
        EXPECT_EQ(runMusicCycle(device, c.sleeper.fn()), c.restarted);
        EXPECT_EQ(c.sleeper.sleeps, c.sleeps);
        EXPECT_EQ(c.sleeper.slept, c.sleeps * MUSIC_POLL_INTERVAL);
        EXPECT_EQ(device.calls(), cycleCalls(2));
        EXPECT_EQ(musicTrack.load(), c.restarted ? 2 : drawn);
        if (c.restarted) {
            EXPECT_EQ(musicChangeRequested.load(), 0);
            EXPECT_EQ(randomBelow(4), drawn) << "a restart must not draw";
        }
        // Whatever is left pending (one request merged from two, or the last sleep's) is seen
        // at once by the next cycle.
        FakeSleeper next;
        EXPECT_EQ(runMusicCycle(device, next.fn()),
                  c.sleeps == MUSIC_POLLS_PER_TRACK && c.sleeper.requestDuringSleep != 0);
    }
    musicTrack = 0;
    musicChangeRequested = 0;
    seedRandom(1);
}

// initMusic clears the request and draws the first track from the generator, and the end of a
// track draws the next: each of the four, both times.
TEST(InitMusic, ClearsTheRequestAndPicksEachOfTheFourTracks) {
    seedRandom(777);
    testing::RecordingAudioDevice device;
    std::set<int> picked;
    std::set<int> next;
    for (int i = 0; i < 100; ++i) {
        musicChangeRequested = 1;
        musicTrack = -1;
        initMusic();
        EXPECT_EQ(musicChangeRequested.load(), 0);
        picked.insert(musicTrack.load());
        FakeSleeper sleeper;
        runMusicCycle(device, sleeper.fn());
        next.insert(musicTrack.load());
    }
    EXPECT_EQ(picked, (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(next, picked);
    musicTrack = 0;
    seedRandom(1);
}

}  // namespace
}  // namespace shardfall
