#include "app/game_tick.h"

#include "audio/music.h"
#include "game/game.h"
#include "render/display.h"
#include "render/frame.h"
#include "sys/random.h"

namespace shardfall {

uint32_t seedGame(uint32_t seed) {
    seedRandom(seed);
    initMusic();
    return seed;
}

int startDisplay(Display& display, DisplayBackend& backend, Game& game) {
    return InitDisplay(display, backend, [&game](const ScreenGeometry& screen) {
        if (!game.createBoard()) {
            return false;
        }
        game.screen = screen;
        return true;
    });
}

void runTick(Display& display, Game& game) {
    game.runFrame();
    RenderFrame(display, game);
}

}  // namespace shardfall
