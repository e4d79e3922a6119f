// One frame on the screen, composed back to front on the back buffer from the game's state:
// background, credit line, the well, the debris, the overlays, the FPS counter, then the flip.
// Drawing changes nothing in the game; Game::runFrame advances it before each frame.
#pragma once

namespace shardfall {

class Game;
struct Display;

// The line at the bottom right of every frame; its length fixes where it starts.
inline constexpr char CreditLine[] = "Shardfall  (c) 2026";
inline constexpr int CREDIT_LINE_LENGTH = sizeof CreditLine - 1;
static_assert(CREDIT_LINE_LENGTH == 19, "the credit line is 19 characters long");

// Draws the game as it stands and flips it to the screen.
void RenderFrame(Display& display, const Game& game);

// The game's part of a frame on the back buffer: the well and the debris while playing, then
// the overlays.
void drawGame(Display& display, const Game& game);
void DrawCreditLine(Display& display);
// Counts the frame; every 20th frame writes the rate onto the FPS surface.
void UpdateFpsCounter(Display& display);

}  // namespace shardfall
