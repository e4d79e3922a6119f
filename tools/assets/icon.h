// Paints the game's application icon: four of the game's own bevelled blocks, two by two, in
// four of its colours, as the well draws them.
#pragma once

#include <string>

namespace shardfall {

// The sizes the icon is drawn at, in pixels: the hicolor theme's usual ones.
constexpr int ICON_SIZES[] = {16, 32, 48, 64, 128, 256};

// Writes the icon of every size into <folder>/<size>x<size>/apps/shardfall.png (the hicolor
// theme's layout). Returns false when a file cannot be written.
bool writeIcons(const std::string& folder);

}  // namespace shardfall
