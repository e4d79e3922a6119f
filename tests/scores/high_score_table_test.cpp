#include "scores/high_score_table.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "sys/random.h"

namespace shardfall {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t FILE_SIZE = 308;
const std::array<std::string, 10> UNSEEDED_NAMES = {"ZORBU", "LUVESH", "ZORBU", "QUELTA", "PIMU",
                                                    "TROK",  "QUELTA", "GANT",  "QUELTA", "ZORBU"};

ScoreRecord makeRecord(const char* name, int score, int lines = 0, int seconds = 0) {
    ScoreRecord record = {};
    std::memcpy(record.name, name, strnlen(name, sizeof record.name));
    record.score = score;
    record.lines = lines;
    record.seconds = seconds;
    return record;
}

void writeFile(const char* path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void writeRecordsFile(const std::array<ScoreRecord, TABLE_SLOTS>& records) {
    writeFile(RECORDS_FILE_NAME, records.data(), sizeof(ScoreRecord) * records.size());
}

std::vector<unsigned char> tableBytes(const HighScoreTable& table) {
    const auto* begin = reinterpret_cast<const unsigned char*>(table.records);
    return {begin, begin + sizeof table.records};
}

// Runs `check` in a child process that cannot bypass file permissions (root becomes nobody), and
// returns its exit code, or -1 when it did not exit normally.
template <typename Check>
int runUnprivileged(Check check) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(100);
        }
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class HighScoreTableTest : public ::testing::Test {
  protected:
    // The table is built before the game seeds its generator, which is state 1.
    void SetUp() override { seedRandom(1); }

    TempFolder folder;
};

// The default table holds 2000, 1800, ... 200. A score enters below every equal one and only when
// it beats place 10; scores compare unsigned. An entry saves the table, a refusal writes nothing.
TEST_F(HighScoreTableTest, ScoresEnterBelowTheirEqualsAndOnlyAbovePlaceTen) {
    const struct {
        int score;
        int place;  // index of the new record, -1 when it does not enter
    } cases[] = {{2001, 0}, {2000, 1}, {1000, 6}, {201, 9}, {200, -1}, {199, -1}, {0, -1}, {-5, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.score);
        fs::remove(RECORDS_FILE_NAME);
        seedRandom(1);
        HighScoreTable table;
        const std::array<ScoreRecord, TABLE_SLOTS> old = std::to_array(table.records);
        fs::remove(RECORDS_FILE_NAME);
        table.insert(c.score, 7, 100, "NEWCOMER");
        if (c.place < 0) {
            EXPECT_EQ(std::memcmp(table.records, old.data(), sizeof table.records), 0);
            EXPECT_FALSE(fs::exists(RECORDS_FILE_NAME));
            continue;
        }
        EXPECT_EQ(std::memcmp(table.records, old.data(), c.place * sizeof(ScoreRecord)), 0);
        EXPECT_EQ(recordName(table.records[c.place]), "NEWCOMER");
        EXPECT_EQ(table.records[c.place].score, c.score);
        EXPECT_EQ(table.records[c.place].lines, 7);
        EXPECT_EQ(table.records[c.place].seconds, 100);
        // The places below move down one slot; old place 10 lands in the scratch slot.
        EXPECT_EQ(std::memcmp(&table.records[c.place + 1], &old[c.place],
                              (TABLE_PLACES - c.place) * sizeof(ScoreRecord)),
                  0);
        EXPECT_EQ(fileBytes(RECORDS_FILE_NAME), tableBytes(table));
    }
}

TEST_F(HighScoreTableTest, OutOfOrderFileIsFullySortedByTheFirstEntry) {
    const int scores[TABLE_SLOTS] = {300, 900, 10, 700, 100, 700, 500, 50, 800, 60, 5};
    std::array<ScoreRecord, TABLE_SLOTS> records;
    for (int i = 0; i < TABLE_SLOTS; ++i) {
        const std::string name = std::string("P").append(std::to_string(i));
        records[i] = makeRecord(name.c_str(), scores[i], i, i);
    }
    writeRecordsFile(records);
    HighScoreTable table;

    // The entry test looks at slot 9 (60), not at the lowest score.
    table.insert(40, 0, 0, "LOW");
    EXPECT_EQ(std::memcmp(table.records, records.data(), sizeof table.records), 0);

    table.insert(70, 0, 0, "NEW");
    const char* expected[TABLE_SLOTS] = {"P1", "P8",  "P3", "P5", "P6", "P0",
                                         "P4", "NEW", "P9", "P7", "P2"};
    for (int i = 0; i < TABLE_SLOTS; ++i) {
        EXPECT_EQ(recordName(table.records[i]), expected[i]) << "slot " << i;
    }
    EXPECT_EQ(fileBytes(RECORDS_FILE_NAME), tableBytes(table));
}

TEST_F(HighScoreTableTest, EmptyFileLeavesAFreshTableZero) {
    writeFile(RECORDS_FILE_NAME, "", 0);
    HighScoreTable table;
    EXPECT_EQ(tableBytes(table), std::vector<unsigned char>(FILE_SIZE, 0));
    EXPECT_EQ(nextRandom(), 41);  // no default table was made

    table.insert(1, 2, 3, "ONE");
    EXPECT_EQ(recordName(table.records[0]), "ONE");
    EXPECT_EQ(table.records[0].seconds, 3);
    EXPECT_EQ(table.records[1].score, 0);
    EXPECT_EQ(fileBytes(RECORDS_FILE_NAME), tableBytes(table));
}

TEST_F(HighScoreTableTest, ShortFileFillsOnlyTheLeadingBytes) {
    HighScoreTable table;
    const auto before = tableBytes(table);

    const std::vector<unsigned char> head(30, 0xAB);
    writeFile(RECORDS_FILE_NAME, head.data(), head.size());
    table.load();
    auto expected = before;
    std::copy(head.begin(), head.end(), expected.begin());
    EXPECT_EQ(tableBytes(table), expected);

    // Bytes after the 308th are ignored.
    std::vector<unsigned char> longer(500);
    for (std::size_t i = 0; i < longer.size(); ++i) {
        longer[i] = static_cast<unsigned char>(i * 7);
    }
    writeFile(RECORDS_FILE_NAME, longer.data(), longer.size());
    table.load();
    EXPECT_EQ(tableBytes(table), std::vector<unsigned char>(longer.begin(), longer.begin() + 308));
}

TEST_F(HighScoreTableTest, NamesAreBoundedToTheirField) {
    std::array<ScoreRecord, TABLE_SLOTS> records;
    for (auto& record : records) {
        record = makeRecord("", 10);
        std::memset(record.name, 'A', sizeof record.name);
    }
    writeRecordsFile(records);
    HighScoreTable table;
    EXPECT_EQ(recordName(table.records[0]), std::string(16, 'A'));

    // An unterminated 16-byte argument: nothing past it is read (the sanitizer build checks).
    const auto unterminated = std::make_unique<char[]>(16);
    std::memset(unterminated.get(), 'B', 16);
    table.insert(100, 1, 1, unterminated.get());
    EXPECT_EQ(recordName(table.records[0]), std::string(15, 'B'));

    table.insert(200, 1, 1, "A NAME WELL OVER FIFTEEN CHARACTERS");
    EXPECT_EQ(recordName(table.records[0]), "A NAME WELL OVE");

    table.insert(300, 1, 1, nullptr);
    EXPECT_EQ(recordName(table.records[0]), "");
}

TEST_F(HighScoreTableTest, FolderInPlaceOfTheFileGivesTheDefaultTableAndStays) {
    HighScoreTable table;
    table.insert(9999, 1, 1, "X");
    fs::remove(RECORDS_FILE_NAME);
    fs::create_directory(RECORDS_FILE_NAME);

    // A folder cannot be opened as a file: a new default table, as for a missing file.
    seedRandom(1);
    table.load();
    for (int i = 0; i < TABLE_PLACES; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(recordName(table.records[i]), UNSEEDED_NAMES[i]);
        EXPECT_EQ(table.records[i].score, 2000 - 200 * i);
    }
    // Saving over a folder fails and leaves no temporary file behind.
    table.insert(9999, 1, 1, "X");
    EXPECT_TRUE(fs::is_empty(RECORDS_FILE_NAME));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"records.dat"});

    // A pipe without a writer neither hangs the load nor changes the table.
    fs::remove(RECORDS_FILE_NAME);
    ASSERT_EQ(::mkfifo(RECORDS_FILE_NAME, 0600), 0);
    const auto withEntry = tableBytes(table);
    table.load();
    EXPECT_EQ(tableBytes(table), withEntry);
}

