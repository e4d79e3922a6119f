// The second half of a frame of the game: the pause text, the score panel, the leaderboard and
// the Game Over banner, drawn over the well.
#pragma once

namespace shardfall {

class Surface;

// Runs at the end of Game::runFrame, after the well and the debris have been drawn.
void DrawOverlays(Surface& destination);

}  // namespace shardfall
