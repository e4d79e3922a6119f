#include "game/keyboard.h"

#include <atomic>

#include "audio/music.h"
#include "game/game.h"
#include "game/screen_effects.h"

namespace shardfall {

void Game::onKey(uint32_t key) {
    if (key == KEY_PAUSE) {
        paused = !paused;
        return;
    }
    if (key == KEY_ENTER) {
        if (hasFlag(state, SHOW_SCORES) && board != nullptr) {
            highScores.insert(board->score, board->lines, static_cast<int>(board->elapsedSeconds),
                              playerName.c_str());
            highScores.save();
            state = PLAYING;
            board->reset();
            musicChangeRequested.store(1, std::memory_order_relaxed);
        }
        return;
    }
    const bool letter = key >= KEY_A && key <= KEY_Z;
    if ((letter || key == KEY_SPACE) && playerName.size() < MAX_PLAYER_NAME) {
        playerName.push_back(static_cast<char>(key));
    }
    if (key == KEY_BACKSPACE && !playerName.empty()) {
        playerName.pop_back();
    }
}

void onKeyDown(Game& game, uint32_t key, ScreenEffects* screen) {
    game.onKey(key);
    switch (key) {
        case KEY_ENTER:
            game.liftParticles();
            break;
        case KEY_E:
            if (screen != nullptr) {
                screen->scramble();
            }
            break;
        case KEY_LEFT:
            game.leftHeld = 1;
            // Anything above 5 moves the piece at the very next step.
            game.sidewaysRepeat = 255;
            break;
        case KEY_RIGHT:
            game.rightHeld = 1;
            game.sidewaysRepeat = 255;
            break;
        case KEY_DOWN:
            game.fastDrop = 1;
            break;
        case KEY_UP:
            game.rotatePiece();
            break;
        default:
            break;
    }
}

void onKeyUp(Game& game, uint32_t key) {
    switch (key) {
        case KEY_LEFT:
            game.leftHeld = 0;
            break;
        case KEY_RIGHT:
            game.rightHeld = 0;
            break;
        case KEY_DOWN:
            game.fastDrop = 0;
            break;
        case KEY_S:
            if (game.board != nullptr) {
                game.board->score += 100;
            }
            break;
        default:
            break;
    }
}

}  // namespace shardfall
