// The exact-cover solve judged against code that shares nothing with it: the tools' lattice
// geometry, a plain brute force over every placement, and the independent checker.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <set>

#include "board/board.h"
#include "board/cell_codes.h"
#include "search/placement_file.h"
#include "solve/checkpoint.h"
#include "solve/problem.h"
#include "solve/units.h"
#include "test_support.h"
#include "check/checker.h"
#include "tools/generator.h"
#include "tools/lattice.h"

namespace tessera {
namespace {

// The solve numbers the sixths around the centre; the tools by corner and edge. Sixth k of an
// up cell, then of a down cell, as the tools' (corner, toward) pair.
int tools_sixth(bool up, int k) {
    static const int kUp[6][2] = {{2, 1}, {2, 0}, {0, 2}, {0, 1}, {1, 0}, {1, 2}};
    static const int kDown[6][2] = {{0, 2}, {2, 0}, {2, 1}, {1, 2}, {1, 0}, {0, 1}};
    const int(&e)[2] = up ? kUp[k] : kDown[k];
    return tools::sixth_index(e[0], e[1]);
}

TEST(SixthsTest, EveryCodeCoversTheSixthsOfTheToolsGeometry) {
    for (bool up : {true, false})
        for (int code = 0; code <= 100; code += 5) {
            unsigned mapped = 0;
            const unsigned mine = solve::sixths_of_code(code, up);
            for (int k = 0; k < 6; ++k)
                if (mine >> k & 1) mapped |= 1u << tools_sixth(up, k);
            EXPECT_EQ(mapped, tools::sixth_mask(code, up)) << "code " << code << (up ? " up" : " down");
        }
}

// The words for sixths: ids and cells go back and forth, a half is three neighbouring sixths
// from its first, and the half opposite completes it.
TEST(SixthsTest, SixthIdsAndHalvesAgree) {
    struct Case {
        int first;
        std::uint32_t half;
    };
    const Case cases[] = {{0, 0x07}, {1, 0x0e}, {2, 0x1c}, {3, 0x38}, {4, 0x31}, {5, 0x23}};
    for (const Case& c : cases) {
        EXPECT_EQ(solve::half_mask(c.first), c.half) << "half from " << c.first;
        EXPECT_EQ(solve::sixths_in(c.half), 3);
        const int opposite = solve::turned(c.first, 3);
        EXPECT_EQ(solve::half_mask(c.first) | solve::half_mask(opposite), solve::kWholeMask);
        EXPECT_EQ(solve::half_mask(c.first) & solve::half_mask(opposite), 0u);
        for (int step = 0; step < 3; ++step) EXPECT_NE(c.half >> solve::turned(c.first, step) & 1, 0u);
    }
    for (std::int32_t cell : {0, 1, 7, 250, 1000})
        for (int k = 0; k < solve::kSixthsPerCell; ++k) {
            const std::int32_t id = solve::sixth_of(cell, k);
            EXPECT_EQ(solve::cell_of(id), cell);
            EXPECT_EQ(solve::sixth_in_cell(id), k);
            EXPECT_EQ(solve::turned(k, 5), (k + 5) % 6);
        }
    EXPECT_EQ(solve::sixths_in(solve::kWholeMask), solve::kSixthsPerCell);
}

TEST(SixthsTest, NeighboursAcrossEveryEdgeAgreeWithTheToolsGeometry) {
    const auto& table = tools::board_sixth_neighbours();
    int wrong = 0;
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y)
            for (int k = 0; k < 6; ++k) {
                const int id = tools::sixth_id(x, y, tools_sixth(board_cell_points_up(x, y), k));
                int nx, ny, nk;
                const int mine = solve::sixth_across(x, y, k, nx, ny, nk)
                                     ? tools::sixth_id(nx, ny, tools_sixth(board_cell_points_up(nx, ny), nk))
                                     : -1;
                wrong += mine != table[id].id[0];
            }
    EXPECT_EQ(wrong, 0);
}

// Plain brute force: every piece in turn is left out (where that is allowed) or laid at every
// orientation and anchor that touches the goal and agrees with the board; a full goal counts.
// Solutions are told apart by the cells each piece covers; tilings by the cells each shape covers.
class BruteForce {
public:
    BruteForce(const SolverState& s, const std::vector<Placement>& fixed, const solve::Region& region)
        : s_(s), region_(region) {
        fill_initial_board(board_);
        for (const Placement& e : fixed) lay(e, +1);
        std::set<int> used;
        for (const Placement& e : fixed) used.insert(e.piece);
        for (int p = 1; p <= kPieceCount; ++p)
            if (!used.count(p) && s.prvky[p][1].anchor_row != 0) free_.push_back(p);
    }

