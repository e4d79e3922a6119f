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

#include "platform/random.h"
#include "support/temp_folder.h"

namespace shardfall {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t FILE_SIZE = 308;

// Place i's names in the default table made from the unseeded generator (state 1): the first
// ten draws are 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962 and 24464.
const std::array<std::string, 10> UNSEEDED_NAMES = {"ZORBU", "LUVESH", "ZORBU", "QUELTA", "PIMU",
                                                    "TROK",  "QUELTA", "GANT",  "QUELTA", "ZORBU"};
constexpr int ELEVENTH_UNSEEDED_DRAW = 5705;

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

TEST_F(HighScoreTableTest, MissingFileGivesTheDefaultTableAndSavesIt) {
    HighScoreTable table;

    const int lines[10] = {13, 12, 10, 9, 8, 6, 5, 4, 2, 1};
    const int seconds[10] = {276, 253, 230, 207, 184, 161, 138, 115, 92, 69};
    for (int i = 0; i < TABLE_PLACES; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(recordName(table.records[i]), UNSEEDED_NAMES[i]);
        EXPECT_EQ(table.records[i].score, 2000 - 200 * i);
        EXPECT_EQ(table.records[i].lines, lines[i]);
        EXPECT_EQ(table.records[i].seconds, seconds[i]);
    }
    // One draw per place and no more.
    EXPECT_EQ(nextRandom(), ELEVENTH_UNSEEDED_DRAW);

    const auto bytes = fileBytes(RECORDS_FILE_NAME);
    ASSERT_EQ(bytes.size(), FILE_SIZE);
    EXPECT_EQ(bytes, tableBytes(table));
    // Place 1's score at offset 16, place 2's name at 28, place 10's seconds at 252 + 24.
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 16, bytes.begin() + 20),
              (std::vector<unsigned char>{0xD0, 0x07, 0x00, 0x00}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[28])), "LUVESH");
    EXPECT_EQ(bytes[276], 69);
    // The scratch record was never touched.
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 280, bytes.end()),
              std::vector<unsigned char>(28, 0));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"records.dat"});
}

TEST_F(HighScoreTableTest, DefaultNamesKeepTheBytesAfterTheirNul) {
    std::array<ScoreRecord, TABLE_SLOTS> records;
    for (auto& record : records) {
        record = makeRecord("", 7, 7, 7);
        std::memset(record.name, 'x', sizeof record.name);
    }
    writeRecordsFile(records);
    HighScoreTable table;
    fs::remove(RECORDS_FILE_NAME);

    seedRandom(1);
    table.load();

    for (int i = 0; i < TABLE_PLACES; ++i) {
        const std::size_t length = UNSEEDED_NAMES[i].size();
        EXPECT_EQ(recordName(table.records[i]), UNSEEDED_NAMES[i]);
        EXPECT_EQ(std::string(table.records[i].name + length + 1, 15 - length),
                  std::string(15 - length, 'x'));
    }
    EXPECT_EQ(std::memcmp(&table.records[TABLE_SLOTS - 1], &records[TABLE_SLOTS - 1],
                          sizeof(ScoreRecord)),
              0);
    EXPECT_EQ(fileBytes(RECORDS_FILE_NAME), tableBytes(table));
}

TEST_F(HighScoreTableTest, ScoreNotAbovePlaceTenNeitherEntersNorWrites) {
    HighScoreTable table;
    const auto before = tableBytes(table);
    fs::remove(RECORDS_FILE_NAME);

    table.insert(200, 50, 50, "TIE");
    table.insert(199, 50, 50, "LOW");
    table.insert(0, 0, 0, "ZERO");

    EXPECT_EQ(tableBytes(table), before);
    EXPECT_FALSE(fs::exists(RECORDS_FILE_NAME));

    table.insert(201, 3, 4, "JUST");
    EXPECT_EQ(recordName(table.records[9]), "JUST");
    EXPECT_EQ(table.records[10].score, 200);
    EXPECT_EQ(fileBytes(RECORDS_FILE_NAME), tableBytes(table));
}

