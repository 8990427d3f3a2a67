// The independent check of placement files: every kind of fault is found and named, all of them
// in one run, and a complete board is told apart from a valid but partial one.
#include "check/checker.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "tools/generator.h"

namespace tessera {
namespace {

// Pieces of one cell: 1 and 2 whole, 3 to 5 halves (5, 15 and 95) of an up-pointing cell;
// piece 6 two whole cells side by side. Piece 7 is not in the file.
class CheckerTest : public test::SolverTest {
protected:
    void SetUp() override {
        start_up({{1, 1, 1, 100},
                  {2, 1, 1, 100},
                  {3, 1, 1, 5},
                  {4, 1, 1, 15},
                  {5, 1, 1, 95},
                  {6, 1, 1, 100},
                  {6, 1, 2, 100}});
    }
    check::PlacementReport check(const std::string& text) {
        test::write_file("placement.txt", text);
        auto list = std::make_unique<PlacementList>();
        EXPECT_EQ(read_placement_file("placement.txt", *list), "");
        return check::check_placement(s().prvky, *list, "placement.txt");
    }
};

// Board cell (10, 21) points up, as the single cells do in their records.
TEST_F(CheckerTest, PartialPlacementIsValidButNotComplete) {
    const check::PlacementReport r = check("1 10 21 1\n3 10 23 1\n5 10 23 1\n");
    EXPECT_EQ(r.placed, 3);
    EXPECT_TRUE(r.valid());
    EXPECT_FALSE(r.complete());
    EXPECT_EQ(r.incomplete, 1278 - 2) << "two of the 1,278 cells of the playing area are full";
    EXPECT_EQ(check::verdict(r), "not complete: 1276 cells");
}

TEST_F(CheckerTest, EachKindOfFaultIsNamedWithItsFileAndLine) {
    const check::PlacementReport twice = check("1 10 21 1\n1 12 21 1\n");
    ASSERT_EQ(twice.twice.size(), 1u);
    EXPECT_EQ(twice.twice[0], "placement.txt:2: piece 1 is placed again (first on line 1)");
    EXPECT_TRUE(twice.overfull.empty());

    const check::PlacementReport overlap = check("1 10 21 1\n2 10 21 1\n");
    ASSERT_EQ(overlap.overfull.size(), 1u);
    EXPECT_NE(overlap.overfull[0].find("placement.txt:2: cell 10,21 is covered more than once"), std::string::npos)
        << overlap.overfull[0];

    const check::PlacementReport halves = check("3 10 21 1\n4 10 21 1\n");
    ASSERT_EQ(halves.unmatched.size(), 1u);
    EXPECT_EQ(halves.unmatched[0],
              "placement.txt:2: cell 10,21: piece 3 (5, line 1) and piece 4 (15, line 2) do not complete each other");

    const check::PlacementReport frame = check("1 0 21 1\n");
    EXPECT_EQ(frame.overfull.size(), 1u) << "the frame is full";

    const check::PlacementReport off = check("6 31 54 1\n");
    ASSERT_EQ(off.off_board.size(), 1u);
    EXPECT_EQ(off.off_board[0], "placement.txt:1: piece 6 puts a cell at 31,55, off the board");

    const check::PlacementReport wrong_way = check("1 10 20 1\n");
    EXPECT_EQ(wrong_way.misturned.size(), 1u) << "10 + 20 is even: a down-pointing cell";

    const check::PlacementReport no_shape = check("7 10 21 1\n");
    ASSERT_EQ(no_shape.shapeless.size(), 1u);
    EXPECT_EQ(no_shape.shapeless[0], "placement.txt:1: piece 7 has no shape in the piece file");

    for (const auto* r : {&twice, &overlap, &halves, &frame, &off, &wrong_way, &no_shape}) {
        EXPECT_FALSE(r->valid());
        EXPECT_EQ(check::verdict(*r).rfind("fault: placement.txt:", 0), 0u) << check::verdict(*r);
    }
}

TEST_F(CheckerTest, AllFaultsOfAFileAreFoundInOneRun) {
    const check::PlacementReport r = check("1 10 21 1\n2 10 21 1\n3 12 21 1\n4 12 21 1\n2 14 21 1\n");
    EXPECT_EQ(r.placed, 5);
    EXPECT_EQ(r.overfull.size(), 1u);
    EXPECT_EQ(r.unmatched.size(), 1u);
    EXPECT_EQ(r.twice.size(), 1u);
}

TEST_F(CheckerTest, OutlineHalvesCountAsTheOutsideHalf) {
    // Cell (1, 18) points up and holds the outside half 85: 15 completes it, 5 does not.
    const check::PlacementReport fits = check("4 1 18 1\n");
    EXPECT_TRUE(fits.valid());
    EXPECT_EQ(fits.incomplete, 1278 - 1);
    const check::PlacementReport clash = check("3 1 18 1\n");
    ASSERT_EQ(clash.unmatched.size(), 1u);
    EXPECT_NE(clash.unmatched[0].find("the outside half 85 and piece 3 (5, line 1)"), std::string::npos)
        << clash.unmatched[0];
}

// On a generated puzzle: the full solution is verified, and each missing or extra piece shows.
TEST(CheckerOnPuzzleTest, FullSolutionIsVerifiedAndAMissingPieceIsNot) {
    test::ScratchDir dir;
    tools::GenerateReport report;
    ASSERT_EQ(tools::generate_puzzle_files(".", 11, {1}, report), "");
    MemoryPanel panel;
    auto solver = std::make_unique<Solver>(panel);
    solver->FormCreate();
    auto list = std::make_unique<PlacementList>();
    ASSERT_EQ(read_placement_file("solution.txt", *list), "");
    const check::PlacementReport full = check::check_placement(solver->state().prvky, *list, "solution.txt");
    EXPECT_TRUE(full.complete());
    EXPECT_EQ(check::verdict(full), "verified");

    // The solver's own stack after loading gives the same answer.
    ASSERT_EQ(solver->nacti_reseni("solution.txt"), 0);
    EXPECT_EQ(check::verdict(check::check_stack(solver->state())), "verified");

    list->count -= 1;
    const check::PlacementReport short_one = check::check_placement(solver->state().prvky, *list, "solution.txt");
    EXPECT_TRUE(short_one.valid());
    EXPECT_GE(short_one.incomplete, 6);
    EXPECT_LE(short_one.incomplete, 12);
    EXPECT_EQ(short_one.incomplete_cells.size(), static_cast<std::size_t>(short_one.incomplete));
}

}  // namespace
}  // namespace tessera