    void run() { step(0); }
    std::set<std::vector<std::pair<int, std::string>>> solutions;
    std::set<std::multiset<std::string>> tilings;

private:
    bool goal(int x, int y) const {
        return !region_.limited || (x > region_.x1 && x <= region_.x2 && y > region_.y1 && y <= region_.y2);
    }
    // Cells and codes a placement covers, as text; empty when it does not fit the board.
    std::string cover(const Placement& e, bool& touches) const {
        const PieceRecord& rec = s_.prvky[e.piece][e.orientation];
        std::string out;
        touches = false;
        for (int r = 0; r < kGridRows; ++r)
            for (int c = 0; c < kGridCols; ++c) {
                const int code = rec.cells[r][c];
                if (code == 0) continue;
                const int x = e.row + r - rec.anchor_row, y = e.col + c - rec.anchor_col;
                if (!on_board(x, y) || grid_cell_points_up(r, c) != board_cell_points_up(x, y)) return {};
                const int b = board_[x][y];
                if (b == kFull || (b != 0 && b + code != kFull)) return {};
                touches = touches || goal(x, y);
                out += std::to_string(x) + "," + std::to_string(y) + ":" + std::to_string(code) + " ";
            }
        return out;
    }
    void lay(const Placement& e, int sign) {
        const PieceRecord& rec = s_.prvky[e.piece][e.orientation];
        for (int r = 0; r < kGridRows; ++r)
            for (int c = 0; c < kGridCols; ++c)
                if (rec.cells[r][c] != 0) board_[e.row + r - rec.anchor_row][e.col + c - rec.anchor_col] += sign * rec.cells[r][c];
    }
    void step(std::size_t i) {
        if (i == free_.size()) {
            for (int x = 0; x < kBoardRows; ++x)
                for (int y = 0; y < kBoardCols; ++y)
                    if (goal(x, y) && board_[x][y] != kFull) return;
            solutions.insert(chosen_);
            std::multiset<std::string> shapes;
            for (const auto& [piece, cells] : chosen_) shapes.insert(shape_of(piece) + "@" + cells);
            tilings.insert(shapes);
            return;
        }
        if (region_.limited) step(i + 1);
        std::set<std::string> tried;
        // An anchor farther than a record's size from the region cannot touch it.
        const int x0 = region_.limited ? std::max(0, region_.x1 - 7) : 0;
        const int x1 = region_.limited ? std::min(kBoardRows - 1, region_.x2 + 7) : kBoardRows - 1;
        const int y0 = region_.limited ? std::max(0, region_.y1 - 11) : 0;
        const int y1 = region_.limited ? std::min(kBoardCols - 1, region_.y2 + 11) : kBoardCols - 1;
        for (int o = 1; o <= kOrientations; ++o)
            for (int x = x0; x <= x1; ++x)
                for (int y = y0; y <= y1; ++y) {
                    const Placement e{free_[i], x, y, o};
                    bool touches = false;
                    const std::string cells = cover(e, touches);
                    if (cells.empty() || !touches || !tried.insert(cells).second) continue;
                    lay(e, +1);
                    chosen_.push_back({e.piece, cells});
                    step(i + 1);
                    chosen_.pop_back();
                    lay(e, -1);
                }
    }
    std::string shape_of(int piece) const {
        // Pieces of one shape share a record in some orientation; the set of their records names it.
        std::set<std::string> records;
        for (int o = 1; o <= kOrientations; ++o) {
            const PieceRecord& rec = s_.prvky[piece][o];
            records.insert(std::string(reinterpret_cast<const char*>(rec.cells), sizeof rec.cells));
        }
        return *records.begin();
    }

