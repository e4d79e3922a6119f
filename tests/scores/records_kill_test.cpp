// records.dat must survive the program dying at any moment of a save, and a disk that fills up
// half-way through one. Children forked here only run the table's save path and never return.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "scores/high_score_table.h"
#include "support/temp_folder.h"
#include "sys/atomic_file.h"
#include "sys/random.h"

namespace shardfall {
namespace {

constexpr int KILLS = 100;
constexpr int BASE_SCORE = 2000;

// Saves forever, each time with place 1 carrying the next count in its score, lines and seconds.
[[noreturn]] void saveForever(HighScoreTable& table) {
    for (int32_t count = table.records[0].lines + 1;; ++count) {
        table.records[0].score = BASE_SCORE + count;
        table.records[0].lines = count;
        table.records[0].seconds = count;
        table.save();
    }
}

TEST(RecordsKill, EveryKillLeavesAWholeTable) {
    TempFolder folder;
    seedRandom(1);
    HighScoreTable table;
    table.records[0].lines = 0;
    table.records[0].seconds = 0;
    table.save();
    const std::array<ScoreRecord, TABLE_SLOTS> base = std::to_array(table.records);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("delay seed " + std::to_string(seed));
    std::mt19937 generator(seed);
    std::uniform_int_distribution<useconds_t> delay(0, 20000);

    int killedMidSave = 0;
    int32_t lastCount = 0;
    for (int kill = 0; kill < KILLS; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            saveForever(table);
        }
        ::usleep(delay(generator));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        const std::vector<unsigned char> bytes = fileBytes(RECORDS_FILE_NAME);
        ASSERT_EQ(bytes.size(), sizeof table.records);
        ScoreRecord saved[TABLE_SLOTS];
        std::memcpy(saved, bytes.data(), bytes.size());
        // Places 2 to 10, the scratch slot and place 1's name are as the child found them ...
        ASSERT_EQ(std::memcmp(&saved[1], &base[1], sizeof(ScoreRecord) * (TABLE_SLOTS - 1)), 0);
        ASSERT_EQ(std::memcmp(saved[0].name, base[0].name, sizeof base[0].name), 0);
        // ... and place 1 is one whole save, never older than the last one seen.
        const int32_t count = saved[0].lines;
        ASSERT_EQ(saved[0].score, BASE_SCORE + count);
        ASSERT_EQ(saved[0].seconds, count);
        ASSERT_GE(count, lastCount);
        lastCount = count;

        // A child killed inside a save may leave its temporary file; the next save takes that
        // same file over, so however many kills there were, at most one lies beside the table.
        int temporaries = 0;
        for (const std::string& name : folder.entries()) {
            if (name != RECORDS_FILE_NAME) {
                ASSERT_TRUE(name.starts_with("records.dat.") && name.ends_with(".tmp")) << name;
                ++temporaries;
            }
        }
        ASSERT_LE(temporaries, 1);
        killedMidSave += temporaries;
        table.load();
    }
    // The kills did land inside saves, and the children did get saves through.
    EXPECT_GT(killedMidSave, 0);
    EXPECT_GT(lastCount, 0);
}

TEST(RecordsKill, FullDiskLeavesTheOldFile) {
    TempFolder folder;
    seedRandom(1);
    HighScoreTable table;
    const std::vector<unsigned char> before = fileBytes(RECORDS_FILE_NAME);
    ASSERT_EQ(before.size(), sizeof table.records);

    // With room for the whole file the same save goes through, which shows what stopped the
    // smaller ones.
    for (const rlim_t room : {rlim_t{0}, rlim_t{100}, rlim_t{307}, rlim_t{308}}) {
        SCOPED_TRACE("room for " + std::to_string(room) + " bytes");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit = {room, room};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            table.records[0].score = 5555;
            const bool saved =
                writeFileAtomically(RECORDS_FILE_NAME, std::as_bytes(std::span(table.records)));
            table.insert(6666, 1, 1, "FULL");
            ::_exit(saved ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"records.dat"});
        if (room < before.size()) {
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(fileBytes(RECORDS_FILE_NAME), before);
        } else {
            EXPECT_EQ(WEXITSTATUS(status), 1);
            table.load();
            EXPECT_EQ(table.records[0].score, 6666);
            EXPECT_EQ(table.records[1].score, 5555);
        }
    }
}

}  // namespace
}  // namespace shardfall
