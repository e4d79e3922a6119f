// E's effect on the display: the picture on screen, copied to the back buffer with every 32-bit
// word shifted by 123124, flashed up for one frame.
#pragma once

#include "game/screen_effects.h"

namespace shardfall {

struct Display;

void scrambleScreen(Display& display);

// What the program hands to the key handlers.
class DisplayEffects final : public ScreenEffects {
  public:
    explicit DisplayEffects(Display& display) : display_(display) {}
    void scramble() override { scrambleScreen(display_); }

  private:
    Display& display_;
};

}  // namespace shardfall
