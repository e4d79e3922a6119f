// The game in progress: the well, the debris, the falling piece and its place, the high-score
// table, the held keys and the state flags, advanced one frame at a time by runFrame. There is
// one Game for the whole run. Nothing here draws: render/ shows the state runFrame leaves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "game/board.h"
#include "game/particle.h"
#include "game/piece.h"
#include "game/screen_geometry.h"
#include "scores/high_score_table.h"

namespace shardfall {

enum StateFlags : uint32_t {
    SHOW_SCORES = 1,  // leaderboard and name entry
    PLAYING = 2,      // the well is shown and the piece may fall
    GAME_OVER = 4,    // the Game Over banner
    SHAKE = 8,        // the well may jitter
};

constexpr StateFlags operator|(StateFlags a, StateFlags b) {
    return static_cast<StateFlags>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b));
}
constexpr StateFlags& operator|=(StateFlags& a, StateFlags b) {
    return a = a | b;
}
constexpr bool hasFlag(StateFlags state, StateFlags flag) {
    return (static_cast<uint32_t>(state) & static_cast<uint32_t>(flag)) != 0;
}

// Longest name the table takes from the keyboard.
constexpr size_t MAX_PLAYER_NAME = 14;

class Game {
  public:
    Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Makes the 10 × 20 well; the display start calls it once the screen is set up. False
    // when there is no memory for it.
    bool createBoard();

    // One frame of the game, drawing nothing: places the well (with the shake's jitter), counts
    // the delay and the clock, advances the piece (more steps while Down is held), the well
    // hint and the debris, then what the overlays show: the banner's zoom and the leaderboard's
    // slide, pulse and re-read of records.dat. The run's first frame ends by putting the
    // start-up shape into play.
    void runFrame();
    // One step of the falling piece: score counting, sideways move, sinking, landing.
    void fallStep();
    // Deals the next piece at column 5, row -2, or ends the game when it does not fit.
    void spawnPiece();
    // A quarter turn, kicked one column left or right when the place itself is taken.
    void rotatePiece();

    // Landing: bursts every full row into debris, scores it and plays the landing sound.
    void clearFullRows();
    // Moves the debris; turns its gravity round once, on the 90th pass after a clear that left
    // at least 40 blocks flying.
    void updateParticles();
    // Makes all debris accelerate upward.
    void liftParticles();

    // Pause, name editing, and Enter at the scores screen.
    void onKey(uint32_t key);

    Particle particles[MAX_PARTICLES];
    // Live debris is the first liveParticleCount entries. It belongs to the one Game of the run,
    // so it lives here rather than as a global of its own.
    int32_t liveParticleCount = 0;
    std::unique_ptr<Board> board;  // null until createBoard
    Piece piece;
    int32_t particleFrameCounter = 0;
    int32_t shakeCounter = 0;
    int32_t bannerZoom = 0;
    // The zoom the banner is shown at this frame: bannerZoom before this frame's growth.
    int32_t bannerZoomShown = 0;
    HighScoreTable highScores;
    // The leaderboard's top edge: it starts at the bottom of the screen and rises a pixel a
    // frame to its resting place.
    int32_t leaderboardY = 0;
    // The pulse of the pending row, in radians: it advances every frame of the scores screen
    // and carries over from one game to the next.
    double highlightPhase = 0.0;
    int32_t leftHeld = 0;
    int32_t rightHeld = 0;
    int32_t sidewaysRepeat = 0;
    int32_t pieceColumn = 5;
    int32_t pieceRow = 0;
    int32_t fastDrop = 0;
    bool paused = false;
    int32_t stateDelay = 0;
    StateFlags stateAfterDelay = StateFlags{};
    std::string playerName;
    StateFlags state = PLAYING;
    ScreenGeometry screen;
    // Set once the first frame has put the start-up shape into play.
    bool firstFrameDone = false;

  private:
    // While an arrow is held, every seventh step moves the piece a column if it fits; false
    // when this step does not try.
    bool trySidewaysMove();
    void placeWell();
    void countDelayAndClock();
    void advanceOverlays();
    // On the run's first frame: the start-up Z becomes the falling piece (stamped by the next
    // step, at the column and row the Game started with).
    void applyFirstFrameOverride();
};

}  // namespace shardfall
