#include "render/display.h"

namespace shardfall {

int ScreenWidth = 1024;
int ScreenHeight = 768;
int CellSize = 38;

Surface* PrimarySurface = nullptr;
Surface* BackBuffer = nullptr;
Surface* BackgroundSurface = nullptr;
Surface* TileSheet = nullptr;
Surface* FpsSurface = nullptr;
Surface* GameOverSurface = nullptr;

}  // namespace shardfall
