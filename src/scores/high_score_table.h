// The ten best finished games and their file, records.dat: eleven 28-byte records (ten places
// and a scratch slot) stored as a raw image, with no header.
#pragma once

#include <cstdint>
#include <string_view>

namespace shardfall {

// One finished game. The memory layout is the file layout: name, score, lines, seconds,
// little-endian 32-bit integers.
struct ScoreRecord {
    char name[16];
    int32_t score;
    int32_t lines;
    int32_t seconds;
};
static_assert(sizeof(ScoreRecord) == 28, "records.dat stores 28-byte records");

constexpr int TABLE_PLACES = 10;
constexpr int TABLE_SLOTS = TABLE_PLACES + 1;  // the last slot is scratch
constexpr const char* RECORDS_FILE_NAME = "records.dat";

extern const char* const defaultNames[7];

// The record's name up to its NUL, and never past the 16 bytes of the field: a damaged file may
// hold a name without one.
std::string_view recordName(const ScoreRecord& record);

class HighScoreTable {
  public:
    // Loads records.dat at once; saves it once more when destroyed.
    HighScoreTable();
    ~HighScoreTable();
    HighScoreTable(const HighScoreTable&) = delete;
    HighScoreTable& operator=(const HighScoreTable&) = delete;

    // Reads records.dat over the records, or makes and saves the default table when it cannot
    // be opened.
    void load();
    // Replaces records.dat with the eleven records, or leaves it as it was when that fails. A
    // failure is said in one line on stderr, naming the file and why, when saving starts to fail;
    // while it keeps failing nothing more is said, until a save succeeds again.
    void save();
    // Offers a finished game; it enters (and the table is saved) only when its score beats
    // place 10. Only the first 15 characters of the name are kept.
    void insert(int score, int lines, int seconds, const char* name);

    ScoreRecord records[TABLE_SLOTS] = {};

  private:
    bool saveFailing_ = false;
};

}  // namespace shardfall
