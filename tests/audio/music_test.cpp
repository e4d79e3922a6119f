#include "audio/music.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "sys/audio_device.h"
#include "sys/game_files.h"
#include "sys/random.h"

namespace shardfall {
namespace {

using std::chrono::milliseconds;

// Plays nothing and keeps every music call, in order.
struct RecordingAudioDevice final : AudioDevice {
    void playEffect(std::string_view) override {}
    bool openMusic(const std::string& path, const std::string& alias) override {
        calls.push_back("open " + path + " alias " + alias);
        return true;
    }
    bool playMusic(const std::string& alias) override {
        calls.push_back("play " + alias);
        return true;
    }
    void closeMusic(const std::string& alias) override { calls.push_back("close " + alias); }
    std::vector<std::string> calls;
};

// Counts the sleeps instead of sleeping, raising the request flag during the given one (from 1).
struct FakeSleeper {
    int requestIn = 0;
    int sleeps = 0;
    milliseconds slept{0};
    void operator()(milliseconds interval) {
        slept += interval;
        if (++sleeps == requestIn) {
            musicChangeRequested = 1;
        }
    }
};

// A request, pending or made while the track plays, ends the wait at the next poll and restarts
// the same track without a draw; without one the track plays 2510 polls of 100 ms and the next
// is the generator's draw, also when a request comes with the last sleep (that one restarts the
// next track at once).
TEST(MusicCycle, RequestsRestartTheTrackAndTheTimeDrawsTheNext) {
    const struct {
        const char* what;
        bool pending;
        int requestIn;
        bool restarted;
        int sleeps;
    } cases[] = {
        {"pending", true, 0, true, 0},
        {"in the 5th sleep", false, 5, true, 5},
        {"none", false, 0, false, MUSIC_POLLS_PER_TRACK},
        {"in the last sleep", false, MUSIC_POLLS_PER_TRACK, false, MUSIC_POLLS_PER_TRACK},
    };
    const std::vector<std::string> cycle = {"open " + hostPath("music\\music2.mid") + " alias snd",
                                            "play snd", "close snd"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingAudioDevice device;
        musicTrack = 2;
        musicChangeRequested = c.pending ? 1 : 0;
        seedRandom(12345);
        const int drawn = randomBelow(4);
        seedRandom(12345);
        FakeSleeper sleeper{c.requestIn};
        EXPECT_EQ(runMusicCycle(device, std::ref(sleeper)), c.restarted);
        EXPECT_EQ(sleeper.sleeps, c.sleeps);
        EXPECT_EQ(sleeper.slept, c.sleeps * MUSIC_POLL_INTERVAL);
        EXPECT_EQ(device.calls, cycle);
        EXPECT_EQ(musicTrack.load(), c.restarted ? 2 : drawn);
        if (c.restarted) {
            EXPECT_EQ(musicChangeRequested.load(), 0);
            EXPECT_EQ(randomBelow(4), drawn) << "a restart must not draw";
        }
        // The last sleep's request is still pending and is seen at once by the next cycle.
        FakeSleeper next;
        EXPECT_EQ(runMusicCycle(device, std::ref(next)), c.requestIn == MUSIC_POLLS_PER_TRACK);
    }
    musicTrack = 0;
    musicChangeRequested = 0;
    seedRandom(1);
}

// initMusic clears the request and draws the first track from the generator, and the end of a
// track draws the next: each of the four, both times.
TEST(InitMusic, ClearsTheRequestAndPicksEachOfTheFourTracks) {
    seedRandom(777);
    RecordingAudioDevice device;
    std::set<int> picked;
    std::set<int> next;
    for (int i = 0; i < 100; ++i) {
        musicChangeRequested = 1;
        musicTrack = -1;
        initMusic();
        EXPECT_EQ(musicChangeRequested.load(), 0);
        picked.insert(musicTrack.load());
        FakeSleeper sleeper;
        runMusicCycle(device, std::ref(sleeper));
        next.insert(musicTrack.load());
    }
    EXPECT_EQ(picked, (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(next, picked);
    musicTrack = 0;
    seedRandom(1);
}

}  // namespace
}  // namespace shardfall
