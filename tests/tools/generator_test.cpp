// Generated puzzles, judged only through the solver's loader and records and the files a user
// gets: the generator's own idea of its pieces is never asked.
#include "tools/generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "board/cell_codes.h"
#include "search/placement_file.h"
#include "test_support.h"
#include "check/checker.h"
#include "tools/lattice.h"

namespace tessera {
namespace {

std::vector<Placement> read_placements(const std::string& path) {
    auto list = std::make_unique<PlacementList>();
    EXPECT_EQ(read_placement_file(path.c_str(), *list), "") << path;
    return {list->entries, list->entries + list->count};
}

// The sixths that a placed record covers on the board.
std::set<int> covered_sixths(const PieceRecord& rec, const Placement& e) {
    std::set<int> out;
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c) {
            if (rec.cells[r][c] == 0) continue;
            const int x = e.row + r - rec.anchor_row, y = e.col + c - rec.anchor_col;
            const unsigned mask = tools::sixth_mask(rec.cells[r][c], board_cell_points_up(x, y));
            for (int s = 0; s < 6; ++s)
                if ((mask >> s) & 1) out.insert(tools::sixth_id(x, y, s));
        }
    return out;
}

// Whether a set of sixths is one piece of area, joined along edges rather than at corners.
bool connected(const std::set<int>& sixths) {
    if (sixths.empty()) return false;
    const auto& table = tools::board_sixth_neighbours();
    std::set<int> seen{*sixths.begin()};
    std::vector<int> queue{*sixths.begin()};
    for (std::size_t i = 0; i < queue.size(); ++i)
        for (int n : table[queue[i]].id)
            if (n >= 0 && sixths.count(n) && seen.insert(n).second) queue.push_back(n);
    return seen.size() == sixths.size();
}

class GeneratedPuzzleTest : public test::SolverTest, public ::testing::WithParamInterface<std::uint64_t> {
protected:
    void SetUp() override {
        ASSERT_EQ(tools::generate_puzzle_files("puzzle", GetParam(), {1, 5, 12}, report), "");
        solver->set_pieces_path("puzzle/zdroj.txt");
        testing::internal::CaptureStderr();
        solver->FormCreate();
        loader_messages = testing::internal::GetCapturedStderr();
        solution = read_placements("puzzle/solution.txt");
    }
    const PieceRecord& placed_record(const Placement& e) { return record(e.piece, e.orientation); }

    tools::GenerateReport report;
    std::string loader_messages;
    std::vector<Placement> solution;
};

TEST_P(GeneratedPuzzleTest, PieceFileLoadsCleanlyAndEveryRecordStaysInItsRowsAndColumns) {
    EXPECT_EQ(loader_messages, "");
    std::ifstream in("puzzle/zdroj.txt");
    int p, r, c, code, groups = 0;
    std::set<int> pieces;
    while (in >> p >> r >> c >> code) {
        ++groups;
        pieces.insert(p);
        EXPECT_TRUE(r >= 1 && r <= 4 && c >= 1 && c <= 8) << "piece " << p << " cell " << r << "," << c;
        EXPECT_TRUE(code_fits(code, grid_cell_points_up(r, c)) && code != 0) << "piece " << p << " code " << code;
    }
    EXPECT_EQ(pieces.size(), static_cast<std::size_t>(kPieceCount));
    for (int piece = 1; piece <= kPieceCount; ++piece)
        for (int o = 1; o <= kOrientations; ++o) {
            const PieceRecord& rec = record(piece, o);
            ASSERT_NE(rec.anchor_row, 0) << "piece " << piece << " orientation " << o << " is empty";
            for (int row = 0; row < kGridRows; ++row)
                for (int col = 0; col < kGridCols; ++col) {
                    if (rec.cells[row][col] == 0) continue;
                    EXPECT_TRUE(row >= 2 && row <= 6 && col >= 3 && col <= 10)
                        << "piece " << piece << " orientation " << o << " cell " << row << "," << col;
                }
        }
}

TEST_P(GeneratedPuzzleTest, EveryPieceIsTwelveHalvesInOneConnectedPiece) {
    ASSERT_EQ(solution.size(), static_cast<std::size_t>(kPieceCount));
    for (const Placement& e : solution) {
        const PieceRecord& rec = placed_record(e);
        int halves = 0;
        for (const auto& row : rec.cells)
            for (int code : row) halves += code == kFull ? 2 : code != 0 ? 1 : 0;
        EXPECT_EQ(halves, 12) << "piece " << e.piece;
        EXPECT_TRUE(connected(covered_sixths(rec, e))) << "piece " << e.piece;
    }
}

TEST_P(GeneratedPuzzleTest, SolutionLoadedAsAResumeFileFillsEveryCell) {
    ASSERT_EQ(solver->nacti_reseni("puzzle/solution.txt"), 0);
    EXPECT_EQ(s().depth, kPieceCount);
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y) ASSERT_EQ(s().matice[x][y], kFull) << x << "," << y;
    EXPECT_EQ(check::verdict(check::check_stack(s())), "verified");
    // Each piece lies in the orientation it was turned for: the generator's turns and the
    // loader's agree, not only up to a symmetry of the piece.
    EXPECT_EQ(report.turned_as_meant, kPieceCount);
}

