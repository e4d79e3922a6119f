#include "scores/high_score_table.h"

#include <bit>
#include <cstring>
#include <fstream>
#include <utility>

#include "platform/random.h"

namespace shardfall {

static_assert(std::endian::native == std::endian::little,
              "records.dat is a little-endian memory image");

const char* const defaultNames[7] = {"GANT", "LUVESH", "TROK", "PIMU", "ADMIN", "QUELTA", "ZORBU"};

HighScoreTable::HighScoreTable() { load(); }

HighScoreTable::~HighScoreTable() { save(); }

void HighScoreTable::load() {
    std::ifstream in(RECORDS_FILE_NAME, std::ios::binary);
    if (in) {
        in.read(reinterpret_cast<char*>(records), sizeof records);
        return;
    }
    for (int i = 0; i < TABLE_PLACES; ++i) {
        const char* name = defaultNames[randomBelow(7)];
        std::memcpy(records[i].name, name, std::strlen(name) + 1);
        records[i].score = 2000 - 200 * i;
        records[i].lines = records[i].score / 150;
        records[i].seconds = 276 - 23 * i;
    }
    save();
}

void HighScoreTable::save() {
    std::ofstream out(RECORDS_FILE_NAME, std::ios::binary | std::ios::trunc);
    if (!out) {
        return;
    }
    out.write(reinterpret_cast<const char*>(records), sizeof records);
}

void HighScoreTable::insert(int score, int lines, int seconds, const char* name) {
    if (static_cast<uint32_t>(score) <= static_cast<uint32_t>(records[TABLE_PLACES - 1].score)) {
        return;
    }
    ScoreRecord& scratch = records[TABLE_SLOTS - 1];
    scratch.lines = lines;
    scratch.score = score;
    std::strncpy(scratch.name, name, sizeof scratch.name - 1);
    scratch.seconds = seconds;
    for (int pass = 0; pass < TABLE_SLOTS; ++pass) {
        for (int j = 0; j < TABLE_SLOTS - 1; ++j) {
            if (static_cast<uint32_t>(records[j].score) < static_cast<uint32_t>(records[j + 1].score)) {
                std::swap(records[j], records[j + 1]);
            }
        }
    }
    save();
}

}  // namespace shardfall
