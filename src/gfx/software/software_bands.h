// How the software surfaces divide their pixels: copies into a surface are carried out in bands
// of rows, and the map of plain tiles and the presenter's change report cut the same bands into
// tiles of columns.
#pragma once

namespace shardfall {

// Rows per band: 32 rows of a 1920-pixel frame (240 KiB) stay in the second-level cache while
// every copy into them is done.
constexpr int BAND_ROWS = 32;
constexpr int TILE_COLUMNS = 32;

constexpr int bandCount(int height) {
    return (height + BAND_ROWS - 1) / BAND_ROWS;
}
constexpr int tileColumnCount(int width) {
    return (width + TILE_COLUMNS - 1) / TILE_COLUMNS;
}

}  // namespace shardfall
