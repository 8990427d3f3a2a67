// Orientation records of small shapes: where each orientation stands and where its anchor is.
#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"

namespace tessera {
namespace {

using test::Cell;
using test::cell_tokens;
using Tokens = std::vector<std::string>;

class RecordsTest : public test::SolverTest {};

TEST_F(RecordsTest, SingleFullCellStandsAtItsPlaceInEveryOrientation) {
    start_up({{1, 1, 1, 100}});
    for (int o = 1; o <= 6; ++o) {
        const PieceRecord& rec = record(1, o);
        const int col = o % 2 == 1 ? 4 : 3;
        EXPECT_EQ(cell_tokens(rec), Tokens{"2," + std::to_string(col) + "=100"}) << "orientation " << o;
        EXPECT_EQ(rec.anchor_row, 2);
        EXPECT_EQ(rec.anchor_col, col);
        EXPECT_EQ(rec.number, 1);
        EXPECT_EQ(rec.orientation, o);
    }
}

TEST_F(RecordsTest, HalfCodesTurnWithTheOrientation) {
    start_up({{1, 1, 1, 5}, {2, 1, 1, 95}});
    const int up_codes[] = {5, 10, 15, 20, 25, 30};
    const int down_codes[] = {95, 90, 85, 80, 75, 70};
    for (int o = 1; o <= 6; ++o) {
        const int col = o % 2 == 1 ? 4 : 3;
        EXPECT_EQ(record(1, o).cells[2][col], up_codes[o - 1]) << o;
        EXPECT_EQ(record(2, o).cells[2][col], down_codes[o - 1]) << o;
    }
}

TEST_F(RecordsTest, ThreeCellsInARow) {
    start_up({{1, 1, 1, 100}, {1, 1, 2, 100}, {1, 1, 3, 100}});
    EXPECT_EQ(cell_tokens(record(1, 1)), (Tokens{"2,4=100", "2,5=100", "2,6=100"}));
    EXPECT_EQ(cell_tokens(record(1, 2)), (Tokens{"2,4=100", "2,5=100", "3,4=100"}));
    EXPECT_EQ(cell_tokens(record(1, 4)), (Tokens{"2,3=100", "2,4=100", "2,5=100"}));
    EXPECT_EQ(cell_tokens(record(1, 5)), (Tokens{"2,4=100", "3,3=100", "3,4=100"}));
    EXPECT_EQ(record(1, 5).anchor_row, 2);
    EXPECT_EQ(record(1, 5).anchor_col, 4);
}

TEST_F(RecordsTest, TwoCellsOneAboveTheOther) {
    start_up({{1, 1, 1, 100}, {1, 2, 1, 100}});
    const Tokens vertical{"2,4=100", "3,4=100"}, left{"2,3=100", "2,4=100"}, right{"2,4=100", "2,5=100"};
    EXPECT_EQ(cell_tokens(record(1, 1)), vertical);
    EXPECT_EQ(cell_tokens(record(1, 4)), vertical);
    EXPECT_EQ(cell_tokens(record(1, 2)), left);
    EXPECT_EQ(cell_tokens(record(1, 5)), left);
    EXPECT_EQ(cell_tokens(record(1, 3)), right);
    EXPECT_EQ(cell_tokens(record(1, 6)), right);
}

TEST_F(RecordsTest, WideShapeWithEvenCornerStartsOnRowThree) {
    // Six cells of row 2, from column 2: top + left is even and it spans six columns.
    std::vector<Cell> cells;
    for (int c = 2; c <= 7; ++c) cells.push_back({1, 2, c, 100});
    start_up(cells);
    const PieceRecord& rec = record(1, 1);
    EXPECT_EQ(rec.anchor_row, 3);
    EXPECT_EQ(rec.anchor_col, 3);
    EXPECT_EQ(rec.cells[3][8], 100);
}

TEST_F(RecordsTest, TurningToAnOrientationOutsideOneToSixGivesNothing) {
    start_up({{1, 1, 1, 100}, {1, 2, 2, 100}});
    s().prvky[1][1].cells[1][1] = 100;  // a raw shape, as while loading
    EXPECT_TRUE(test::occupied(solver->napln_prvek(1, 0)).empty());
    EXPECT_TRUE(test::occupied(solver->napln_prvek(1, 7)).empty());
}

TEST_F(RecordsTest, PiecesTheFileNeverMentionsAreEmptyWithTheirNumber) {
    start_up("");
    EXPECT_EQ(solver->pieces_status(), -2) << "built, but a search on it is refused";
    for (int p = 1; p <= kPieceCount; ++p)
        for (int o = 1; o <= 6; ++o) {
            const PieceRecord& rec = record(p, o);
            ASSERT_TRUE(test::occupied(rec).empty());
            ASSERT_EQ(rec.number, p);
            ASSERT_EQ(rec.orientation, o);
            ASSERT_EQ(rec.anchor_row, 0);
            ASSERT_EQ(rec.anchor_col, 0);
        }
}

TEST_F(RecordsTest, CellBelowTheTurningBoxStaysInOrientationOneOnly) {
    testing::internal::CaptureStderr();
    start_up({{3, 5, 1, 100}});
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(cell_tokens(record(3, 1)), Tokens{"2,4=100"});
    for (int o = 2; o <= 6; ++o) {
        EXPECT_TRUE(test::occupied(record(3, o)).empty()) << o;
        EXPECT_EQ(record(3, o).anchor_row, 0);
    }
}

TEST_F(RecordsTest, LaterGroupForTheSameCellWins) {
    start_up({{1, 1, 1, 5}, {1, 1, 1, 95}});
    EXPECT_EQ(record(1, 1).cells[2][4], 95);
}

TEST_F(RecordsTest, TrailingLineBreaksAndBlanksChangeNothing) {
    start_up("1 1 1 100\n1 1 2 100");
    auto other = std::make_unique<Solver>(panel);
    test::write_file("zdroj.txt", "1 1 1 100\n1 1 2 100\n\n   \n");
    other->FormCreate();
    EXPECT_EQ(std::memcmp(&other->state().prvky, &s().prvky, sizeof s().prvky), 0);
}

}  // namespace
}  // namespace tessera
