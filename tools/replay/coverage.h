// Which of the game's states and events a replay reaches, and at which frame first: watched
// from outside, before and after every input and frame, so that a set of recordings can show
// that together they exercise the whole game.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace shardfall {

class Game;

enum CoverageEvent : int {
    FAST_DROP,
    SIDEWAYS_PRESS,
    SIDEWAYS_REPEAT,
    SIDEWAYS_SLIP,
    BOTH_ARROWS,
    TURN_IN_PLACE,
    TURN_KICK_LEFT,
    TURN_KICK_RIGHT,
    TURN_BOTH_KICKS_OPEN,
    TURN_BLOCKED,
    CLEAR_1,
    CLEAR_2,
    CLEAR_3,
    CLEAR_4,
    WELL_HINT,
    DEBRIS,
    DEBRIS_GRAVITY_TURN,
    DEBRIS_NO_TURN,
    DEBRIS_LIFT,
    PAUSE_IN_PLAY,
    PAUSE_AT_BANNER,
    PAUSE_AT_TABLE,
    FOCUS_LOSS,
    FOCUS_RETURN,
    BANNER,
    BANNER_FULL,
    LEADERBOARD_SLIDE,
    LEADERBOARD_REST,
    NAME_LETTER,
    NAME_SPACE,
    NAME_BACKSPACE,
    NAME_FULL,
    BONUS_S,
    BONUS_S_HELD,
    SCRAMBLE_E,
    ENTER_IN_PLAY,
    TABLE_PLACE_1,
    TABLE_TIE,
    TABLE_INSERT,
    TABLE_EQUALS_PLACE_10,
    TABLE_BELOW_PLACE_10,
    RESTART,
    FPS_UPDATE,
    COVERAGE_EVENTS
};

// Whether a turn now would find its own place taken but room both one column left and right:
// only then does the order in which the two kicks are tried matter.
bool turnWouldKickEitherWay(const Game& game);

class Coverage {
  public:
    static const char* name(int event);

    // Around each input and each frame; frame is the number of the frame about to be played
    // (inputs count towards the frame that follows them).
    void beforeKey(const Game& game, bool down, uint32_t key);
    void afterKey(const Game& game, uint64_t frame);
    void focus(bool active, uint64_t frame);
    void beforeFrame(const Game& game);
    void afterFrame(const Game& game, uint64_t frame);

    int64_t count(int event) const { return counts_[event]; }
    // The frame at which the event first came; nothing when the recording never reaches it.
    std::optional<uint64_t> firstFrame(int event) const {
        return counts_[event] > 0 ? std::optional<uint64_t>(first_[event]) : std::nullopt;
    }
    // "fast-drop sideways-press ...": the events reached, in the fixed order.
    std::string reached() const;

  private:
    struct Snapshot {
        uint32_t state = 0;
        bool paused = false;
        int column = 0;
        int row = 0;
        uint64_t piece = 0;
        int lines = 0;
        int score = 0;
        int sidewaysRepeat = 0;
        bool bothArrows = false;
        int fastDrop = 0;
        int stateDelay = 0;
        int liveParticles = 0;
        size_t nameLength = 0;
        int tableY = 0;
    };
    static Snapshot snapshot(const Game& game);
    void add(int event, uint64_t frame);
    void afterTurn(const Game& game, uint64_t frame);
    void afterRestart(uint64_t frame);

    Snapshot before_;
    bool down_ = false;
    uint32_t key_ = 0;
    bool bothKicksOpen_ = false;
    uint64_t sPressedBefore_ = 0;  // the frame an S press came before, 0 when S is up
    int place10Score_ = 0;
    int enteringPlace_ = 0;  // 1 to 10, 0 when the score stays out, -1 tied with place 10
    bool ties_ = false;
    std::array<int64_t, COVERAGE_EVENTS> counts_{};
    std::array<uint64_t, COVERAGE_EVENTS> first_{};
};

}  // namespace shardfall