TEST_F(HighScoreTableTest, UnwritableFolderWritesNothing) {
    ::chmod(folder.path().c_str(), 0555);
    const int result = runUnprivileged([] {
        HighScoreTable table;
        if (table.records[0].score != 2000) {
            return 1;
        }
        table.insert(5000, 1, 1, "NOBODY");
        if (recordName(table.records[0]) != "NOBODY") {
            return 2;
        }
        return ::access(RECORDS_FILE_NAME, F_OK) == 0 ? 3 : 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(folder.entries().empty());

    // A folder that has gone away altogether.
    ::chmod(folder.path().c_str(), 0700);
    ASSERT_EQ(::rmdir(folder.path().c_str()), 0);
    HighScoreTable table;
    EXPECT_EQ(table.records[9].score, 200);
    table.insert(5000, 1, 1, "GONE");
    EXPECT_FALSE(fs::exists(folder.path()));
}

// A save that fails is said in one line on stderr naming the file and why, once while saving keeps
// failing (the scores screen remakes and saves a table it cannot read in every frame) and again
// after a save that worked; a save that works says nothing.
TEST_F(HighScoreTableTest, FailedSaveIsSaidOnceOnStderr) {
    testing::internal::CaptureStderr();
    HighScoreTable table;
    table.insert(5000, 1, 1, "SAVED");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // records.dat leads into a "folder" that is a file: no save can work, not even as root.
    const std::string line = "shardfall: cannot save the high-score table " +
                             (fs::current_path() / RECORDS_FILE_NAME).string() +
                             ": Not a directory\n";
    writeFile("plain", "", 0);
    fs::remove(RECORDS_FILE_NAME);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        fs::create_symlink("plain/records.dat", RECORDS_FILE_NAME);
        testing::internal::CaptureStderr();
        table.insert(6000 + round, 1, 1, "LOST");
        table.save();
        table.load();
        table.load();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), line);
        // A save that works in between.
        fs::remove(RECORDS_FILE_NAME);
        testing::internal::CaptureStderr();
        table.save();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        fs::remove(RECORDS_FILE_NAME);
    }
}

TEST_F(HighScoreTableTest, ReadOnlyFileIsNotReplaced) {
    { HighScoreTable table; }
    const auto before = fileBytes(RECORDS_FILE_NAME);
    ::chmod(RECORDS_FILE_NAME, 0444);
    ::chmod(folder.path().c_str(), 0777);
    const int result = runUnprivileged([] {
        HighScoreTable table;
        table.insert(5000, 1, 1, "NOBODY");
        return recordName(table.records[0]) == "NOBODY" ? 0 : 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(fileBytes(RECORDS_FILE_NAME), before);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"records.dat"});
}

}  // namespace
}  // namespace shardfall
