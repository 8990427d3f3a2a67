#include "solve/tilt.h"

#include <gtest/gtest.h>

#include "board/cell_codes.h"

namespace tessera::solve {
namespace {

// Two whole cells of the board, one pointing up and one down; shape 0 covers either (a tilt of
// six sixths, with either sign), shape 1 covers both (no tilt).
Problem two_cells(bool region) {
    Problem p;
    p.region.limited = region;
    p.cell_row = {0, 0};
    p.cell_col = {0, 1};
    p.primary_mask = {0x3f, 0x3f};
    p.classes.resize(2);
    p.row_cells = {{0, 0x3f}, {1, 0x3f}, {0, 0x3f}, {1, 0x3f}};
    p.rows = {{0, 1, 0, 0, 0, 1, 36}, {0, 1, 0, 1, 1, 1, 36}, {1, 1, 0, 0, 2, 2, 72}};
    return p;
}

TEST(TiltTest, FreePiecesMakeWhatTheirTiltsWithSignsCanMake) {
    static_assert(board_cell_points_up(0, 1) && !board_cell_points_up(0, 0));
    const Tilt tilt(two_cells(false));
    ASSERT_TRUE(tilt.usable());
    EXPECT_EQ(tilt.at_start(), 0);
    EXPECT_EQ(tilt.of_row(0) + tilt.of_row(1), 0);
    EXPECT_EQ(tilt.of_row(2), 0);
    struct Case {
        std::vector<std::int32_t> free;
        std::int64_t tilt;
        bool all;
        std::int64_t pieces;
        bool some;
    };
    const Case cases[] = {
        {{1, 0}, 6, true, 1, true},   {{1, 0}, -6, true, 1, true},    {{1, 0}, 0, false, 1, true},
        {{1, 0}, 12, false, 1, false}, {{2, 0}, 0, true, 1, true},    {{2, 0}, 12, true, 1, false},
        {{2, 0}, 6, false, 2, true},   {{2, 3}, 3, false, 5, false},  {{0, 3}, 0, true, 3, true},
        {{0, 3}, 6, false, 3, false},  {{2, 3}, -12, true, 2, true},  {{2, 3}, 12, true, 5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "free " << c.free[0] << "," << c.free[1] << " tilt " << c.tilt);
        EXPECT_EQ(tilt.all_can_make(c.tilt, c.free), c.all);
        EXPECT_EQ(tilt.some_can_make(c.tilt, c.pieces, c.free), c.some);
    }
}

TEST(TiltTest, IsNotUsedInARegionOrForAShapeOfTwoTilts) {
    EXPECT_FALSE(Tilt(two_cells(true)).usable());
    Problem mixed = two_cells(false);
    mixed.rows[2].cls = 0;  // shape 0 would now have rows of tilt 6 and 0
    EXPECT_FALSE(Tilt(mixed).usable());
}

}  // namespace
}  // namespace tessera::solve
