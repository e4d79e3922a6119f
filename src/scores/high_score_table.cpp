#include "scores/high_score_table.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <span>
#include <utility>

#include "sys/atomic_file.h"
#include "sys/random.h"

namespace shardfall {

static_assert(std::endian::native == std::endian::little,
              "records.dat is a little-endian memory image");

const char* const defaultNames[7] = {"GANT", "LUVESH", "TROK", "PIMU", "ADMIN", "QUELTA", "ZORBU"};

std::string_view recordName(const ScoreRecord& record) {
    return {record.name, strnlen(record.name, sizeof record.name)};
}

HighScoreTable::HighScoreTable() {
    load();
}

HighScoreTable::~HighScoreTable() {
    save();
}

void HighScoreTable::load() {
    // The file is read into a copy first. A file that ends early still fills the leading bytes
    // of the table, as it always has; but when the read itself goes wrong (a pipe or a device in
    // its place, the disk reports an error) nothing of it is taken, because a table patched with
    // whatever arrived before the error would be saved back as if it were real. A folder in its
    // place cannot be opened, like a missing file, and gives the default table.
    std::byte bytes[sizeof records];
    const FileReadResult result = readFileHead(RECORDS_FILE_NAME, bytes);
    if (result.status == FileReadStatus::Read) {
        std::memcpy(records, bytes, result.size);
        return;
    }
    if (result.status == FileReadStatus::Failed) {
        return;
    }
    for (int i = 0; i < TABLE_PLACES; ++i) {
        // The bytes after the copied NUL keep what the slot held.
        const char* name = defaultNames[randomBelow(7)];
        std::memcpy(records[i].name, name, std::strlen(name) + 1);
        records[i].score = 2000 - 200 * i;
        records[i].lines = records[i].score / 150;
        records[i].seconds = 276 - 23 * i;
    }
    save();
}

void HighScoreTable::save() {
    writeFileAtomically(RECORDS_FILE_NAME, std::as_bytes(std::span(records)));
}

void HighScoreTable::insert(int score, int lines, int seconds, const char* name) {
    // Scores compare unsigned, here and in the sort.
    if (static_cast<uint32_t>(score) <= static_cast<uint32_t>(records[TABLE_PLACES - 1].score)) {
        return;
    }
    ScoreRecord& scratch = records[TABLE_SLOTS - 1];
    scratch.lines = lines;
    scratch.score = score;
    // At most 15 characters and the NUL; the bytes after the NUL keep what the slot held.
    if (name == nullptr) {
        name = "";
    }
    const std::size_t length = strnlen(name, sizeof scratch.name - 1);
    std::memcpy(scratch.name, name, length);
    scratch.name[length] = '\0';
    scratch.seconds = seconds;
    // Eleven full passes over all eleven slots, so that a table read from an unordered file
    // comes out wholly sorted. Equal scores are never swapped: a tie enters below.
    for (int pass = 0; pass < TABLE_SLOTS; ++pass) {
        for (int j = 0; j < TABLE_SLOTS - 1; ++j) {
            if (static_cast<uint32_t>(records[j].score) <
                static_cast<uint32_t>(records[j + 1].score)) {
                std::swap(records[j], records[j + 1]);
            }
        }
    }
    save();
}

}  // namespace shardfall
