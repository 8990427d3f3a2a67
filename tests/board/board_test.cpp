#include <gtest/gtest.h>

#include "board/board.h"
#include "board/cell_codes.h"
#include "test_support.h"

namespace tessera {
namespace {

class BoardTest : public ::testing::Test {
protected:
    BoardTest() { fill_initial_board(m); }
    BoardMatrix m;
};

TEST_F(BoardTest, OutlineHalfCellsHoldTheirOutsideHalf) {
    EXPECT_EQ(m[1][18], 85);
    EXPECT_EQ(m[1][19], 30);
    EXPECT_EQ(m[1][20], 0);
    EXPECT_EQ(m[1][35], 90);
    EXPECT_EQ(m[1][36], 25);
    EXPECT_EQ(m[1][37], 100);
    EXPECT_EQ(m[12][1], 5);
    EXPECT_EQ(m[13][1], 80);
    EXPECT_EQ(m[12][53], 95);
    EXPECT_EQ(m[13][53], 20);
    EXPECT_EQ(m[20][1], 100);
    EXPECT_EQ(m[11][1], 100);
    EXPECT_EQ(m[11][2], 0);
    EXPECT_EQ(m[20][2], 0);
    EXPECT_EQ(m[27][9], 10);
    EXPECT_EQ(m[27][10], 75);
    EXPECT_EQ(m[27][44], 15);
    EXPECT_EQ(m[27][45], 70);
    EXPECT_EQ(m[30][18], 10);
    EXPECT_EQ(m[30][36], 70);
}

TEST_F(BoardTest, FrameAndSixtyDegreeSidesAreFull) {
    for (int y = 0; y < kBoardCols; ++y) {
        EXPECT_EQ(m[0][y], 100);
        EXPECT_EQ(m[31][y], 100);
    }
    for (int x = 0; x < kBoardRows; ++x) {
        EXPECT_EQ(m[x][0], 100);
        EXPECT_EQ(m[x][54], 100);
    }
    EXPECT_EQ(m[5][7], 100);
    EXPECT_EQ(m[5][47], 100);
    EXPECT_EQ(m[26][7], 100);
    EXPECT_EQ(m[26][47], 100);
    EXPECT_EQ(m[5][8], 0);
    EXPECT_EQ(m[5][46], 0);
    EXPECT_EQ(m[26][8], 0);
    EXPECT_EQ(m[26][46], 0);
}

TEST_F(BoardTest, CountsOfEmptyHalfAndFullCells) {
    int empty = 0, half = 0, full = 0;
    for (auto& row : m)
        for (int v : row) {
            if (v == 0) {
                ++empty;
            } else if (v == 100) {
                ++full;
            } else {
                ++half;
                EXPECT_TRUE(is_half(v)) << v;
            }
        }
    EXPECT_EQ(empty, 1230);
    EXPECT_EQ(half, 48);
    EXPECT_EQ(full, 482);
}

// Each outline half must be a half of the board cell's own direction (board parity is the
// opposite of a piece grid's).
TEST_F(BoardTest, HalfCodesSuitTheDirectionOfTheirCell) {
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y)
            if (is_half(m[x][y])) {
                EXPECT_TRUE(code_fits(m[x][y], board_cell_points_up(x, y))) << x << "," << y;
            }
}

TEST_F(BoardTest, SymmetricAboutTheMiddleColumnAndTheMiddleLine) {
    // Mirror across column 27: a half turns into the half that holds the mirrored vertices.
    const auto mirror_lr = [](int v) {
        switch (v) {
            case 5: return 95; case 95: return 5; case 15: return 75; case 75: return 15; case 25: return 85;
            case 85: return 25; case 10: return 70; case 70: return 10; case 20: return 80; case 80: return 20;
            case 30: return 90; case 90: return 30; default: return v;
        }
    };
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y) EXPECT_EQ(m[x][54 - y], mirror_lr(m[x][y])) << x << "," << y;
    // Across the line between rows 15 and 16 every empty or full cell has its mirror image.
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y)
            if (m[x][y] == 0 || m[x][y] == 100) {
                EXPECT_EQ(m[31 - x][y], m[x][y]) << x << "," << y;
            }
}

TEST(BoardSolverTest, RebuildingClearsPiecesButNotTheStack) {
    test::ScratchDir dir;
    MemoryPanel panel;
    Solver solver(panel);
    solver.napln_matici();
    solver.state().matice[10][10] = 100;
    solver.state().depth = 3;
    solver.napln_matici();
    EXPECT_EQ(solver.state().matice[10][10], 0);
    EXPECT_EQ(solver.state().depth, 3);
}

}  // namespace
}  // namespace tessera
