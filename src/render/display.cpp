#include "render/display.h"

namespace shardfall {

int ScreenWidth = 1024;
int ScreenHeight = 768;
int CellSize = 38;

}  // namespace shardfall