TEST_F(HighScoreTableTest, ThousandEntersBelowTheExistingThousand) {
    HighScoreTable table;
    const std::array<ScoreRecord, TABLE_SLOTS> old = std::to_array(table.records);

    table.insert(1000, 7, 100, "NEWCOMER");

    EXPECT_EQ(std::memcmp(table.records, old.data(), 6 * sizeof(ScoreRecord)), 0);
    EXPECT_EQ(recordName(table.records[6]), "NEWCOMER");
    EXPECT_EQ(table.records[6].score, 1000);
    EXPECT_EQ(table.records[6].lines, 7);
    EXPECT_EQ(table.records[6].seconds, 100);
    // Old places 7 to 10 move down one slot; old place 10 lands in the scratch slot.
    EXPECT_EQ(std::memcmp(&table.records[7], &old[6], 4 * sizeof(ScoreRecord)), 0);
    EXPECT_EQ(table.records[10].score, 200);
    EXPECT_EQ(table.records[10].seconds, 69);

    const auto bytes = fileBytes(RECORDS_FILE_NAME);
    EXPECT_EQ(bytes, tableBytes(table));
    for (std::size_t k = 0; k + 1 < TABLE_SLOTS; ++k) {
        int32_t above = 0;
        int32_t below = 0;
        std::memcpy(&above, &bytes[28 * k + 16], 4);
        std::memcpy(&below, &bytes[28 * (k + 1) + 16], 4);
        EXPECT_GE(above, below) << "slot " << k;
    }
}

TEST_F(HighScoreTableTest, ScoresCompareUnsigned) {
    // Negative scores never come from a game; as unsigned values they beat everything.
    HighScoreTable table;
    table.insert(-5, 1, 1, "WRAPPED");
    EXPECT_EQ(recordName(table.records[0]), "WRAPPED");
    EXPECT_EQ(table.records[1].score, 2000);

    // And a negative place 10 lets nothing else in.
    table.insert(-7, 1, 1, "A");
    table.insert(-6, 1, 1, "B");
    table.insert(-4, 1, 1, "C");
    ASSERT_EQ(table.records[9].score, 1000);
    for (int i = 0; i < 7; ++i) {
        table.insert(-100 + i, 1, 1, "FILL");
    }
    ASSERT_LT(table.records[9].score, 0);
    const auto before = tableBytes(table);
    table.insert(1'000'000, 1, 1, "HIGH");
    EXPECT_EQ(tableBytes(table), before);
}

TEST_F(HighScoreTableTest, OutOfOrderFileIsFullySortedByTheFirstEntry) {
    const int scores[TABLE_SLOTS] = {300, 900, 10, 700, 100, 700, 500, 50, 800, 60, 5};
    std::array<ScoreRecord, TABLE_SLOTS> records;
    for (int i = 0; i < TABLE_SLOTS; ++i) {
        records[i] = makeRecord(("P" + std::to_string(i)).c_str(), scores[i], i, i);
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
    EXPECT_EQ(table.records[10].score, 10);
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

TEST_F(HighScoreTableTest, NameIsCopiedWithItsNulAndNothingMore) {
    HighScoreTable table;
    std::memset(table.records[10].name, 'Q', sizeof table.records[10].name);

    table.insert(5000, 1, 1, "");
    EXPECT_EQ(table.records[0].name[0], '\0');
    EXPECT_EQ(std::string(table.records[0].name + 1, 15), std::string(15, 'Q'));

    // The scratch slot now holds the old place 10, whose name bytes the next entry reuses.
    const std::string old(table.records[10].name, sizeof table.records[10].name);
    table.insert(6000, 1, 1, "AB");
    EXPECT_EQ(recordName(table.records[0]), "AB");
    EXPECT_EQ(std::string(table.records[0].name + 3, 13), old.substr(3));
    EXPECT_EQ(fileBytes(RECORDS_FILE_NAME), tableBytes(table));
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
    // Saving over a folder fails quietly and leaves no temporary file behind.
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

TEST_F(HighScoreTableTest, DestructorSavesTheTable) {
    std::vector<unsigned char> last;
    {
        HighScoreTable table;
        table.records[3].lines = 4242;
        fs::remove(RECORDS_FILE_NAME);
        last = tableBytes(table);
    }
    EXPECT_EQ(fileBytes(RECORDS_FILE_NAME), last);
}

TEST_F(HighScoreTableTest, SaveReplacesTheFileAndKeepsItsPermissions) {
    HighScoreTable table;
    ::chmod(RECORDS_FILE_NAME, 0640);
    table.insert(3000, 1, 1, "TOP");
    struct stat info;
    ASSERT_EQ(::stat(RECORDS_FILE_NAME, &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(fileBytes(RECORDS_FILE_NAME), tableBytes(table));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"records.dat"});
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
