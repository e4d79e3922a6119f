#include <gtest/gtest.h>

#include <vector>

#include "game/board.h"

namespace shardfall {
namespace {

// The well hint ripples the rows that lack one block once four of them stack up with their gaps
// in one column. Each case fills the rows listed, leaving the gap given for each row open.
struct HintCase {
    const char* what;
    std::vector<int> rows;
    std::vector<int> gaps;
    bool ripples;
};

TEST(WellHint, RipplesOnlyFourStackedRowsWithTheirGapsInOneColumn) {
    const HintCase cases[] = {
        {"four at the very bottom", {16, 17, 18, 19}, {3, 3, 3, 3}, true},
        {"four in the middle", {8, 9, 10, 11}, {0, 0, 0, 0}, true},
        {"three at the bottom", {17, 18, 19}, {3, 3, 3}, false},
        {"four, one gap in another column", {16, 17, 18, 19}, {3, 3, 4, 3}, false},
        {"four with a row between", {14, 15, 17, 18}, {9, 9, 9, 9}, false},
    };
    for (const HintCase& c : cases) {
        Board board(10, 20);
        board.setCellSize(30);
        for (size_t i = 0; i < c.rows.size(); ++i) {
            for (int x = 0; x < board.width; ++x) {
                if (x != c.gaps[i]) {
                    board.setCell(x, c.rows[i], Cell{0, 1, 2, 0});
                }
            }
        }
        board.updateWellHint();
        for (int row : c.rows) {
            int rippled = 0;
            for (int x = 0; x < board.width; ++x) {
                EXPECT_LE(board.cellAt(x, row).shrink, 20) << c.what;
                rippled += board.cellAt(x, row).shrink > 0 ? 1 : 0;
            }
            // Along ten columns the wave rises above its trough somewhere.
            EXPECT_EQ(rippled > 0, c.ripples) << c.what << ", row " << row;
        }

        // Once a gap is filled, the ripple goes.
        board.setCell(c.gaps[0], c.rows[0], Cell{0, 1, 2, 0});
        board.updateWellHint();
        for (int x = 0; x < board.width; ++x) {
            EXPECT_EQ(board.cellAt(x, c.rows.back()).shrink, 0) << c.what << " after the fill";
        }
    }
}

}  // namespace
}  // namespace shardfall
