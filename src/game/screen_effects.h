// What a key command may ask of the screen itself. The program hands an implementation to the
// key handlers, so the game never reaches for the display.
#pragma once

namespace shardfall {

class ScreenEffects {
  public:
    virtual ~ScreenEffects() = default;
    // E's effect: the picture on screen flashed up once with its colours shifted.
    virtual void scramble() = 0;
};

}  // namespace shardfall
