// The CDCL engine judged against the walk (counts of tilings by blocking each model found), the
// independent checker (every decoded model), and the walk's own labelling (a decoded solution
// is a path the walk accepts); then "no solution", the incremental calls, stops and the race.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <set>

#include "board/board.h"
#include "search/placement_file.h"
#include "solve/portfolio.h"
#include "solve/sat.h"
#include "test_support.h"
#include "check/checker.h"
#include "tools/generator.h"

namespace tessera {
namespace {

using solve::AtMostOne;
using solve::Prefix;
using solve::SatEngine;
using solve::ShapeCount;

// One up triangle twice, a half triangle twice, a diamond of an up and a down cell, and a
// triangle with a half beside it (the pieces of the walk's own small tests).
const std::vector<test::Cell> kSmallPieces = {
    {1, 1, 1, 100}, {2, 1, 1, 100}, {3, 1, 1, 95}, {4, 1, 1, 95}, {5, 1, 1, 100}, {5, 1, 2, 100},
    {6, 1, 1, 100}, {6, 1, 2, 80},
};

const solve::EncodingOptions kEncodings[] = {
    {AtMostOne::Sequential, ShapeCount::AtMost},  {AtMostOne::Pairwise, ShapeCount::AtMost},
    {AtMostOne::Commander, ShapeCount::AtMost},   {AtMostOne::Sequential, ShapeCount::AtMostTotalizer},
    {AtMostOne::Commander, ShapeCount::Exactly},  {AtMostOne::Pairwise, ShapeCount::Exactly},
};

std::uint64_t walk_tilings(const solve::Problem& problem) {
    solve::SearchTotals totals;
    if (!problem.area_mismatch()) totals.frontier.push_back({});
    EXPECT_EQ(solve::run_search(problem, totals, {}), solve::RunEnd::Complete);
    return totals.tilings;
}

// The independent checker's verdict: a valid placement that fills the goal; empty when it does.
std::string checker_fault(const SolverState& s, const solve::Problem& problem, const Prefix& prefix) {
    auto list = std::make_unique<PlacementList>();
    for (const std::vector<Placement>* part : {&problem.fixed, &prefix})
        for (const Placement& e : *part) {
            list->entries[list->count] = e;
            list->lines[list->count] = list->count + 1;
            ++list->count;
        }
    const check::PlacementReport report = check::check_placement(s.prvky, *list, "model");
    if (!report.valid()) return check::verdict(report);
    BoardMatrix board;
    fill_initial_board(board);
    for (int n = 0; n < list->count; ++n) {
        const Placement& e = list->entries[n];
        const PieceRecord& rec = s.prvky[e.piece][e.orientation];
        for (int r = 0; r < kGridRows; ++r)
            for (int c = 0; c < kGridCols; ++c)
                if (rec.cells[r][c] != 0) board[e.row + r - rec.anchor_row][e.col + c - rec.anchor_col] += rec.cells[r][c];
    }
    const solve::Region& g = problem.region;
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y)
            if ((!g.limited || (x > g.x1 && x <= g.x2 && y > g.y1 && y <= g.y2)) && board[x][y] != kFull)
                return "the goal is not full";
    return {};
}

std::vector<std::int64_t> rows_of(const SatEngine& engine, const Prefix& tiling) {
    std::vector<std::int64_t> rows;
    for (const Placement& e : tiling) rows.push_back(engine.row_of(e));
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Every model of the engine, each blocked once found: the tilings, each checked and each a path
// the walk accepts as a tiling of its own labelling.
std::uint64_t sat_tilings(const SolverState& s, const solve::Problem& problem, const solve::EncodingOptions& encoding) {
    solve::SatOptions options;
    options.encoding = encoding;
    options.check = [&](const Prefix& prefix) { return checker_fault(s, problem, prefix); };
    SatEngine engine(problem, options);
    solve::Walker walker(problem);
    std::set<std::vector<std::int64_t>> seen;
    for (;;) {
        const SatEngine::Result r = engine.solve();
        if (r == SatEngine::Result::NoSolution) return seen.size();
        EXPECT_EQ(r, SatEngine::Result::Solution) << engine.fault();
        if (r != SatEngine::Result::Solution) return seen.size();
        const Prefix& tiling = engine.solution();
        bool is_tiling = false;
        EXPECT_TRUE(walker.enter(tiling));
        walker.children(is_tiling);
        EXPECT_TRUE(is_tiling);
        EXPECT_TRUE(seen.insert(rows_of(engine, tiling)).second) << "a blocked tiling came again";
        EXPECT_TRUE(engine.block(tiling));
    }
}

// One cell and a few placements on it, made by hand: which covers of one cell the clauses allow.
struct OneCell {
    bool goal;                  // the cell must be covered
    std::uint32_t free;         // its free sixths
    std::vector<int> shape;     // each placement's shape (pieces of one shape share it)
    std::vector<int> cover;     // each placement's half (its first sixth), or -1 for the whole cell
    std::vector<int> pieces;    // free pieces of each shape
    std::uint64_t covers;       // sets of placements allowed
};

solve::Problem one_cell_problem(const OneCell& c) {
    solve::Problem p;
    p.region = {true, 14, 24, 15, 25};
    p.cell_row = {15};
    p.cell_col = {25};
    p.free_mask = {c.free};
    p.primary_mask = {c.goal ? c.free : 0u};
    p.across.assign(6, -1);
    for (std::size_t k = 0; k < c.pieces.size(); ++k) {
        solve::ShapeClass shape;
        for (int m = 0; m < c.pieces[k]; ++m) {
            shape.members.push_back(static_cast<int>(10 * k) + m + 1);
            shape.orientation_of.push_back({0, 1, 2, 3, 4, 5, 6});
        }
        p.classes.push_back(shape);
    }
    p.cell_list_start = {0};
    p.class_list_start.assign(c.pieces.size() + 1, 0);
    for (std::size_t r = 0; r < c.shape.size(); ++r) {
        const std::uint32_t mask = c.cover[r] < 0 ? 0x3fu : solve::half_mask(c.cover[r]);
        p.rows.push_back({c.shape[r], 1, 15, static_cast<std::int32_t>(r), static_cast<std::uint32_t>(r), 1,
                          c.cover[r] < 0 ? 6 : 3});
        p.row_cells.push_back({0, mask});
        p.cell_lists.push_back({static_cast<std::uint32_t>(r), mask});
        ++p.class_list_start[c.shape[r] + 1];
    }
    p.cell_list_start.push_back(static_cast<std::uint32_t>(c.shape.size()));
    for (std::size_t k = 0; k < c.pieces.size(); ++k) {
        p.class_list_start[k + 1] += p.class_list_start[k];
        for (std::size_t r = 0; r < c.shape.size(); ++r)
            if (c.shape[r] == static_cast<int>(k)) p.class_lists.push_back({static_cast<std::uint32_t>(r), 0x3f});
    }
    return p;
}

class OneCellTest : public ::testing::TestWithParam<OneCell> {};

TEST_P(OneCellTest, TheClausesAllowExactlyTheCoversOfTheCell) {
    const OneCell& c = GetParam();
    const solve::Problem problem = one_cell_problem(c);
    for (const solve::EncodingOptions& encoding : kEncodings) {
        solve::SatOptions options;
        options.encoding = encoding;
        SatEngine engine(problem, options);
        std::uint64_t covers = 0;
        SatEngine::Result r;
        // Each cover blocked as a whole assignment: outside the goal one cover may hold another.
        while ((r = engine.solve()) == SatEngine::Result::Solution && covers <= c.covers) {
            ++covers;
            std::vector<solve::RowLiteral> other(problem.rows.size());
            for (std::uint32_t row = 0; row < other.size(); ++row) other[row] = {row, true};
            for (const Placement& e : engine.solution()) other[static_cast<std::size_t>(engine.row_of(e))].placed = false;
            engine.add_clause(other);
        }
        EXPECT_EQ(r, SatEngine::Result::NoSolution) << engine.fault();
        EXPECT_EQ(covers, c.covers) << static_cast<int>(encoding.at_most_one) << "/" << static_cast<int>(encoding.shape_count);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Covers, OneCellTest,
    ::testing::Values(
        // whole, or the halves from sixths 0 and 3; the half from 1 has no partner
        OneCell{true, 0x3f, {0, 1, 2, 3}, {-1, 0, 3, 1}, {1, 1, 1, 1}, 2},
        // two ways to cut the cell
        OneCell{true, 0x3f, {0, 1, 2, 3}, {0, 3, 1, 4}, {1, 1, 1, 1}, 2},
        // halves that overlap never complete it
        OneCell{true, 0x3f, {0, 1}, {0, 1}, {1, 1}, 0},
        // outside the goal: empty, whole, either half alone, both halves, the lone half
        OneCell{false, 0x3f, {0, 1, 2, 3}, {-1, 0, 3, 1}, {1, 1, 1, 1}, 6},
        // a cell with one half left: one placement of the two that fit
        OneCell{true, 0x07, {0, 1}, {0, 0}, {1, 1}, 2},
        // two halves of one shape need two of its pieces
        OneCell{true, 0x3f, {0, 0}, {0, 3}, {1}, 0}, OneCell{true, 0x3f, {0, 0}, {0, 3}, {2}, 1},
        // six placements laying one unit: one at a time
        OneCell{true, 0x3f, {0, 1, 2, 3, 4, 5}, {-1, -1, -1, -1, -1, -1}, {1, 1, 1, 1, 1, 1}, 6}));

class SatRegionTest : public test::SolverTest, public ::testing::WithParamInterface<solve::Region> {};

TEST_P(SatRegionTest, EveryEncodingHasTheWalksTilings) {
    start_up(kSmallPieces);
    solve::Problem problem;
    solve::build_problem(s().prvky, {}, GetParam(), problem);
    const std::uint64_t expected = walk_tilings(problem);
    for (const solve::EncodingOptions& encoding : kEncodings)
        EXPECT_EQ(sat_tilings(s(), problem, encoding), expected)
            << static_cast<int>(encoding.at_most_one) << "/" << static_cast<int>(encoding.shape_count);
}

INSTANTIATE_TEST_SUITE_P(Regions, SatRegionTest,
                         ::testing::Values(solve::Region{true, 14, 24, 15, 26}, solve::Region{true, 14, 24, 16, 26},
                                           solve::Region{true, 15, 20, 16, 24}, solve::Region{true, 1, 17, 2, 20},
                                           solve::Region{true, 15, 20, 15, 20}));

// Full boards: the shipped puzzle and a generated one, a few pieces out.
class SatBoardTest : public test::SolverTest {
protected:
    // Loads the puzzle (seed 0: the shipped one) with K pieces out and builds its problem.
    void load(int seed, int k) {
        std::string folder = test::shipped_data().string();
        if (seed != 0) {
            tools::GenerateReport report;
            ASSERT_EQ(tools::generate_puzzle_files("puzzle", static_cast<std::uint64_t>(seed), {k}, report), "");
            folder = "puzzle";
        }
        solver->set_pieces_path(folder + "/zdroj.txt");
        solver->FormCreate();
        auto list = std::make_unique<PlacementList>();
        const std::string path = folder + "/partial_" + std::to_string(k) + ".txt";
        ASSERT_EQ(read_placement_file(path.c_str(), *list), "");
        fixed.assign(list->entries, list->entries + list->count);
        solve::build_problem(s().prvky, fixed, {}, problem);
    }
    solve::SatOptions checked() {
        solve::SatOptions options;
        options.check = [this](const Prefix& prefix) { return checker_fault(s(), problem, prefix); };
        return options;
    }
    std::vector<Placement> fixed;
    solve::Problem problem;
};

// Generated gaps this small mostly have one tiling; seed 1 with 24 pieces out has two.
TEST_F(SatBoardTest, GapsHaveTheWalksTilings) {
    for (const auto& [seed, k] : {std::pair{0, 6}, std::pair{11, 8}, std::pair{1, 24}}) {
        load(seed, k);
        const std::uint64_t tilings = walk_tilings(problem);
        EXPECT_EQ(tilings, seed == 1 ? 2u : 1u);
        EXPECT_EQ(sat_tilings(s(), problem, kEncodings[0]), tilings) << seed << " " << k;
        EXPECT_EQ(sat_tilings(s(), problem, kEncodings[4]), tilings) << seed << " " << k;
    }
}

// A free piece given the shape of another piece of the same area: the board's area still fits,
// and only a search tells that no tiling is left.
TEST_F(SatBoardTest, AGapWithoutCompletionIsProvedEmptyByBothRacers) {
    load(0, 6);
    std::set<int> in_gap;
    for (int p = 1; p <= kPieceCount; ++p) in_gap.insert(p);
    for (const Placement& e : fixed) in_gap.erase(e.piece);
    int changed = 0;
    const auto area = [&](int p) {
        int a = 0;
        for (const auto& row : s().prvky[p][1].cells)
            for (int code : row) a += code == 0 ? 0 : code == kFull ? 2 : 1;
        return a;
    };
    const auto same_shape = [&](int p, int q) {
        for (int o = 1; o <= kOrientations; ++o)
            if (std::memcmp(s().prvky[q][1].cells, s().prvky[p][o].cells, sizeof s().prvky[p][o].cells) == 0) return true;
        return false;
    };
    for (int p : in_gap)
        for (const Placement& e : fixed)
            if (changed == 0 && area(e.piece) == area(p) && !same_shape(p, e.piece)) {
                std::memcpy(s().prvky[p], s().prvky[e.piece], sizeof s().prvky[p]);
                for (PieceRecord& rec : s().prvky[p]) rec.number = p;
                changed = p;
            }
    ASSERT_NE(changed, 0);
    solve::build_problem(s().prvky, fixed, {}, problem);
    ASSERT_FALSE(problem.area_mismatch());
    ASSERT_EQ(walk_tilings(problem), 0u);
    for (const solve::EncodingOptions& encoding : kEncodings) {
        solve::SatOptions options = checked();
        options.encoding = encoding;
        SatEngine engine(problem, options);
        EXPECT_EQ(engine.solve(), SatEngine::Result::NoSolution);
    }
    for (solve::Racers racers : {solve::Racers::SatOnly, solve::Racers::WalkOnly, solve::Racers::Both}) {
        solve::PortfolioOptions race;
        race.racers = racers;
        const solve::PortfolioResult r = solve::solve_portfolio(problem, race);
        EXPECT_EQ(r.end, solve::RunEnd::Complete);
        EXPECT_TRUE(r.solution.empty());
    }
}

TEST_F(SatBoardTest, APieceLeftOutOfTheFreeSetLeavesNoSolution) {
    load(0, 6);
    std::set<int> placed;
    for (const Placement& e : fixed) placed.insert(e.piece);
    int missing = 1;
    while (placed.count(missing)) ++missing;
    s().prvky[missing][1].anchor_row = 0;  // a piece without a shape is not free
    solve::build_problem(s().prvky, fixed, {}, problem);
    SatEngine engine(problem, checked());
    EXPECT_EQ(engine.solve(), SatEngine::Result::NoSolution);
}

TEST_F(SatBoardTest, AssumptionsHoldForOneCallAndClausesForAll) {
    load(11, 8);
    SatEngine engine(problem, checked());
    ASSERT_EQ(engine.solve(), SatEngine::Result::Solution);
    const Prefix first = engine.solution();
    std::vector<solve::RowLiteral> none_of_first;
    for (const Placement& e : first) none_of_first.push_back({static_cast<std::uint32_t>(engine.row_of(e)), false});
    const std::uint64_t tilings = walk_tilings(problem);
    // Forbidding every row of the first tiling at once leaves only tilings that share none.
    const SatEngine::Result without = engine.solve(none_of_first);
    EXPECT_TRUE(without == SatEngine::Result::Solution || without == SatEngine::Result::NoSolution);
    if (tilings == 1) {
        EXPECT_EQ(without, SatEngine::Result::NoSolution);
    }
    // The assumptions were for that call only; a row placed as assumed is in the solution.
    ASSERT_EQ(engine.solve({{none_of_first[0].row, true}}), SatEngine::Result::Solution);
    EXPECT_TRUE(std::any_of(engine.solution().begin(), engine.solution().end(),
                            [&](const Placement& e) { return engine.row_of(e) == none_of_first[0].row; }));
    // A clause lasts: with the first tiling blocked, it never comes back.
    ASSERT_TRUE(engine.block(first));
    for (std::uint64_t n = 1; n < tilings; ++n) {
        ASSERT_EQ(engine.solve(), SatEngine::Result::Solution);
        EXPECT_NE(rows_of(engine, engine.solution()), rows_of(engine, first));
        ASSERT_TRUE(engine.block(engine.solution()));
    }
    EXPECT_EQ(engine.solve(), SatEngine::Result::NoSolution);
    // A placement that is not a row cannot be blocked.
    EXPECT_FALSE(engine.block({Placement{first[0].piece, 0, 0, 1}}));
}

// A hard instance: a generated puzzle with a hundred pieces out.
TEST_F(SatBoardTest, AStopEndsTheCallAndTheNextCallRunsAgain) {
    load(1, 100);
    std::atomic<int> polls{0};
    std::atomic<bool> stop{false};
    solve::SatOptions options = checked();
    options.should_stop = [&] {
        ++polls;
        return stop.load();
    };
    SatEngine engine(problem, options);
    stop = true;
    EXPECT_EQ(engine.solve(), SatEngine::Result::Stopped);
    EXPECT_GT(polls.load(), 0);
    stop = false;
    // terminate() before a call ends that call, and only that one; a conflict cap ends one too.
    engine.terminate();
    EXPECT_EQ(engine.solve(), SatEngine::Result::Stopped);
    EXPECT_EQ(engine.solve({}, 50), SatEngine::Result::Stopped);

    // The race: stopped from outside, each way of running it reports Stopped with nothing found.
    for (const auto& [racers, threads] : {std::pair{solve::Racers::Both, 2}, std::pair{solve::Racers::Both, 1},
                                          std::pair{solve::Racers::SatOnly, 1}, std::pair{solve::Racers::WalkOnly, 2}}) {
        std::atomic<int> calls{0};
        solve::PortfolioOptions race;
        race.racers = racers;
        race.threads = threads;
        race.should_stop = [&] { return ++calls > 3; };
        const solve::PortfolioResult r = solve::solve_portfolio(problem, race);
        EXPECT_EQ(r.end, solve::RunEnd::Stopped);
        EXPECT_TRUE(r.solution.empty());
    }
}

TEST_F(SatBoardTest, TheRaceReturnsACheckedSolutionHoweverItRuns) {
    load(0, 6);
    for (const auto& [racers, threads] : {std::pair{solve::Racers::Both, 2}, std::pair{solve::Racers::Both, 1},
                                          std::pair{solve::Racers::SatOnly, 1}, std::pair{solve::Racers::WalkOnly, 1}}) {
        solve::PortfolioOptions race;
        race.racers = racers;
        race.threads = threads;
        race.check = [this](const Prefix& prefix) { return checker_fault(s(), problem, prefix); };
        const solve::PortfolioResult r = solve::solve_portfolio(problem, race);
        ASSERT_EQ(r.end, solve::RunEnd::MaxSolutions) << r.fault;
        EXPECT_EQ(checker_fault(s(), problem, r.solution), "");
        if (racers != solve::Racers::Both) {
            EXPECT_EQ(r.by, racers == solve::Racers::SatOnly ? solve::Engine::Sat : solve::Engine::Walk);
        }
    }
    // A check that refuses every solution: the race ends on the fault, with no solution.
    solve::PortfolioOptions race;
    race.racers = solve::Racers::SatOnly;
    race.check = [](const Prefix&) { return std::string("refused"); };
    const solve::PortfolioResult r = solve::solve_portfolio(problem, race);
    EXPECT_EQ(r.end, solve::RunEnd::Stopped);
    EXPECT_EQ(r.fault, "refused");
}

}  // namespace
}  // namespace tessera
