// The tools' own geometry of the lattice, held against the rules the solver works by: a tool
// that turned or cut a cell differently from the solver would make puzzles that do not load.
#include "tools/lattice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "board/cell_codes.h"
#include "test_support.h"
#include "tools/shape_fit.h"

namespace tessera {
namespace {

using tools::CellCode;

constexpr int kUpCodes[] = {5, 15, 25, 75, 85, 95};
constexpr int kDownCodes[] = {10, 20, 30, 70, 80, 90};

TEST(LatticeTest, ComplementaryHalvesSplitTheCellAndOtherHalvesOverlapOrLeaveAGap) {
    for (bool up : {true, false})
        for (int x : up ? kUpCodes : kDownCodes) {
            const unsigned a = tools::sixth_mask(x, up), b = tools::sixth_mask(100 - x, up);
            EXPECT_EQ(std::popcount(a), 3) << x;
            EXPECT_EQ(a & b, 0u) << x;
            EXPECT_EQ(a | b, 0x3fu) << x;
            for (int y : up ? kUpCodes : kDownCodes)
                if (y != x && y != 100 - x) {
                    EXPECT_NE(a | tools::sixth_mask(y, up), 0x3fu) << x << " " << y;
                }
        }
    EXPECT_EQ(tools::sixth_mask(5, false), 0u) << "a half of the other direction covers nothing";
    EXPECT_EQ(tools::sixth_mask(100, true), 0x3fu);
}

// The triangles that pictures are drawn from: a half and its complement each cover half the
// cell and meet along the cut, which runs from a corner to the middle of the opposite edge.
TEST(LatticeTest, AHalfAndItsComplementSplitTheCellAlongOneCut) {
    const auto area2 = [](const tools::FineTriangle& t) {
        return std::abs((t[1].h2 - t[0].h2) * (t[2].line2 - t[0].line2) -
                        (t[2].h2 - t[0].h2) * (t[1].line2 - t[0].line2));
    };
    for (bool up : {true, false}) {
        const int row = 10, col = up ? 21 : 20;
        tools::FineTriangle cell, half, other;
        ASSERT_TRUE(tools::covered_part(row, col, up, 100, cell));
        EXPECT_FALSE(tools::covered_part(row, col, up, 0, half));
        for (int x : up ? kUpCodes : kDownCodes) {
            ASSERT_TRUE(tools::covered_part(row, col, up, x, half));
            ASSERT_TRUE(tools::covered_part(row, col, up, 100 - x, other));
            EXPECT_EQ(2 * area2(half), area2(cell)) << x;
            int shared = 0;
            for (const tools::FinePoint& p : half) shared += std::count(other.begin(), other.end(), p);
            EXPECT_EQ(shared, 2) << x;
        }
    }
}

TEST(LatticeTest, TurningAHalfFollowsTheBoardsRotationRule) {
    // The board's rule: one turn takes 5..25 to x + 5, 30 to 5, 75..95 to x - 5 and 70 to 95.
    for (int row = 10; row <= 11; ++row)
        for (int col = 20; col <= 21; ++col) {
            const bool up = board_cell_points_up(row, col);
            for (int x : up ? kUpCodes : kDownCodes) {
                const CellCode t = tools::turn_cell({row, col, x}, 1);
                EXPECT_EQ(t.code, turn_code(x, 1)) << row << "," << col << " code " << x;
                EXPECT_NE(board_cell_points_up(t.row, t.col), up) << "a turn by 60 degrees flips the direction";
            }
        }
}

TEST(LatticeTest, SixTurnsComeBackAndAHexagonStaysAHexagon) {
    // The six cells around the corner at position 22 on line 11.
    const std::vector<CellCode> hexagon = {{10, 21, 100}, {10, 22, 100}, {10, 23, 100},
                                           {11, 21, 100}, {11, 22, 100}, {11, 23, 100}};
    for (const CellCode& c : hexagon) EXPECT_EQ(tools::turn_cell(c, 6), c);
    // A hexagon turned about any corner is again a hexagon: two rows of three cells.
    for (int k = 1; k < 6; ++k) {
        std::vector<CellCode> turned;
        for (const CellCode& c : hexagon) turned.push_back(tools::turn_cell(c, k));
        const tools::Box box = tools::box_of(turned);
        EXPECT_EQ(box.height(), 2) << k;
        EXPECT_EQ(box.width(), 3) << k;
    }
}

TEST(LatticeTest, NeighbourTableIsSymmetricAndCrossesEachEdgeOnce) {
    const auto& table = tools::board_sixth_neighbours();
    for (int id = 0; id < tools::kBoardSixths; ++id) {
        const auto& n = table[id].id;
        for (int k = 0; k < 3; ++k) {
            if (n[k] < 0) continue;
            const auto& back = table[n[k]].id;
            EXPECT_NE(std::find(back.begin(), back.end(), id), back.end()) << id << " -> " << n[k];
        }
        EXPECT_EQ(n[1] / 6, id / 6) << "the inner neighbours stay in the cell";
        EXPECT_EQ(n[2] / 6, id / 6);
        if (n[0] >= 0) {
            EXPECT_NE(n[0] / 6, id / 6);
        }
    }
    // An up-pointing cell's bottom edge is shared with the cell below; its slanted edges with
    // the cells beside it.
    const int row = 10, col = 21;  // points up
    ASSERT_TRUE(board_cell_points_up(row, col));
    std::set<int> across;
    for (int s = 0; s < 6; ++s) across.insert(table[tools::sixth_id(row, col, s)].id[0] / 6);
    EXPECT_EQ(across,
              (std::set<int>{row * kBoardCols + col - 1, row * kBoardCols + col + 1, (row + 1) * kBoardCols + col}));
}

// The tools' turn against the solver's records: a shape written to a piece file as the tools
// turned it must come out of the loader as the same shape in the orientation it was turned for.
class TurnAgainstLoaderTest : public test::SolverTest {};

TEST_F(TurnAgainstLoaderTest, FileShapeTurnedBackIsTheBoardShapeInItsOrientation) {
    // An irregular shape with halves of both directions, on the board.
    const std::vector<CellCode> shape = {{11, 20, 15}, {12, 20, 100}, {12, 21, 100},
                                         {12, 22, 80}, {13, 20, 100}, {13, 21, 90}};
    std::vector<test::Cell> cells;
    for (int o = 1; o <= 6; ++o) {
        std::vector<CellCode> grid;
        ASSERT_TRUE(tools::file_shape(shape, (7 - o) % 6, grid)) << o;
        for (const CellCode& g : grid) {
            EXPECT_TRUE(g.row >= 1 && g.row <= 4 && g.col >= 1 && g.col <= 8);
            cells.push_back({o, g.row, g.col, g.code});
        }
    }
    start_up(cells);
    // Piece o, in orientation o, must lie on the board shape with its anchor on the shape's
    // first cell in row order, (11, 20).
    for (int o = 1; o <= 6; ++o) {
        const PieceRecord& rec = record(o, o);
        std::vector<CellCode> on_board;
        for (int r = 0; r < kGridRows; ++r)
            for (int c = 0; c < kGridCols; ++c)
                if (rec.cells[r][c] != 0)
                    on_board.push_back({11 + r - rec.anchor_row, 20 + c - rec.anchor_col, rec.cells[r][c]});
        std::vector<CellCode> want = shape;
        const auto order = [](const CellCode& a, const CellCode& b) {
            return a.row != b.row ? a.row < b.row : a.col < b.col;
        };
        std::sort(want.begin(), want.end(), order);
        std::sort(on_board.begin(), on_board.end(), order);
        EXPECT_EQ(on_board, want) << "orientation " << o;
    }
}

TEST(ShapeFitTest, RecordsHoldCompactShapesAndNotLongOnes) {
    std::vector<CellCode> row_of_six;
    for (int c = 20; c < 26; ++c) row_of_six.push_back({10, c, 100});
    EXPECT_TRUE(tools::fits_every_record(row_of_six));
    std::vector<CellCode> row_of_nine;
    for (int c = 20; c < 29; ++c) row_of_nine.push_back({10, c, 100});
    EXPECT_FALSE(tools::fits_every_record(row_of_nine));
    // A band of five rows down one slant: it fits as it lies (five rows, six columns), but
    // turned to lie flat it is ten cells wide.
    std::vector<CellCode> band;
    for (int r = 0; r < 5; ++r) band.push_back({10 + r, 20 + r, 100}), band.push_back({10 + r, 21 + r, 100});
    tools::Box box = tools::box_of(band);
    EXPECT_TRUE(tools::box_fits_record(box));
    EXPECT_FALSE(tools::fits_every_record(band));
}

}  // namespace
}  // namespace tessera
