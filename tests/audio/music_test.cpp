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
using testing::RecordingAudioDevice;

#ifdef _WIN32
const std::string MUSIC_DIR = "music\\";
#else
const std::string MUSIC_DIR = "music/";
#endif

std::string openCall(int track) {
    return "open " + MUSIC_DIR + "music" + std::to_string(track) + ".mid alias snd";
}

std::vector<std::string> cycleCalls(int track) {
    return {openCall(track), "play snd", "close snd"};
}

// Counts the sleeps instead of sleeping; can raise the request flag during a given sleep.
struct FakeSleeper {
    int sleeps = 0;
    milliseconds slept{0};
    int requestDuringSleep = 0;  // 1-based; 0 never
    int requestsPerSleep = 1;

    MusicSleeper fn() {
        return [this](milliseconds interval) {
            ++sleeps;
            slept += interval;
            if (sleeps == requestDuringSleep) {
                for (int i = 0; i < requestsPerSleep; ++i) {
                    musicChangeRequested.store(1);
                }
            }
        };
    }
};

class MusicCycle : public ::testing::Test {
  protected:
    void SetUp() override {
        musicTrack = 2;
        musicChangeRequested = 0;
        seedRandom(12345);
    }
    void TearDown() override {
        musicTrack = 0;
        musicChangeRequested = 0;
        seedRandom(1);
    }

    RecordingAudioDevice device;
};

// The first value the generator gives after seeding 12345: tells whether a cycle drew.
int firstDrawAfterSeed() {
    seedRandom(12345);
    int value = nextRandom();
    seedRandom(12345);
    return value;
}

TEST_F(MusicCycle, RequestRestartsTheSameTrackAtTheNextPoll) {
    const int untouched = firstDrawAfterSeed();
    FakeSleeper sleeper{.requestDuringSleep = 5};

    EXPECT_TRUE(runMusicCycle(device, sleeper.fn()));

    EXPECT_EQ(sleeper.sleeps, 5);  // seen at the poll right after the sleep it came in
    EXPECT_EQ(musicChangeRequested.load(), 0);
    EXPECT_EQ(musicTrack.load(), 2);
    EXPECT_EQ(device.calls(), cycleCalls(2));
    EXPECT_EQ(nextRandom(), untouched) << "a restart must not draw a new track";
}

TEST_F(MusicCycle, PendingRequestEndsTheWaitBeforeAnySleep) {
    musicChangeRequested = 1;
    FakeSleeper sleeper;

    EXPECT_TRUE(runMusicCycle(device, sleeper.fn()));

    EXPECT_EQ(sleeper.sleeps, 0);
    EXPECT_EQ(musicChangeRequested.load(), 0);
    EXPECT_EQ(device.calls(), cycleCalls(2));
}

TEST_F(MusicCycle, TwoRequestsBeforeAPollCauseOneRestart) {
    FakeSleeper merged{.requestDuringSleep = 3, .requestsPerSleep = 2};
    EXPECT_TRUE(runMusicCycle(device, merged.fn()));

    FakeSleeper quiet;
    EXPECT_FALSE(runMusicCycle(device, quiet.fn()));
    EXPECT_EQ(quiet.sleeps, MUSIC_POLLS_PER_TRACK);
}

TEST_F(MusicCycle, WithoutRequestsTheTrackPlays2510PollsOf100ms) {
    seedRandom(12345);
    const int expectedNext = randomBelow(4);
    seedRandom(12345);
    FakeSleeper sleeper;

    EXPECT_FALSE(runMusicCycle(device, sleeper.fn()));

    EXPECT_EQ(sleeper.sleeps, 2510);
    EXPECT_EQ(sleeper.slept, milliseconds(251000));
    EXPECT_EQ(musicTrack.load(), expectedNext);
    EXPECT_EQ(device.calls(), cycleCalls(2));
}

TEST_F(MusicCycle, RequestDuringTheLastSleepRestartsTheNextTrack) {
    FakeSleeper late{.requestDuringSleep = MUSIC_POLLS_PER_TRACK};
    EXPECT_FALSE(runMusicCycle(device, late.fn()));
    const int next = musicTrack.load();

    FakeSleeper sleeper;
    EXPECT_TRUE(runMusicCycle(device, sleeper.fn()));
    EXPECT_EQ(sleeper.sleeps, 0);
    EXPECT_EQ(musicTrack.load(), next);
}

TEST_F(MusicCycle, TracksFollowTheThreadsGeneratorAndStayWithinTheFourFiles) {
    constexpr int CYCLES = 200;
    std::vector<int> draws;
    seedRandom(777);
    for (int i = 0; i < CYCLES; ++i) {
        draws.push_back(randomBelow(4));
    }
    seedRandom(777);

    // Every third cycle is cut short by a new game and must neither draw nor change track.
    std::vector<int> expectedTracks;
    int track = musicTrack.load();
    size_t drawn = 0;
    std::set<std::string> opened;
    for (int i = 0; i < CYCLES; ++i) {
        expectedTracks.push_back(track);
        const bool newGame = i % 3 == 0;
        FakeSleeper sleeper{.requestDuringSleep = newGame ? 7 : 0};
        EXPECT_EQ(runMusicCycle(device, sleeper.fn()), newGame);
        if (!newGame) {
            track = draws[drawn++];
        }
    }

    const auto calls = device.calls();
    ASSERT_EQ(calls.size(), 3u * CYCLES);
    for (int i = 0; i < CYCLES; ++i) {
        EXPECT_EQ(calls[3 * i], openCall(expectedTracks[i])) << "cycle " << i;
        opened.insert(calls[3 * i]);
    }
    EXPECT_EQ(opened, (std::set<std::string>{openCall(0), openCall(1), openCall(2), openCall(3)}));
}

TEST(InitMusic, ClearsTheRequestAndPicksATrackFromZeroToThree) {
    for (int i = 0; i < 20; ++i) {
        musicChangeRequested = 1;
        musicTrack = -1;
        initMusic();
        EXPECT_EQ(musicChangeRequested.load(), 0);
        EXPECT_GE(musicTrack.load(), 0);
        EXPECT_LE(musicTrack.load(), 3);
    }
    musicTrack = 0;
    seedRandom(1);
}

}  // namespace
}  // namespace shardfall
