// Placing and lifting pieces: the board, the stack, the flags and the open-spot list change
// together and are restored together.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>

#include "board/board.h"
#include "test_support.h"

namespace tessera {
namespace {

using test::kGapPair;

class PlaceLiftTest : public test::SolverTest {
protected:
    void SetUp() override {
        start_up(kGapPair);
        s().params = SearchParams{0, 0, 0, 20, 40, 0, 0, 3, 5, 1, 18};
    }
    void place(int piece, int orientation, int row, int col) {
        s().target_row = row;
        s().target_col = col;
        solver->pridej_prvek(record(piece, orientation));
    }
    // Places piece 2 so that its candidate `index` of kind 26 lies on the spot at (10, 22).
    void fill_gap_with_candidate(int index) {
        const Candidate& c = s().hroty[26][index];
        ASSERT_EQ(c.piece, 2);
        const PieceRecord& rec = record(c.piece, c.orientation);
        place(c.piece, c.orientation, 10 + rec.anchor_row - c.row, 22 + rec.anchor_col - c.col);
    }
};

TEST_F(PlaceLiftTest, PlacingPushesLaysCellsAndOpensItsHoles) {
    s().next_candidate = 7;
    place(1, 1, 10, 21);
    EXPECT_EQ(s().depth, 1);
    EXPECT_EQ(s().next_candidate, 1);
    EXPECT_EQ(s().matice[10][21], 100);
    EXPECT_EQ(s().matice[10][23], 100);
    EXPECT_EQ(s().reseni[1].piece, 1);
    EXPECT_EQ(s().reseni[1].row, 10);
    EXPECT_EQ(s().reseni[1].col, 21);
    EXPECT_EQ(s().reseni[1].orientation, 1);
    EXPECT_EQ(s().piece_used[1], 1);
    ASSERT_EQ(s().open_count, 1);
    const OpenSpot spot = s().volny[1];
    EXPECT_EQ(spot.owner, 1);
    EXPECT_EQ(spot.kind, 26);
    EXPECT_EQ(spot.row, 10);
    EXPECT_EQ(spot.col, 22);
    EXPECT_EQ(spot.filled, 0);
}

TEST_F(PlaceLiftTest, EverySpotOnACellOfThePieceIsMarkedAgain) {
    place(1, 1, 10, 21);
    s().volny[2] = OpenSpot{7, 26, 10, 22, 1, 7};  // already filled by another piece
    s().open_count = 2;
    fill_gap_with_candidate(7);
    EXPECT_EQ(s().volny[1].filled, 1);
    EXPECT_EQ(s().volny[1].filler, 2);
    EXPECT_EQ(s().volny[2].filler, 2);
}

TEST_F(PlaceLiftTest, HoleOnAFullCellOpensNoSpot) {
    s().matice[10][22] = 100;
    place(1, 1, 10, 21);
    EXPECT_EQ(s().open_count, 0);
}

TEST_F(PlaceLiftTest, LimitWindowDecidesWhichHolesOpenSpots) {
    s().params = SearchParams{1, 5, 10, 20, 40, 0, 0, 0, 0, 1, 18};
    PieceRecord rec = record(1, 1);
    struct Case {
        int row, col;
        bool opens;
    };
    for (const Case c : {Case{6, 11, true}, {20, 40, true}, {5, 20, false}, {12, 10, false}, {21, 20, false},
                         {12, 41, false}}) {
        rec.holes[1].row = c.row - 10 + rec.anchor_row;
        rec.holes[1].col = c.col - 21 + rec.anchor_col;
        s().target_row = 10, s().target_col = 21;
        solver->pridej_prvek(rec);
        EXPECT_EQ(s().open_count, c.opens ? 1 : 0) << c.row << "," << c.col;
        solver->odeber_prvek();
    }
    s().params.use_limits = 0;
    rec.holes[1].row = 30 - 10 + rec.anchor_row;
    rec.holes[1].col = 20 - 21 + rec.anchor_col;
    s().target_row = 10, s().target_col = 21;
    solver->pridej_prvek(rec);
    EXPECT_EQ(s().open_count, 1) << "without limits the window is ignored";
}

TEST_F(PlaceLiftTest, LiftingTheOnlyPieceEmptiesEverything) {
    place(1, 1, 10, 21);
    solver->odeber_prvek();
    EXPECT_EQ(s().depth, 0);
    EXPECT_EQ(s().open_count, 0);
    EXPECT_EQ(s().volny[1].kind, 0);
    EXPECT_EQ(s().piece_used[1], 0);
    EXPECT_EQ(s().reseni[1].piece, 0);
    EXPECT_EQ(s().next_candidate, 1);
    BoardMatrix initial;
    fill_initial_board(initial);
    EXPECT_EQ(std::memcmp(initial, s().matice, sizeof initial), 0);
}

TEST_F(PlaceLiftTest, LiftResumesAfterTheLiftedPiecesCandidate) {
    place(1, 1, 10, 21);
    fill_gap_with_candidate(7);
    solver->odeber_prvek();
    EXPECT_EQ(s().depth, 1);
    EXPECT_EQ(s().next_candidate, 8);
    EXPECT_EQ(s().volny[1].filled, 0) << "the spot the piece covered is open again";
    EXPECT_EQ(s().volny[1].filler, 0);
}

TEST_F(PlaceLiftTest, LiftingTheLastFreeCandidateAlsoLiftsThePieceBelow) {
    place(1, 1, 10, 21);
    ASSERT_EQ(s().hroty_count[26], 12);
    fill_gap_with_candidate(12);
    solver->odeber_prvek();
    EXPECT_EQ(s().depth, 0);
    EXPECT_EQ(s().next_candidate, 13);
    EXPECT_EQ(s().open_count, 0);
}

// With no open spot after a lift there is nothing to resume at, so lifting goes on.
TEST_F(PlaceLiftTest, LiftWithNoOpenSpotGoesOnLifting) {
    place(1, 1, 10, 21);
    fill_gap_with_candidate(7);
    for (int i = 1; i <= s().open_count; ++i) s().volny[i].filled = 1, s().volny[i].filler = 1;
    solver->odeber_prvek();
    EXPECT_EQ(s().depth, 0);
    EXPECT_EQ(s().next_candidate, 1);
}

TEST_F(PlaceLiftTest, DeletingASpotMovesTheRestDown) {
    for (int i = 1; i <= 4; ++i) s().volny[i] = OpenSpot{i, i, i, i, 0, 0};
    s().open_count = 4;
    solver->smaz(4);
    EXPECT_EQ(s().open_count, 3);
    EXPECT_EQ(s().volny[4].kind, 0);
    solver->smaz(1);
    EXPECT_EQ(s().open_count, 2);
    EXPECT_EQ(s().volny[1].owner, 2);
    EXPECT_EQ(s().volny[2].owner, 3);
    EXPECT_EQ(s().volny[3].owner, 0);
}

// Random shapes, random accepted placements and random lifts: every lift must give back the
// board, the flags and the spots that were there before the lifted placements (only the marks
// of spots that a lifted piece had covered may differ).
TEST(PlaceLiftProperty, LiftingRestoresWhatPlacingChanged) {
    test::ScratchDir dir;
    std::mt19937 rng(11);
    std::string pieces;
    for (int p = 1; p <= 60; ++p)
        for (int i = 0; i < 4; ++i)
            pieces += std::to_string(p) + " " + std::to_string(1 + rng() % 2) + " " + std::to_string(1 + rng() % 4) +
                      " 100\n";
    test::write_file("zdroj.txt", pieces);
    MemoryPanel panel;
    Solver solver(panel);
    solver.FormCreate();
    SolverState& s = solver.state();
    s.params = SearchParams{0, 0, 0, 30, 54, 0, 0, 0, 0, 1, 18};

    struct Snapshot {
        BoardMatrix board;
        i32 used[kPieceCount + 1];
        std::vector<std::array<i32, 4>> spots;
    };
    const auto take = [&] {
        Snapshot snap;
        std::memcpy(snap.board, s.matice, sizeof snap.board);
        std::memcpy(snap.used, s.piece_used, sizeof snap.used);
        for (int i = 1; i <= s.open_count; ++i)
            snap.spots.push_back({s.volny[i].owner, s.volny[i].kind, s.volny[i].row, s.volny[i].col});
        return snap;
    };
    std::vector<Snapshot> before;  // before[d]: the state when depth was d
    int placed = 0, lifted = 0;
    for (int step = 0; step < 3000; ++step) {
        const bool lift = s.depth > 0 && rng() % 3 == 0;
        if (!lift) {
            // Try random pieces at random cells near the middle until the check accepts one.
            for (int attempt = 0; attempt < 200; ++attempt) {
                const int p = 1 + static_cast<int>(rng() % 60), o = 1 + static_cast<int>(rng() % 6);
                if (s.piece_used[p]) continue;
                s.target_row = 3 + static_cast<int>(rng() % 26);
                s.target_col = 3 + static_cast<int>(rng() % 49);
                if (!solver.kontrola(s.prvky[p][o])) continue;
                before.resize(s.depth);
                before.push_back(take());
                solver.pridej_prvek(s.prvky[p][o]);
                ++placed;
                break;
            }
            continue;
        }
        solver.odeber_prvek();
        ++lifted;
        const Snapshot now = take();
        const Snapshot& then = before[s.depth];
        ASSERT_EQ(std::memcmp(now.board, then.board, sizeof now.board), 0) << "step " << step;
        ASSERT_EQ(std::memcmp(now.used, then.used, sizeof now.used), 0) << "step " << step;
        ASSERT_EQ(now.spots, then.spots) << "step " << step;
        for (int i = s.open_count + 1; i < kSpotSlots; ++i) ASSERT_EQ(s.volny[i].kind, 0);
    }
    EXPECT_GT(placed, 100);
    EXPECT_GT(lifted, 50);
}

}  // namespace
}  // namespace tessera