    const SolverState& s_;
    solve::Region region_;
    BoardMatrix board_;
    std::vector<int> free_;
    std::vector<std::pair<int, std::string>> chosen_;
};

struct Counted {
    std::string solutions;
    std::uint64_t tilings;
};

Counted run_count(const solve::Problem& problem, int threads, double checkpoint_every = 60,
                  std::uint64_t turn_nodes = 0) {
    solve::SearchTotals totals;
    if (!problem.area_mismatch()) totals.frontier.push_back({});
    solve::RunOptions options;
    options.threads = threads;
    options.checkpoint_every = checkpoint_every;
    options.turn_nodes = turn_nodes;
    options.turn_units = 2;
    EXPECT_EQ(solve::run_search(problem, totals, options), solve::RunEnd::Complete);
    return {totals.solutions.text(), totals.tilings};
}

// One up triangle twice, a half triangle twice, a diamond of an up and a down cell, and a
// triangle with a half beside it.
const std::vector<test::Cell> kSmallPieces = {
    {1, 1, 1, 100}, {2, 1, 1, 100}, {3, 1, 1, 95}, {4, 1, 1, 95}, {5, 1, 1, 100}, {5, 1, 2, 100},
    {6, 1, 1, 100}, {6, 1, 2, 80},
};

class SmallRegionTest : public test::SolverTest, public ::testing::WithParamInterface<solve::Region> {};

TEST_P(SmallRegionTest, CountsMatchBruteForceOnEveryThreadCount) {
    start_up(kSmallPieces);
    BruteForce brute(s(), {}, GetParam());
    brute.run();
    solve::Problem problem;
    solve::build_problem(s().prvky, {}, GetParam(), problem);
    for (int threads : {1, 2}) {
        const Counted c = run_count(problem, threads);
        EXPECT_EQ(c.solutions, std::to_string(brute.solutions.size())) << threads << " threads";
        EXPECT_EQ(c.tilings, brute.tilings.size()) << threads << " threads";
    }
    // A run cut into many rounds, each ended by a checkpoint, counts the same; so do units taking
    // turns of a few nodes, started again from their prefixes many times.
    EXPECT_EQ(run_count(problem, 2, 1e-4).solutions, std::to_string(brute.solutions.size()));
    EXPECT_EQ(run_count(problem, 2, 60, 3).solutions, std::to_string(brute.solutions.size()));
    EXPECT_EQ(run_count(problem, 1, 1e-4, 2).tilings, brute.tilings.size());
}

INSTANTIATE_TEST_SUITE_P(Regions, SmallRegionTest,
                         ::testing::Values(solve::Region{true, 14, 24, 15, 26}, solve::Region{true, 14, 24, 16, 26},
                                           solve::Region{true, 15, 20, 16, 24}, solve::Region{true, 1, 17, 2, 20}));

// Partial placements with K pieces taken out, of the shipped puzzle (its own files)
// and of a generated one (seed 11, made here).
struct Partial {
    int seed;  // 0: the shipped puzzle
    int k;
};

class PartialTest : public test::SolverTest, public ::testing::WithParamInterface<Partial> {};

TEST_P(PartialTest, FullBoardCountsMatchBruteForce) {
    const auto [seed, k] = GetParam();
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
    const std::vector<Placement> fixed(list->entries, list->entries + list->count);
    BruteForce brute(s(), fixed, {});
    brute.run();
    solve::Problem problem;
    solve::build_problem(s().prvky, fixed, {}, problem);
    for (int threads : {1, 2}) {
        const Counted c = run_count(problem, threads, 60, threads == 2 ? 5 : 0);
        EXPECT_EQ(c.solutions, std::to_string(brute.solutions.size()));
        EXPECT_EQ(c.tilings, brute.tilings.size());
    }
}

INSTANTIATE_TEST_SUITE_P(Removed, PartialTest,
                         ::testing::Values(Partial{0, 1}, Partial{0, 2}, Partial{0, 3}, Partial{0, 6}, Partial{11, 1}, Partial{11, 2},
                                           Partial{11, 3}, Partial{11, 4}, Partial{11, 5}, Partial{11, 6}));

class UnitsTest : public test::SolverTest {
protected:
    void SetUp() override {
        start_up(kSmallPieces);
        solve::build_problem(s().prvky, {}, solve::Region{true, 14, 24, 16, 26}, problem);
        whole = run_count(problem, 1);
    }
    solve::Problem problem;
    Counted whole;
};

TEST_F(UnitsTest, TheFrontierSplitsTheTreeWithoutOverlapAtEverySize) {
    for (std::size_t n : {1u, 5u, 40u, 1000u}) {
        solve::BigCount sum;
        std::uint64_t tilings = 0;
        for (const solve::Prefix& unit : solve::expand_frontier(problem, n)) {
            const solve::UnitResult r = solve::solve_unit(problem, unit, {});
            EXPECT_TRUE(r.complete);
            sum.add(r.solutions);
            tilings += r.tilings;
        }
        EXPECT_EQ(sum.text(), whole.solutions) << n << " units";
        EXPECT_EQ(tilings, whole.tilings) << n << " units";
    }
}

TEST_F(UnitsTest, AUnitStoppedAfterItsFirstTilingLeavesTheRestAsOpenPrefixes) {
    std::atomic<bool> stop{false};
    solve::UnitOptions options;
    options.stop = &stop;
    options.on_tiling = [&](const solve::Prefix&) {
        stop = true;
        return true;
    };
    const solve::UnitResult first = solve::solve_unit(problem, {}, options);
    ASSERT_FALSE(first.complete);
    std::uint64_t tilings = first.tilings;
    for (const solve::Prefix& unit : first.open) tilings += solve::solve_unit(problem, unit, {}).tilings;
    EXPECT_EQ(tilings, whole.tilings);
}

// A walk cut short by a node budget, with the walks of the prefixes it leaves open, meets every
// node and tiling of one whole walk exactly once; and the same walker, entered again, walks the
// whole tree as a new one would: lifting put every count back.
TEST_F(UnitsTest, AWalkCutByABudgetAndItsOpenPrefixesMeetEveryNodeOnce) {
    static const std::atomic<bool> never{false};
    const solve::UnitResult all = solve::solve_unit(problem, {}, {});
    ASSERT_TRUE(all.complete);
    ASSERT_GT(all.nodes, 60u);
    for (std::uint64_t budget : {1u, 2u, 7u, 30u, 60u}) {
        solve::Walker walker(problem);
        std::uint64_t tilings = 0;
        const solve::Walker::TilingSink count = [&](const solve::Prefix&) {
            ++tilings;
            return true;
        };
        ASSERT_TRUE(walker.enter({}));
        ASSERT_EQ(walker.walk(count, never, budget), solve::Walker::End::Stopped) << budget;
        std::uint64_t nodes = walker.nodes;
        for (const solve::Prefix& unit : walker.open_prefixes()) {
            const solve::UnitResult rest = solve::solve_unit(problem, unit, {});
            nodes += rest.nodes;
            tilings += rest.tilings;
        }
        EXPECT_EQ(nodes, all.nodes) << "budget " << budget;
        EXPECT_EQ(tilings, all.tilings) << "budget " << budget;

        tilings = 0;
        ASSERT_TRUE(walker.enter({}));
        const std::uint64_t before = walker.nodes;
        EXPECT_EQ(walker.walk(count, never), solve::Walker::End::Exhausted);
        EXPECT_EQ(walker.nodes - before, all.nodes) << "budget " << budget;
        EXPECT_EQ(tilings, all.tilings) << "budget " << budget;
    }
}

TEST_F(UnitsTest, ACheckpointReadBackContinuesToTheSameCount) {
    solve::Checkpoint c;
    c.fingerprint = problem.fingerprint;
    c.source.pieces = "/pieces.txt";
    c.source.pieces_sha256 = std::string(64, '0');
    c.totals.frontier = solve::expand_frontier(problem, 10);
    c.seconds = 12.5;
    ASSERT_EQ(solve::write_checkpoint("cp.txt", c), 0);
    solve::Checkpoint back;
    ASSERT_EQ(solve::read_checkpoint("cp.txt", problem, {}, back), "");
    EXPECT_EQ(back.seconds, 12.5);
    solve::RunOptions options;
    EXPECT_EQ(solve::run_search(problem, back.totals, options), solve::RunEnd::Complete);
    EXPECT_EQ(back.totals.solutions.text(), whole.solutions);

    solve::Problem other;
    solve::build_problem(s().prvky, {}, solve::Region{true, 14, 24, 15, 26}, other);
    EXPECT_NE(solve::read_checkpoint("cp.txt", other, {}, back).find("another problem"), std::string::npos);
}

// Checkpoints written before they were sealed: the counts and units only, the seconds missing in
// the first of them. They still read, so that a long count survives the update.
TEST_F(UnitsTest, ACheckpointOfAnEarlierVersionStillReads) {
    std::string units;
    for (const solve::Prefix& unit : solve::expand_frontier(problem, 10)) {
        units += std::to_string(unit.size());
        for (const Placement& e : unit)
            units += "  " + std::to_string(e.piece) + " " + std::to_string(e.row) + " " + std::to_string(e.col) + " " +
                     std::to_string(e.orientation);
        units += "\n";
    }
    char fingerprint[17];
    std::snprintf(fingerprint, sizeof fingerprint, "%016llx", static_cast<unsigned long long>(problem.fingerprint));
    const std::string head = std::string("tessera solve checkpoint 1\nproblem ") + fingerprint + "\n";
    const std::string count = "units " + std::to_string(solve::expand_frontier(problem, 10).size()) + "\n";
    const struct {
        std::string counts;
        double seconds;
    } cases[] = {
        {"solutions 0 tilings 0 nodes 0 written 0\n", 0},
        {"solutions 0 tilings 0 nodes 7 written 0 seconds 3.5\n", 3.5},
    };
    for (const auto& c : cases) {
        test::write_file("old.txt", head + c.counts + count + units);
        solve::Checkpoint back;
        ASSERT_EQ(solve::read_checkpoint("old.txt", problem, {}, back), "") << c.counts;
        EXPECT_FALSE(back.sealed);
        EXPECT_EQ(back.seconds, c.seconds);
        EXPECT_EQ(solve::run_search(problem, back.totals, {}), solve::RunEnd::Complete);
        EXPECT_EQ(back.totals.solutions.text(), whole.solutions);
    }
    test::write_file("old.txt", head + "solutions 0 tilings 0 nodes 0 written 0 seconds -1\n" + count + units);
    solve::Checkpoint back;
    EXPECT_NE(solve::read_checkpoint("old.txt", problem, {}, back).find("counts line is damaged"), std::string::npos);
}

// A piece file may hold a piece in two parts: an empty area is then not filled by whole pieces,
// and judging areas by their size would drop solutions.
TEST_F(UnitsTest, APieceInTwoPartsTurnsTheAreaChecksOff) {
    EXPECT_TRUE(problem.pieces_joined);
    std::vector<test::Cell> pieces = kSmallPieces;
    pieces.push_back({7, 1, 1, 100});
    pieces.push_back({7, 1, 3, 100});
    start_up(pieces);
    const solve::Region region{true, 14, 24, 15, 26};
    solve::build_problem(s().prvky, {}, region, problem);
    EXPECT_FALSE(problem.pieces_joined);
    BruteForce brute(s(), {}, region);
    brute.run();
    EXPECT_EQ(run_count(problem, 2).solutions, std::to_string(brute.solutions.size()));
}

TEST(BigCountTest, FactorialsPastSixtyFourBitsPrintExactly) {
    solve::BigCount n(1);
    for (std::uint32_t k = 2; k <= 25; ++k) n.multiply(k);
    EXPECT_EQ(n.text(), "15511210043330985984000000");
    solve::BigCount back;
    ASSERT_TRUE(solve::BigCount::parse(n.text(), back));
    EXPECT_EQ(back, n);
}

}  // namespace
}  // namespace tessera
