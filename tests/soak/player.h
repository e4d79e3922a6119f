// A tireless random player for long unattended runs. It steers most pieces to the place a
// one-piece greedy search likes best and drops them, plays the rest anywhere so that games end,
// and now and then pauses, scrambles the screen, takes the score bonus, turns the piece out of
// turn, types a name at the scores screen and starts the next game. One seed decides all of
// it, so a run that fails can be replayed exactly.
#pragma once

#include <cstdint>
#include <random>

namespace shardfall {

class Game;
class ScreenEffects;

// What the player has done so far, for the soak's --require-every-state.
enum Deed {
    PAUSES,
    SCRAMBLES,
    BONUSES,
    LETTERS,
    SPACES,
    BACKSPACES,
    ENTERS,
    SURFACE_LOSSES,
    DEEDS
};

class SoakPlayer {
  public:
    explicit SoakPlayer(uint32_t seed) : random_(seed) {}

    // Where E's scramble goes; none (the default) leaves it out.
    void setScreen(ScreenEffects* screen) { screen_ = screen; }
    // Presses and releases keys before the next frame. Returns true when it pressed Enter at
    // the scores screen, which starts a new game.
    bool act(Game& game);
    // True when the display should lose its surfaces before the next frame, as when the user
    // switches to another program and back.
    bool switchesAway() { return chance(2000) && ++tally[SURFACE_LOSSES] > 0; }

    int64_t tally[DEEDS] = {};

  private:
    bool chance(int oneIn) { return random_() % static_cast<uint32_t>(oneIn) == 0; }
    int below(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }
    void press(Game& game, uint32_t key, Deed deed = DEEDS);
    void releaseArrows(Game& game);
    void startGame();
    void play(Game& game);
    void watchBanner(Game& game);
    bool enterName(Game& game);

    std::mt19937 random_;
    ScreenEffects* screen_ = nullptr;
    // Per game: one piece in this many goes to a random place instead of the best one.
    int carelessness_ = 16;
    // Per game: the column kept free for a bar that clears several rows, or -1.
    int keptFree_ = -1;
    bool needPlan_ = true;
    bool steering_ = false;
    bool dropWhenThere_ = true;
    int planTurns_ = 0;
    int planColumn_ = 5;
    int pauseLeft_ = 0;        // frames until the player lifts its own pause
    bool sawBanner_ = false;   // the arrows were let go when the banner came up
    int framesAtScores_ = -1;  // -1 when not at the scores screen
    int enterAfter_ = 0;
};

}  // namespace shardfall
