// The replay file: what the recorder writes reads back as the same game, and a damaged file is
// turned away with a message saying what is wrong, never played or over-allocated.
#include "replay/replay_file.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/temp_folder.h"

namespace shardfall {
namespace {

Replay recordedGame(TempFolder&) {
    ReplayRecorder recorder;
    StateDigest digest;
    digest.fields = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xFFFFFFFFFFFFFFFFull};
    EXPECT_TRUE(recorder.open("game.sfr", 8192, 1080, 0xDEADBEEF, std::vector<uint8_t>(308, 7)));
    recorder.frame();
    recorder.keyDown(37);
    // A run of 128, the first that does not fit in one byte.
    for (int i = 0; i < 128; ++i) {
        recorder.frame();
    }
    recorder.keyUp(37);
    recorder.activate(false);
    recorder.keyDown(255);
    recorder.activate(true);
    recorder.frame();
    recorder.finish(digest);

    Replay replay;
    std::string error;
    EXPECT_TRUE(readReplayFile("game.sfr", replay, error)) << error;
    return replay;
}

TEST(ReplayFile, ReadsBackWhatTheRecorderWroteAndTurnsAwayDamagedFiles) {
    TempFolder folder;
    const Replay recorded = recordedGame(folder);
    EXPECT_EQ(recorded.width, 8192);  // the widest screen taken
    EXPECT_EQ(recorded.height, 1080);
    EXPECT_EQ(recorded.seed, 0xDEADBEEFu);
    EXPECT_EQ(recorded.records, std::vector<uint8_t>(308, 7));
    const std::vector<ReplayEvent> expected = {
        {ReplayEvent::FRAMES, 1},   {ReplayEvent::PRESS, 37},  {ReplayEvent::FRAMES, 128},
        {ReplayEvent::RELEASE, 37}, {ReplayEvent::DEACTIVATE}, {ReplayEvent::PRESS, 255},
        {ReplayEvent::ACTIVATE},    {ReplayEvent::FRAMES, 1}};
    EXPECT_EQ(recorded.events, expected);
    EXPECT_EQ(recorded.endFrames, 130u);
    EXPECT_EQ(recorded.endDigest->fields[9], 0xFFFFFFFFFFFFFFFFull);
    // Header and table 324 bytes, the events 14, the end 83.
    const std::vector<uint8_t> good = encodeReplay(recorded);
    EXPECT_EQ(good.size(), 421u);
    const size_t events = 324;  // where the events begin
    const auto with = [&](size_t at, std::vector<uint8_t> bytes, bool cut = false) {
        std::vector<uint8_t> damaged(good.begin(), good.begin() + static_cast<ptrdiff_t>(at));
        damaged.insert(damaged.end(), bytes.begin(), bytes.end());
        if (!cut) {
            damaged.insert(damaged.end(), good.begin() + static_cast<ptrdiff_t>(at + bytes.size()),
                           good.end());
        }
        return damaged;
    };
    const struct {
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {
        {{}, "does not start with SFRP"},
        {with(0, {'S', 'F', 'R', 'Q'}), "does not start with SFRP"},
        {with(4, {2}), "version 2"},
        {with(5, {0x00, 0x80}), "screen of 0x"},
        {with(5, {0x81, 0x40}), "screen of 8193x"},
        {with(13, {2}), "records.dat flag of 2"},
        {with(14, {0xB5, 0x02}), "records.dat of 309 bytes"},
        {with(14, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, true),
         "number too large"},
        {with(100, {}, true), "ends inside records.dat"},
        {with(events, {0x85}), "unknown event 0x85"},
        {with(events + 1, {0x81, 0x80, 0x02}), "key code 256"},
        {with(events, {0x80, 0x00}), "a run of 0 frames"},
        {with(events, {0x81}, true), "ends inside a key event"},
        {with(good.size() - 82, {0x2F, 0x00}), "the end counts 47 frames but the events hold 130"},
        {with(good.size() - 3, {}, true), "ends inside the final digest"},
        {with(good.size(), {1}, true), "bytes after the end"},
    };
    for (const auto& c : cases) {
        Replay replay;
        std::string error;
        EXPECT_FALSE(decodeReplay(c.bytes, replay, error)) << c.message;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    // Cut short between two events: a game that did not exit normally, played as far as it goes.
    Replay replay;
    std::string error;
    ASSERT_TRUE(decodeReplay(with(good.size() - 83, {}, true), replay, error)) << error;
    EXPECT_FALSE(replay.endDigest);
    EXPECT_EQ(replay.frames(), 130u);
    // Runs longer than one event holds, however the file cuts them, read and write back alike.
    ASSERT_TRUE(decodeReplay(
        with(events, {5, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x80, 0x81, 0x80, 0x80, 0x80, 0x08},
             true),
        replay, error))
        << error;
    const std::vector<ReplayEvent> full = {{ReplayEvent::FRAMES, UINT32_MAX},
                                           {ReplayEvent::FRAMES, 0x80000006u}};
    EXPECT_EQ(replay.events, full);
    ASSERT_TRUE(decodeReplay(encodeReplay(replay), replay, error)) << error;
    EXPECT_EQ(replay.events, full);
}

}  // namespace
}  // namespace shardfall
