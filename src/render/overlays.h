// The overlay half of a frame, drawn over the well: "Pause!", the score panel, the leaderboard
// and the zooming Game Over banner, each as the game's state calls for.
#pragma once

namespace shardfall {

class Board;
class DrawContext;
class Game;
struct Display;

void DrawOverlays(Display& display, const Game& game);
// SCORE, LINES and TIME at the top right, in a font that follows the cell size.
void drawScorePanel(DrawContext& dc, const Board& board, int screenWidth);
// The score panel's left edge: fourteen of its characters (each 0.6 of a cell wide) from the
// screen's right edge, or, where that would cover the well's right wall (screens narrower than
// about 1.3 : 1, such as 5:4), just right of the wall.
int scorePanelX(const Board& board, int screenWidth);
// Writes "Game Over" onto the banner's own surface.
void DrawGameOverText(Display& display);
// The banner's surface copied over the screen's centre, grown by the zoom on every side.
void drawGameOverBanner(Display& display, int zoom);
// One line of white text centred on the screen, size pixels high and half as wide.
void DrawCenteredText(Display& display, const char* text, int size);

}  // namespace shardfall
