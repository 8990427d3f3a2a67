// The fill engine's parts judged against plain recounts, the exact walk and the independent
// checker, on the shipped puzzle.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <iterator>
#include <memory>

#include "search/placement_file.h"
#include "solve/fill.h"
#include "solve/fill_exact.h"
#include "solve/fill_state.h"
#include "solve/units.h"
#include "test_support.h"
#include "check/checker.h"

namespace tessera {
namespace {

class FillTest : public test::SolverTest {
protected:
    void SetUp() override {
        solver->set_pieces_path((test::shipped_data() / "zdroj.txt").string());
        solver->FormCreate();
    }
    std::vector<Placement> placement_file(const std::string& name) {
        auto list = std::make_unique<PlacementList>();
        const std::string path = (test::shipped_data() / name).string();
        EXPECT_EQ(read_placement_file(path.c_str(), *list), "");
        return {list->entries, list->entries + list->count};
    }
    solve::Problem problem_of(const std::vector<Placement>& fixed) {
        solve::Problem p;
        solve::build_problem(s().prvky, fixed, {}, p);
        return p;
    }
    // The checker's verdict on the fixed placement and the rest laid after it.
    check::PlacementReport check(const solve::Problem& p, const std::vector<Placement>& rest) {
        auto list = std::make_unique<PlacementList>();
        for (const std::vector<Placement>* part : {&p.fixed, &rest})
            for (const Placement& e : *part) {
                list->entries[list->count] = e;
                list->lines[list->count] = list->count + 1;
                ++list->count;
            }
        return check::check_placement(s().prvky, *list, "fill");
    }
    std::uint64_t count(const solve::Problem& p) {
        solve::SearchTotals totals;
        totals.frontier.push_back({});
        solve::RunOptions options;
        EXPECT_EQ(solve::run_search(p, totals, options), solve::RunEnd::Complete);
        return totals.tilings;
    }
};

// The live rows of every open sixth, counted row by row.
int wrong_live_counts(const solve::FillState& state) {
    const solve::Problem& p = state.problem();
    int wrong = 0;
    for (std::int32_t cell = 0; cell < static_cast<std::int32_t>(p.cell_row.size()); ++cell)
        for (std::uint32_t m = state.open_in(cell); m != 0; m &= m - 1) {
            const int k = std::countr_zero(m);
            std::int32_t n = 0;
            for (std::uint32_t i = p.cell_list_start[cell]; i < p.cell_list_start[cell + 1]; ++i) {
                const solve::ListEntry& e = p.cell_lists[i];
                if ((e.mask >> k & 1) == 0) continue;
                bool fits = state.class_free(p.rows[e.row].cls) > 0;
                const solve::Row& r = p.rows[e.row];
                for (std::uint32_t j = 0; j < r.count && fits; ++j)
                    fits = (p.row_cells[r.first + j].mask & state.cover(p.row_cells[r.first + j].cell)) == 0;
                EXPECT_EQ(fits, state.live(e.row));
                n += fits;
            }
            wrong += n != state.live_in(cell, k);
        }
    return wrong;
}

TEST_F(FillTest, LiveCountsFollowLayingAndLiftingInAnyOrder) {
    const solve::Problem p = problem_of(placement_file("partial_20.txt"));
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        solve::FillState state(p);
        std::uint64_t rng = seed;
        auto next = [&rng](std::uint64_t n) {
            rng = rng * 6364136223846793005ULL + 1442695040888963407ULL;
            return (rng >> 33) % n;
        };
        for (int step = 0; step < 40; ++step) {
            std::vector<std::uint32_t> live;
            for (std::uint32_t r = 0; r < p.rows.size(); ++r)
                if (state.live(r)) live.push_back(r);
            // Mostly lay, sometimes lift a piece from anywhere in the order of laying.
            if (!state.laid().empty() && (live.empty() || next(3) == 0))
                state.lift(state.laid()[next(state.laid().size())].piece);
            else if (!live.empty())
                state.place(live[next(live.size())]);
            ASSERT_EQ(wrong_live_counts(state), 0) << "seed " << seed << " step " << step;
            const check::PlacementReport report = check(p, state.placements());
            ASSERT_TRUE(report.valid()) << check::verdict(report);
        }
        state.lift_last(state.laid().size());
        EXPECT_EQ(state.uncovered(), p.primary_area);
        EXPECT_EQ(wrong_live_counts(state), 0);
    }
}

// What is left of a board, derived from the fill's state, has the tilings of the same board
// built from scratch: with nothing laid, and with some of the missing pieces laid where the
// solution has them.
TEST_F(FillTest, TheRestOfABoardHasTheTilingsOfTheSameBoardBuiltAnew) {
    const std::vector<Placement> partial = placement_file("partial_6.txt");
    const std::vector<Placement> solution = placement_file("solution.txt");
    std::vector<Placement> missing;
    for (const Placement& e : solution)
        if (std::none_of(partial.begin(), partial.end(), [&](const Placement& f) { return f.piece == e.piece; }))
            missing.push_back(e);
    ASSERT_EQ(missing.size(), 6u);
    const solve::Problem p = problem_of(partial);
    for (std::size_t laid : {0u, 1u, 3u}) {
        solve::FillState state(p);
        std::vector<Placement> fixed = partial;
        for (std::size_t i = 0; i < laid; ++i) {
            missing[i] = solve::lowest_orientations(s().prvky, {missing[i]})[0];
            const std::int32_t row = state.find_row(missing[i]);
            ASSERT_GE(row, 0);
            state.place(static_cast<std::uint32_t>(row), missing[i].piece);
            fixed.push_back(missing[i]);
        }
        solve::Problem rest;
        solve::derive_problem(state, nullptr, rest);
        EXPECT_EQ(count(rest), count(problem_of(fixed))) << laid << " laid";
        const std::atomic<bool> stop{false};
        const solve::ExactOutcome found = solve::complete_exactly(rest, 0, stop);
        ASSERT_EQ(found.end, solve::ExactOutcome::End::Found);
        std::vector<Placement> all = state.placements();
        all.insert(all.end(), found.placements.begin(), found.placements.end());
        EXPECT_TRUE(check(p, all).complete());
    }
}

// A window over the whole gap, covered by any of the free pieces, has the tilings of the gap as
// a full board: the gap's area is the free pieces' area, so every one of them is used.
TEST_F(FillTest, AWindowOverTheWholeGapHasTheGapsTilings) {
    for (const char* name : {"partial_2.txt", "partial_6.txt"}) {
        const solve::Problem p = problem_of(placement_file(name));
        solve::FillState state(p);
        std::vector<std::int32_t> window;
        for (std::int32_t cell = 0; cell < static_cast<std::int32_t>(p.cell_row.size()); ++cell) window.push_back(cell);
        solve::Problem part;
        solve::derive_problem(state, &window, part);
        EXPECT_TRUE(part.region.limited);
        EXPECT_EQ(count(part), count(p)) << name;
    }
}

// Every placement of the solution, in the orientation the file gives it, is a row of the empty
// board once taken in its lowest orientation with the same cells.
TEST_F(FillTest, EveryPlacementOfTheSolutionIsARowInItsLowestOrientation) {
    const solve::Problem p = problem_of({});
    const solve::FillState state(p);
    int missing = 0;
    for (const Placement& e : solve::lowest_orientations(s().prvky, placement_file("solution.txt")))
        missing += state.find_row(e) < 0;
    EXPECT_EQ(missing, 0);
}

// A placement is laid only where it fits the board as it is; lifted pieces are noted with their
// cells, and laid back they leave the board as it was.
TEST_F(FillTest, PlacementsAreLaidOnlyWhereTheyFitAndLiftedOnesGoBack) {
    const std::vector<Placement> partial = placement_file("partial_6.txt");
    std::vector<Placement> missing;
    for (const Placement& e : solve::lowest_orientations(s().prvky, placement_file("solution.txt")))
        if (std::none_of(partial.begin(), partial.end(), [&](const Placement& f) { return f.piece == e.piece; }))
            missing.push_back(e);
    ASSERT_EQ(missing.size(), 6u);
    const solve::Problem p = problem_of(partial);
    solve::FillState state(p);
    Placement elsewhere = missing[1];
    elsewhere.row = missing[0].row;
    elsewhere.col = missing[0].col;
    Placement off_board = missing[0];
    off_board.row = 0;
    off_board.col = 0;
    struct Case {
        const char* what;
        Placement e;
        bool fits;
    };
    const Case cases[] = {
        {"its place in the solution", missing[0], true},
        {"the same piece again", missing[0], false},
        {"another piece over it", elsewhere, false},
        {"a piece of the fixed placement", partial[0], false},
        {"no such piece", {0, missing[2].row, missing[2].col, missing[2].orientation}, false},
        {"outside the board", off_board, false},
    };
    for (const Case& c : cases) {
        const std::int64_t before = state.uncovered();
        const int piece = state.place_if_fits(c.e);
        EXPECT_EQ(piece, c.fits ? c.e.piece : 0) << c.what;
        EXPECT_EQ(state.uncovered() < before, c.fits) << c.what;
    }
    for (std::size_t i = 1; i < missing.size(); ++i) ASSERT_NE(state.place_if_fits(missing[i]), 0) << i;
    ASSERT_EQ(state.uncovered(), 0);
    const std::vector<Placement> full = state.placements();

    std::vector<solve::FillState::Laid> lifted;
    std::vector<std::int32_t> cells;
    state.lift_pieces({missing[0].piece, partial[0].piece, missing[3].piece}, lifted, cells);
    ASSERT_EQ(lifted.size(), 2u);  // a piece of the fixed placement is not the fill's to lift
    std::int64_t area = 0;
    for (const solve::FillState::Laid& l : lifted) area += p.rows[l.row].area;
    EXPECT_EQ(state.uncovered(), area);
    std::int64_t cell_area = 0;
    for (const std::int32_t cell : cells) cell_area += std::popcount(state.open_in(cell));
    EXPECT_EQ(cell_area, area);
    EXPECT_TRUE(state.piece_free(missing[0].piece) && state.piece_free(missing[3].piece));
    state.lay_back(lifted);
    EXPECT_EQ(state.uncovered(), 0);
    EXPECT_EQ(wrong_live_counts(state), 0);
    EXPECT_TRUE(check(p, state.placements()).complete());
    EXPECT_EQ(state.placements().size(), full.size());
}

struct GapCase {
    const char* partial;
    int endgame_pieces;
    int exact_first_pieces;
};

class FillGapTest : public FillTest, public ::testing::WithParamInterface<GapCase> {};

// A gap is filled by the exact search alone, or swept in part and the rest handed to it; either
// way the board passes the checker, and the same seed lays the same board.
TEST_P(FillGapTest, GapsAreFilledAndTheSameSeedGivesTheSameBoard) {
    const GapCase c = GetParam();
    const solve::Problem p = problem_of(placement_file(c.partial));
    solve::FillOptions o;
    o.seed = 7;
    o.endgame_pieces = c.endgame_pieces;
    o.exact_first_pieces = c.exact_first_pieces;
    const solve::FillResult first = solve::fill_board(p, o);
    ASSERT_TRUE(first.full);
    EXPECT_TRUE(check(p, first.placements).complete()) << check::verdict(check(p, first.placements));
    const solve::FillResult again = solve::fill_board(p, o);
    ASSERT_EQ(again.placements.size(), first.placements.size());
    for (std::size_t i = 0; i < first.placements.size(); ++i) {
        EXPECT_EQ(again.placements[i].piece, first.placements[i].piece);
        EXPECT_EQ(again.placements[i].row, first.placements[i].row);
        EXPECT_EQ(again.placements[i].col, first.placements[i].col);
        EXPECT_EQ(again.placements[i].orientation, first.placements[i].orientation);
    }
}

INSTANTIATE_TEST_SUITE_P(Gaps, FillGapTest,
                         ::testing::Values(GapCase{"partial_10.txt", 40, 100}, GapCase{"partial_10.txt", 4, 0},
                                           GapCase{"partial_20.txt", 12, 0}));

// On two threads one sweeps bands or rings and the other rings only; whichever fills the gap, the
// board passes the checker.
TEST_F(FillTest, TwoThreadsSweepingInTheirOwnOrdersFillAGap) {
    const solve::Problem p = problem_of(placement_file("partial_20.txt"));
    for (const bool by_thread : {true, false}) {
        solve::FillOptions o;
        o.seed = 11;
        o.threads = 2;
        o.endgame_pieces = 4;
        o.exact_first_pieces = 0;
        o.inward_on_odd_threads = by_thread;
        const solve::FillResult result = solve::fill_board(p, o);
        ASSERT_TRUE(result.full) << by_thread;
        EXPECT_TRUE(check(p, result.placements).complete()) << check::verdict(check(p, result.placements));
    }
}

// Repair from a placement that dead-ends: the solution less six pieces, and in the gap one piece
// laid where no completion can have it. The repair must lift it and fill the board.
TEST_F(FillTest, RepairLiftsAPieceThatDeadEndsAndFillsTheBoard) {
    const solve::Problem p = problem_of({});
    std::vector<Placement> start = solve::lowest_orientations(s().prvky, placement_file("partial_6.txt"));
    solve::FillState state(p);
    for (const Placement& e : start) {
        const std::int32_t row = state.find_row(e);
        ASSERT_GE(row, 0) << "piece " << e.piece;
        state.place(static_cast<std::uint32_t>(row), e.piece);
    }
    // A live row in the gap after which nothing completes the board.
    const std::atomic<bool> stop{false};
    bool displaced = false;
    for (std::uint32_t r = 0; r < p.rows.size() && !displaced; ++r) {
        if (!state.live(r)) continue;
        const int piece = state.place(r);
        solve::Problem rest;
        solve::derive_problem(state, nullptr, rest);
        if (solve::complete_exactly(rest, 0, stop).end == solve::ExactOutcome::End::None) {
            start.push_back(state.placements().back());
            displaced = true;
        }
        state.lift(piece);
    }
    ASSERT_TRUE(displaced);
    solve::FillOptions o;
    o.seed = 3;
    int reports = 0;
    o.on_progress = [&reports](const solve::FillProgress& progress) {
        ++reports;
        EXPECT_GE(progress.best_pieces, 0);
    };
    const solve::FillResult result = solve::repair(p, start, o);
    ASSERT_TRUE(result.full);
    EXPECT_TRUE(check(p, result.placements).complete()) << check::verdict(check(p, result.placements));
    EXPECT_GE(reports, 1);
    // Most of the start stays where it was: the same shape on the same cells (congruent pieces
    // may trade their numbers when a window is laid again).
    std::vector<std::int32_t> before, after;
    for (const Placement& e : start) before.push_back(state.find_row(e));
    for (const Placement& f : result.placements) after.push_back(state.find_row(f));
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    std::vector<std::int32_t> kept;
    std::set_intersection(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(kept));
    EXPECT_GE(kept.size(), 180u);
}

// A repair stopped before it lays anything still reports the start as its best: the caller keeps
// and counts what it returns.
TEST_F(FillTest, ARepairStoppedAtOnceReturnsItsStart) {
    const solve::Problem p = problem_of({});
    const std::vector<Placement> start = solve::lowest_orientations(s().prvky, placement_file("partial_20.txt"));
    solve::FillOptions o;
    o.threads = 2;
    o.should_stop = [] { return true; };
    const solve::FillResult result = solve::repair(p, start, o);
    if (result.full) GTEST_SKIP() << "the board was full before the stop was seen";
    EXPECT_GE(result.placements.size(), start.size());
    EXPECT_TRUE(check(p, result.placements).valid()) << check::verdict(check(p, result.placements));
}

// A stop ends a fill of the whole board with a valid placement, the best so far.
TEST_F(FillTest, AStopEndsTheRunWithAValidBestSoFar) {
    const solve::Problem p = problem_of({});
    solve::FillOptions o;
    o.threads = 2;
    std::atomic<int> polls{0};
    o.should_stop = [&polls] { return ++polls > 20; };
    const solve::FillResult result = solve::fill_board(p, o);
    EXPECT_FALSE(result.full);
    EXPECT_TRUE(check(p, result.placements).valid()) << check::verdict(check(p, result.placements));
}

}  // namespace
}  // namespace tessera
