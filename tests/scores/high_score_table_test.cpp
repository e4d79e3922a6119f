// The table's own rules that no golden replay reaches: scores compared unsigned (a negative
// score beats any), names cut to their field whatever they are handed, and what it does with a
// folder, a pipe or a read-only file in place of records.dat. Ties, place 10, sorting, short and
// empty files and the default table are in the golden replays (tests/replays).
#include "scores/high_score_table.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "support/temp_folder.h"
#include "sys/random.h"

namespace shardfall {
namespace {

namespace fs = std::filesystem;

// The default table holds 2000 to 200: 201 enters at place 10, 200 stays out and writes nothing,
// and -5 enters at place 1, as scores compare unsigned.
TEST(HighScoreTable, ScoresCompareUnsignedAndARefusalWritesNothing) {
    TempFolder folder;
    for (const auto& [score, place] : {std::pair{201, 9}, std::pair{200, -1}, std::pair{-5, 0}}) {
        SCOPED_TRACE(score);
        seedRandom(1);
        HighScoreTable table;
        fs::remove(RECORDS_FILE_NAME);
        table.insert(score, 7, 100, "NEWCOMER");
        EXPECT_EQ(fs::exists(RECORDS_FILE_NAME), place >= 0);
        if (place >= 0) {
            EXPECT_EQ(recordName(table.records[place]), "NEWCOMER");
            EXPECT_EQ(table.records[place].score, score);
        }
        fs::remove(RECORDS_FILE_NAME);
    }
}

// Names of 16 bytes without a NUL are read whole and never past their field; a name handed to
// the table keeps at most 15 characters, however long, and none for a null one.
TEST(HighScoreTable, NamesAreBoundedToTheirField) {
    TempFolder folder;
    ScoreRecord records[TABLE_SLOTS] = {};
    for (auto& record : records) {
        std::memset(record.name, 'A', sizeof record.name);
        record.score = 10;
    }
    std::ofstream(RECORDS_FILE_NAME, std::ios::binary)
        .write(reinterpret_cast<const char*>(records), sizeof records);
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

// A folder in the file's place cannot be opened: a default table, as for a missing file, and a
// save that fails quietly, leaving nothing behind. A pipe without a writer neither hangs the
// load nor changes the table.
TEST(HighScoreTable, FolderOrPipeInPlaceOfTheFile) {
    TempFolder folder;
    fs::create_directory(RECORDS_FILE_NAME);
    seedRandom(1);
    HighScoreTable table;
    EXPECT_EQ(table.records[9].score, 200);
    table.insert(9999, 1, 1, "X");
    EXPECT_TRUE(fs::is_empty(RECORDS_FILE_NAME));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"records.dat"});

    fs::remove(RECORDS_FILE_NAME);
    ASSERT_EQ(::mkfifo(RECORDS_FILE_NAME, 0600), 0);
    table.load();
    EXPECT_EQ(recordName(table.records[0]), "X");
}

// A records.dat that may not be written, or in a folder that may not be written, is left as it
// is (checked as a user who cannot bypass the permissions: root becomes nobody).
TEST(HighScoreTable, ReadOnlyFileOrFolderIsNotWritten) {
    for (const bool readOnlyFile : {true, false}) {
        TempFolder folder;
        { HighScoreTable table; }
        const auto before = fileBytes(RECORDS_FILE_NAME);
        ::chmod(RECORDS_FILE_NAME, readOnlyFile ? 0444 : 0666);
        ::chmod(folder.path().c_str(), readOnlyFile ? 0777 : 0555);
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                ::_exit(100);
            }
            HighScoreTable table;
            table.insert(5000, 1, 1, "NOBODY");
            ::_exit(recordName(table.records[0]) == "NOBODY" ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readOnlyFile;
        EXPECT_EQ(fileBytes(RECORDS_FILE_NAME), before);
        EXPECT_EQ(folder.entries(), std::vector<std::string>{"records.dat"});
    }
}

// A save that fails is said in one line on stderr naming the file and why, once while saving keeps
// failing (the scores screen remakes and saves a table it cannot read in every frame) and again
// after a save that worked; a save that works says nothing.
TEST(HighScoreTable, FailedSaveIsSaidOnceOnStderr) {
    TempFolder folder;
    HighScoreTable table;
    // records.dat leads into a "folder" that is a file: no save can work, not even as root.
    const std::string line = "shardfall: cannot save the high-score table " +
                             (fs::current_path() / RECORDS_FILE_NAME).string() +
                             ": Not a directory\n";
    std::ofstream("plain").close();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        testing::internal::CaptureStderr();
        table.insert(5000 + round, 1, 1, "SAVED");  // a save that works says nothing
        fs::remove(RECORDS_FILE_NAME);
        fs::create_symlink("plain/records.dat", RECORDS_FILE_NAME);
        table.insert(6000 + round, 1, 1, "LOST");
        table.save();
        table.load();
        table.load();
        fs::remove(RECORDS_FILE_NAME);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), line);
    }
}

}  // namespace
}  // namespace shardfall
