// The placement check on hand-made boards: continuation, overlap and fillability.
#include <gtest/gtest.h>

#include "test_support.h"

namespace tessera {
namespace {

struct GridCell {
    int row, col, code;
};
struct HoleAt {
    int kind, row, col;
};

// A record with its anchor on its first cell, as the loader makes them.
PieceRecord make_record(std::initializer_list<GridCell> cells, std::initializer_list<HoleAt> holes = {}) {
    PieceRecord rec{};
    rec.number = 1;
    rec.orientation = 1;
    for (const GridCell& c : cells) rec.cells[c.row][c.col] = c.code;
    for (int r = 0; r < kGridRows && rec.anchor_row == 0; ++r)
        for (int c = 0; c < kGridCols; ++c)
            if (rec.cells[r][c] != 0) {
                rec.anchor_row = r, rec.anchor_col = c;
                break;
            }
    int slot = 1;
    for (const HoleAt& h : holes) rec.holes[slot++] = Hole{1, h.kind, h.row, h.col, 0, 0};
    return rec;
}

class KontrolaTest : public test::SolverTest {
protected:
    void SetUp() override {
        start_up("");
        s().params = SearchParams{0, 0, 0, 20, 40, 0, 0, 3, 5, 1, 18};
    }
    void add_spot(int row, int col, int filled = 0) {
        s().volny[++s().open_count] = OpenSpot{9, 26, row, col, filled, filled ? 9 : 0};
    }
    int check_at(int row, int col, const PieceRecord& rec) {
        s().target_row = row;
        s().target_col = col;
        solver->board_edited();
        return solver->kontrola(rec);
    }
    // A lone full up cell; on the board it goes on up cells (row + column odd).
    const PieceRecord lone = make_record({{2, 4, 100}});
};

TEST_F(KontrolaTest, LastSpotPlacementNeedsAHoleOnAnEmptyCellInsideTheRectangle) {
    s().params.start_x = 10, s().params.end_x = 11, s().params.start_y = 20, s().params.end_y = 22;
    add_spot(10, 21);
    EXPECT_EQ(check_at(10, 21, lone), 0) << "no hole";
    // Hole two columns right, one row down: board (11, 22) = (end_x, end_y).
    EXPECT_EQ(check_at(10, 21, make_record({{2, 4, 100}}, {{26, 3, 5}})), 1);
    // The same hole one row up lies on row start_x, outside the rectangle.
    EXPECT_EQ(check_at(10, 21, make_record({{2, 4, 100}}, {{26, 2, 5}})), 0);
    // A hole whose cell is half covered does not qualify either.
    s().matice[11][22] = 10;
    EXPECT_EQ(check_at(10, 21, make_record({{2, 4, 100}}, {{26, 3, 5}})), 0);
}

TEST_F(KontrolaTest, RectangleAppliesEvenWithoutLimits) {
    add_spot(20, 21);
    EXPECT_EQ(check_at(20, 21, make_record({{2, 4, 100}}, {{26, 2, 5}})), 1) << "hole in row 20";
    EXPECT_EQ(check_at(20, 21, make_record({{2, 4, 100}}, {{26, 3, 5}})), 0) << "hole in row 21";
}

TEST_F(KontrolaTest, HolesAreNotLookedAtWhileAnotherSpotStaysOpen) {
    add_spot(10, 21);
    add_spot(14, 30);
    EXPECT_EQ(check_at(10, 21, lone), 1);
}

TEST_F(KontrolaTest, FilledSpotsAreNeitherCountedNorSubtracted) {
    add_spot(10, 21);
    add_spot(14, 30, 1);
    EXPECT_EQ(check_at(10, 21, lone), 0);
    add_spot(10, 21, 1);  // a filled spot under the piece changes nothing either
    EXPECT_EQ(check_at(10, 21, lone), 0);
}

TEST_F(KontrolaTest, TwoSpotsOnOneCellAreBothCovered) {
    add_spot(10, 21);
    add_spot(10, 21);
    EXPECT_EQ(check_at(10, 21, lone), 0);
    add_spot(12, 25);
    EXPECT_EQ(check_at(10, 21, lone), 1);
}

TEST_F(KontrolaTest, PieceThatCompletesTheBoardNeedsNoHole) {
    add_spot(10, 21);
    s().depth = kPieceCount - 1;
    EXPECT_EQ(check_at(10, 21, lone), 1);
    s().depth = kPieceCount - 2;
    EXPECT_EQ(check_at(10, 21, lone), 0);
}

TEST_F(KontrolaTest, OverlapOnlyOntoEmptyCellsOrOntoTheComplementingHalf) {
    add_spot(5, 40);  // keeps test 1 out of the way
    EXPECT_EQ(check_at(10, 21, lone), 1);
    const PieceRecord half25 = make_record({{2, 4, 25}});
    s().matice[10][21] = 75;
    EXPECT_EQ(check_at(10, 21, half25), 1);
    s().matice[10][21] = 85;
    EXPECT_EQ(check_at(10, 21, half25), 0);
    s().matice[10][21] = 100;
    EXPECT_EQ(check_at(10, 21, half25), 0);
    EXPECT_EQ(check_at(10, 21, lone), 0);
}

TEST_F(KontrolaTest, NothingGoesOnTheFrameWhateverItHolds) {
    add_spot(5, 40);
    for (auto [row, col] : {std::pair{0, 21}, {31, 20}, {15, 0}, {16, 54}}) {
        s().matice[row][col] = 0;
        EXPECT_EQ(check_at(row, col, lone), 0) << row << "," << col;
    }
    EXPECT_EQ(check_at(-40, 1000, lone), 0) << "far off the board";
}

// Fillability around a lone piece put at (12, 27); the position under test is (13, 24), an
// up-pointing board cell inside the checked area.
class FillabilityTest : public KontrolaTest {
protected:
    void SetUp() override {
        KontrolaTest::SetUp();
        add_spot(5, 40);
    }
    int check() { return check_at(12, 27, lone); }
    int& at(int dr, int dc) { return s().matice[13 + dr][24 + dc]; }
};

TEST_F(FillabilityTest, EnclosedEmptyCellIsRejectedUnlessANeighbourOpensOntoIt) {
    at(0, -1) = 100, at(0, 1) = 100, at(1, 0) = 100;
    EXPECT_EQ(check(), 0);
    at(1, 0) = 70;
    EXPECT_EQ(check(), 1);
}

TEST_F(FillabilityTest, HalfCellNeedsAPartnerGapThatCanBeFilled) {
    at(0, 0) = 5;
    EXPECT_EQ(check(), 1) << "right neighbour empty";
    at(0, 1) = 90, at(0, 2) = 25;
    EXPECT_EQ(check(), 1) << "partner 90, far corner cells open";
    at(0, 2) = 100;
    EXPECT_EQ(check(), 0) << "partner 90, third cell full";
    at(0, 2) = 0, at(0, 1) = 100;
    EXPECT_EQ(check(), 0) << "right neighbour full";
}

TEST_F(FillabilityTest, EmptyDownCellMayOpenOnlyToTheLeft) {
    // (13, 25) points down; above, right full; left holds 5.
    s().matice[12][25] = 100, s().matice[13][26] = 100, s().matice[13][24] = 5;
    s().matice[13][23] = 0;
    EXPECT_EQ(check(), 1);
    s().matice[13][24] = 15;
    EXPECT_EQ(check(), 0);
}

TEST_F(FillabilityTest, HalfOfTheOtherDirectionIsNotTested) {
    at(0, 0) = 10;  // a down code on an up cell: no rule applies to it
    at(0, -1) = 100, at(0, 1) = 100, at(1, 0) = 100;
    EXPECT_EQ(check(), 1);
}

}  // namespace
}  // namespace tessera
