// What must hold after every frame of a long run, whatever the player did: the checks return
// false with a one-line reason at the first rule that is broken.
#pragma once

#include <string>

namespace shardfall {

class Game;
class HighScoreTable;

// The counters of one game, which only ever grow until Enter starts the next.
struct GameProgress {
    int score = 0;
    int lines = 0;
    double elapsedSeconds = 0.0;
};

GameProgress progressOf(const Game& game);

// The state is one the game can be in; the delay, debris, pending points, name, every cell of
// the well and the falling piece are within their bounds.
bool checkGame(const Game& game, std::string& why);

// Score, lines and clock have not gone back since `before`.
bool checkProgress(const GameProgress& before, const Game& game, std::string& why);

// Enter has just started a new game: an empty well and counters at zero.
bool checkNewGame(const Game& game, std::string& why);

// One of the ten places holds the finished game under the given name.
bool holdsGame(const HighScoreTable& table, const GameProgress& game, const std::string& name);

// records.dat is the table's 308 bytes, best score first; no temporary file is left beside it.
bool checkRecordsFile(const HighScoreTable& table, std::string& why);

}  // namespace shardfall
