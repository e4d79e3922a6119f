// The program's side of a frame: the game's random generator seeded, the display started with
// the game's well made on the new screen, and the tick that advances the game a frame and then
// shows it. The SDL and Windows programs, the replay player, the soak and the tests all start
// and tick the game through these.
#pragma once

#include <cstdint>

namespace shardfall {

class DisplayBackend;
class Game;
struct Display;

// Seeds the main thread's generator with `seed`, then starts the music (whose first track is
// the generator's first draw). Returns the seed, which a recorded game keeps.
uint32_t seedGame(uint32_t seed);

// The display start: InitDisplay, with the game's well made once the screen is known. Returns
// 1, or 0 after the failure has been shown.
int startDisplay(Display& display, DisplayBackend& backend, Game& game);

// One tick of the running program: the game advances a frame, then that frame is shown.
void runTick(Display& display, Game& game);

}  // namespace shardfall
