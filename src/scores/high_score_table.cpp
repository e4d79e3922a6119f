#include "scores/high_score_table.h"

#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

namespace {

// One line on stderr naming records.dat and why it could not be saved, as far as can be told:
// the file layer says only that the save failed, and the errno its last call left, which for a
// folder or a device in the file's place is not about the file.
void reportSaveFailure(int error) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    const fs::path file = fs::absolute(RECORDS_FILE_NAME, ignored);
    const fs::file_status status = fs::status(RECORDS_FILE_NAME, ignored);
    const char* reason = fs::is_directory(status) ? "a folder is in its place"
                         : fs::exists(status) && !fs::is_regular_file(status)
                             ? "it is not a plain file"
                         : error != 0 ? std::strerror(error)
                                      : "it may not be written";
    std::fprintf(stderr, "shardfall: cannot save the high-score table %s: %s\n",
                 file.empty() ? RECORDS_FILE_NAME : file.string().c_str(), reason);
}

}  // namespace

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
    errno = 0;
    if (writeFileAtomically(RECORDS_FILE_NAME, std::as_bytes(std::span(records)))) {
        saveFailing_ = false;
        return;
    }
    // Said when saving starts to fail, and not again while it keeps failing: the scores screen
    // makes and saves the default table in every frame while records.dat cannot be read.
    if (!saveFailing_) {
        saveFailing_ = true;
        reportSaveFailure(errno);
    }
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
