// One frame on the screen, composed back to front on the back buffer: background, credit line,
// the game with its overlays, the FPS counter, then the flip. Runs once per 10 ms tick while
// the window is active.
#pragma once

#include <cstdint>

namespace shardfall {

class Game;

// The line at the bottom right of every frame; its length fixes where it starts.
inline constexpr char CreditLine[] = "Shardfall  (c) 2026";
inline constexpr int CREDIT_LINE_LENGTH = sizeof CreditLine - 1;
static_assert(CREDIT_LINE_LENGTH == 19, "the credit line is 19 characters long");

// A millisecond clock that may wrap, as the platform's multimedia timer.
using MillisecondClock = uint32_t (*)();
uint32_t SystemMilliseconds();

// Starts the FPS counter afresh on the given clock: nothing shown, no frame counted.
void ResetFpsCounter(MillisecondClock clock = SystemMilliseconds);

void RenderFrame(Game& game);
void DrawCreditLine();
// Counts the frame; every 20th frame writes the rate onto the FPS surface.
void UpdateFpsCounter();

}  // namespace shardfall
