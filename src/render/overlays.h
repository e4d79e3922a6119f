// The overlay half of a frame, drawn over the well: "Pause!", the score panel, the leaderboard
// and the zooming Game Over banner, each as the game's state calls for.
#pragma once

namespace shardfall {

class Board;
class DrawContext;
class Game;
class Surface;

void DrawOverlays(Game& game, Surface& destination);
// SCORE, LINES and TIME at the top right, in a font that follows the cell size.
void DrawScorePanel(DrawContext& dc, const Board& board);
// Writes "Game Over" onto the banner's own surface.
void DrawGameOverText();
// One line of white text centred on the screen, size pixels high and half as wide.
void DrawCenteredText(const char* text, int size);

}  // namespace shardfall