TEST_P(GeneratedPuzzleTest, PartialPlacementsLackOneCompactGroupOfPieces) {
    std::set<int> previous;
    for (int k : {1, 5, 12}) {
        const std::string path = "puzzle/partial_" + std::to_string(k) + ".txt";
        const std::vector<Placement> partial = read_placements(path);
        ASSERT_EQ(partial.size(), static_cast<std::size_t>(kPieceCount - k)) << path;
        std::set<int> kept, missing;
        for (const Placement& e : partial) kept.insert(e.piece);
        std::set<int> area;
        for (const Placement& e : solution)
            if (!kept.count(e.piece)) {
                missing.insert(e.piece);
                const std::set<int> cells = covered_sixths(placed_record(e), e);
                area.insert(cells.begin(), cells.end());
            }
        EXPECT_EQ(missing.size(), static_cast<std::size_t>(k));
        EXPECT_TRUE(connected(area)) << path << ": the pieces taken out are not one area";
        // The groups grow from the same first piece, so a smaller one lies inside a larger one.
        for (int piece : previous) EXPECT_TRUE(missing.count(piece)) << path;
        previous = missing;

        ASSERT_EQ(solver->nacti_reseni(path.c_str()), 0) << path;
        const check::PlacementReport check = check::check_stack(s());
        EXPECT_TRUE(check.valid()) << check::verdict(check);
        std::set<int> cells;
        for (int id : area) cells.insert(id / 6);
        EXPECT_EQ(check.incomplete, static_cast<int>(cells.size())) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, GeneratedPuzzleTest, ::testing::Values(1, 2, 3, 17, 2024, 987654321));

std::map<std::string, std::string> files_of(const std::string& dir) {
    std::map<std::string, std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        out[entry.path().filename().string()] = test::read_file(entry.path());
    return out;
}

TEST(GeneratorTest, SameSeedGivesTheSameFilesAndAnotherSeedAnotherPuzzle) {
    test::ScratchDir dir;
    tools::GenerateReport report;
    ASSERT_EQ(tools::generate_puzzle_files("a", 5, {3}, report), "");
    ASSERT_EQ(tools::generate_puzzle_files("b", 5, {3}, report), "");
    ASSERT_EQ(tools::generate_puzzle_files("c", 6, {3}, report), "");
    const auto a = files_of("a"), b = files_of("b"), c = files_of("c");
    EXPECT_EQ(a.size(), 3u);
    EXPECT_EQ(a, b);
    EXPECT_NE(a.at("zdroj.txt"), c.at("zdroj.txt"));
}

TEST(GeneratorTest, EveryCountOfPiecesUpToAllCanBeTakenOut) {
    test::ScratchDir dir;
    tools::GenerateReport report;
    ASSERT_EQ(tools::generate_puzzle_files("e", 7, {100, 208, 209}, report), "");
    EXPECT_EQ(test::read_file("e/partial_209.txt"), "");
    const std::string one = test::read_file("e/partial_208.txt");
    EXPECT_EQ(std::count(one.begin(), one.end(), '\n'), 1);
}

TEST(GeneratorTest, BadRequestsAreRefusedWithOneLineNamingTheProblem) {
    test::ScratchDir dir;
    tools::GenerateReport report;
    EXPECT_EQ(tools::generate_puzzle_files("d", 1, {0}, report), "--remove: 0 is not in 1..209");
    EXPECT_FALSE(test::file_exists("d/zdroj.txt")) << "nothing is written for a bad request";
    test::write_file("plain", "not a directory");
    const std::string fault = tools::generate_puzzle_files("plain/sub", 1, {}, report);
    EXPECT_NE(fault.find("cannot create the directory 'plain/sub'"), std::string::npos) << fault;
}

}  // namespace
}  // namespace tessera
