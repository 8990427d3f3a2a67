// Shapes up to turns, and puzzles in which no two pieces share a shape. The puzzles are judged
// through the solver's loader, its records and the checker, not through the generator's own
// idea of a shape.
#include "tools/distinct.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "board/cell_codes.h"
#include "check/checker.h"
#include "search/placement_file.h"
#include "test_support.h"
#include "tools/cutter.h"
#include "tools/generator.h"
#include "tools/shape_fit.h"

namespace tessera {
namespace {

using tools::CellCode;
using Shape = std::vector<CellCode>;

Shape turned(const Shape& shape, int k) {
    Shape out;
    for (const CellCode& c : shape) out.push_back(tools::turn_cell(c, k));
    return out;
}

Shape moved(const Shape& shape, int dr, int dc) {
    Shape out;
    for (const CellCode& c : shape) out.push_back({c.row + dr, c.col + dc, c.code});
    return out;
}

// Left for right about the vertical line through column `axis` (even, so that every cell keeps
// its direction); a half is cut from the mirror of its corner and holds the mirror of the other.
Shape mirrored(const Shape& shape, int axis) {
    // The half codes of a cell and of its mirror image, by direction: corners 1 and 2 swap.
    const std::map<int, int> mirror = {{5, 95}, {95, 5}, {15, 75}, {75, 15}, {25, 85}, {85, 25},
                                       {10, 70}, {70, 10}, {30, 90}, {90, 30}, {20, 80}, {80, 20}, {100, 100}};
    Shape out;
    for (const CellCode& c : shape) out.push_back({c.row, axis - c.col, mirror.at(c.code)});
    return out;
}

struct NamedShape {
    const char* name;
    Shape cells;
};

// Shapes with whole cells and halves of both directions, none of them alike.
const NamedShape kShapes[] = {
    {"irregular with halves",
     {{11, 20, 15}, {12, 20, 100}, {12, 21, 100}, {12, 22, 80}, {13, 20, 100}, {13, 21, 90}}},
    {"row of four, a cell below its end", {{10, 20, 100}, {10, 21, 100}, {10, 22, 100}, {10, 23, 100}, {11, 23, 100}}},
    {"row of four, a cell below its 2nd", {{10, 20, 100}, {10, 21, 100}, {10, 22, 100}, {10, 23, 100}, {11, 21, 100}}},
    {"hexagon", {{10, 21, 100}, {10, 22, 100}, {10, 23, 100}, {11, 21, 100}, {11, 22, 100}, {11, 23, 100}}},
    {"hexagon less a half of a cell",
     {{10, 21, 100}, {10, 22, 100}, {10, 23, 100}, {11, 21, 100}, {11, 22, 100}, {11, 23, 70}}},
    {"hexagon less the other half",
     {{10, 21, 100}, {10, 22, 100}, {10, 23, 100}, {11, 21, 100}, {11, 22, 100}, {11, 23, 30}}},
};

TEST(CanonicalShapeTest, EveryTurnAndPlaceOfAShapeHasItsForm) {
    for (const NamedShape& s : kShapes) {
        SCOPED_TRACE(s.name);
        const Shape form = tools::canonical_shape(s.cells);
        for (int k = 0; k < 6; ++k)
            for (const auto& [dr, dc] : {std::pair{0, 0}, {0, 2}, {1, 1}, {-3, 5}, {4, -8}}) {
                Shape other = moved(turned(s.cells, k), dr, dc);
                std::reverse(other.begin(), other.end());  // the order of the cells does not matter
                EXPECT_EQ(tools::canonical_shape(other), form) << "turn " << k << " moved " << dr << "," << dc;
            }
    }
}

TEST(CanonicalShapeTest, DifferentShapesHaveDifferentForms) {
    for (const NamedShape& a : kShapes)
        for (const NamedShape& b : kShapes)
            if (&a != &b) {
                EXPECT_NE(tools::canonical_shape(a.cells), tools::canonical_shape(b.cells))
                    << a.name << " / " << b.name;
            }
}

TEST(CanonicalShapeTest, AMirrorImageIsAnotherShapeUnlessATurnGivesIt) {
    // Pieces are never turned over, so a shape without a mirror line differs from its image...
    for (int i : {0, 1, 4}) {
        const Shape image = mirrored(kShapes[i].cells, 44);
        EXPECT_NE(tools::canonical_shape(image), tools::canonical_shape(kShapes[i].cells)) << kShapes[i].name;
    }
    // ...while a shape with one is its own image.
    EXPECT_EQ(tools::canonical_shape(mirrored(kShapes[3].cells, 44)), tools::canonical_shape(kShapes[3].cells));
    const Shape row_of_three = {{10, 20, 100}, {10, 21, 100}, {10, 22, 100}};
    EXPECT_EQ(tools::canonical_shape(mirrored(row_of_three, 40)), tools::canonical_shape(row_of_three));
}

TEST(CanonicalShapeTest, CountShapesCountsEachShapeOnce) {
    const Shape a = kShapes[0].cells, b = kShapes[1].cells;
    EXPECT_EQ(tools::count_shapes({a, turned(a, 2), moved(turned(a, 5), 2, 4), b}), 2);
    EXPECT_EQ(tools::count_shapes({b, mirrored(b, 44)}), 2);
    EXPECT_EQ(tools::count_shapes({}), 0);
}

// The sixths of the board covered by a list of pieces, each counted once per piece.
std::map<int, int> sixth_cover(const std::vector<Shape>& pieces) {
    std::map<int, int> cover;
    for (const Shape& piece : pieces)
        for (const CellCode& c : piece) {
            const unsigned mask = tools::sixth_mask(c.code, board_cell_points_up(c.row, c.col));
            EXPECT_NE(mask, 0u) << c.row << "," << c.col << " code " << c.code;
            for (int s = 0; s < 6; ++s)
                if ((mask >> s) & 1) ++cover[tools::sixth_id(c.row, c.col, s)];
        }
    return cover;
}

TEST(MakeShapesDistinctTest, CutsAgainInsideTheSameAreaUntilNoShapeRepeats) {
    std::vector<Shape> cut;
    ASSERT_EQ(tools::cut_board(4, cut), "");
    ASSERT_LT(tools::count_shapes(cut), kPieceCount) << "a cut as it comes repeats shapes";
    std::vector<Shape> distinct = cut;
    tools::DistinctStats stats;
    ASSERT_EQ(tools::make_shapes_distinct(99, distinct, stats), "");
    EXPECT_EQ(tools::count_shapes(distinct), kPieceCount);
    EXPECT_EQ(stats.shapes_before, tools::count_shapes(cut));
    EXPECT_GT(stats.recuts, 0);
    ASSERT_EQ(distinct.size(), cut.size());
    const std::map<int, int> cover = sixth_cover(distinct);
    EXPECT_EQ(cover, sixth_cover(cut)) << "the same area, every sixth in one piece";
    for (const auto& [id, n] : cover) EXPECT_EQ(n, 1) << "sixth " << id;
    for (const Shape& piece : distinct) {
        int halves = 0;
        for (const CellCode& c : piece) halves += c.code == kFull ? 2 : 1;
        EXPECT_EQ(halves, 12);
        EXPECT_TRUE(tools::is_piece_shape(piece));
    }
    // The same seed cuts again the same way.
    std::vector<Shape> again = cut;
    ASSERT_EQ(tools::make_shapes_distinct(99, again, stats), "");
    EXPECT_EQ(again, distinct);
}

TEST(MakeShapesDistinctTest, GivesUpAfterItsTriesLeavingAValidCut) {
    std::vector<Shape> cut;
    ASSERT_EQ(tools::cut_board(4, cut), "");
    std::vector<Shape> pieces = cut;
    tools::DistinctStats stats;
    const std::string fault = tools::make_shapes_distinct(99, pieces, stats, 5);
    EXPECT_NE(fault.find("still share their shape with another after 5 tries"), std::string::npos) << fault;
    EXPECT_EQ(stats.tries, 5);
    EXPECT_EQ(sixth_cover(pieces), sixth_cover(cut));
}

std::map<std::string, std::string> files_of(const std::string& dir) {
    std::map<std::string, std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        out[entry.path().filename().string()] = test::read_file(entry.path());
    return out;
}

// A record's cells moved to the top-left corner of the grid by a shift that keeps directions.
std::vector<int> record_pattern(const PieceRecord& rec) {
    int top = kGridRows, left = kGridCols;
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c)
            if (rec.cells[r][c] != 0) top = std::min(top, r), left = std::min(left, c);
    if ((top + left) % 2 != 0) --left;
    std::vector<int> out;
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c)
            if (rec.cells[r][c] != 0) out.insert(out.end(), {r - top, c - left, rec.cells[r][c]});
    return out;
}

class DistinctPuzzleTest : public test::SolverTest, public ::testing::WithParamInterface<std::uint64_t> {
protected:
    static tools::PuzzleOptions distinct() {
        tools::PuzzleOptions options;
        options.distinct = true;
        return options;
    }
};

TEST_P(DistinctPuzzleTest, NoPieceCanBeTurnedOntoAnotherAndTheSolutionCoversTheBoard) {
    tools::GenerateReport report;
    ASSERT_EQ(tools::generate_puzzle_files("a", GetParam(), {4}, report, distinct()), "");
    EXPECT_EQ(report.shapes, kPieceCount);
    EXPECT_EQ(report.turned_as_meant, kPieceCount);
    solver->set_pieces_path("a/zdroj.txt");
    testing::internal::CaptureStderr();
    solver->FormCreate();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // Every orientation the solver would try, of every piece: no pattern belongs to two pieces.
    std::map<std::vector<int>, int> owner;
    for (int p = 1; p <= kPieceCount; ++p)
        for (int o = 1; o <= kOrientations; ++o) {
            const auto [it, fresh] = owner.emplace(record_pattern(record(p, o)), p);
            if (!fresh) {
                EXPECT_EQ(it->second, p) << "pieces " << it->second << " and " << p << " (orientation " << o << ")";
            }
        }

    auto list = std::make_unique<PlacementList>();
    ASSERT_EQ(read_placement_file("a/solution.txt", *list), "");
    EXPECT_EQ(list->count, kPieceCount);
    ASSERT_EQ(solver->nacti_reseni("a/solution.txt"), 0);
    EXPECT_EQ(s().depth, kPieceCount);
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y) ASSERT_EQ(s().matice[x][y], kFull) << x << "," << y;
    EXPECT_EQ(check::verdict(check::check_stack(s())), "verified");
}

TEST_P(DistinctPuzzleTest, TheSeedGivesTheSamePuzzleAndItDiffersFromTheOneWithRepeats) {
    tools::GenerateReport report;
    ASSERT_EQ(tools::generate_puzzle_files("a", GetParam(), {4}, report, distinct()), "");
    ASSERT_EQ(tools::generate_puzzle_files("b", GetParam(), {4}, report, distinct()), "");
    ASSERT_EQ(tools::generate_puzzle_files("c", GetParam(), {4}, report), "");
    EXPECT_LT(report.shapes, kPieceCount) << "without --distinct shapes repeat";
    const auto a = files_of("a"), b = files_of("b"), c = files_of("c");
    EXPECT_EQ(a, b);
    EXPECT_NE(a.at("zdroj.txt"), c.at("zdroj.txt"));
}

INSTANTIATE_TEST_SUITE_P(Seeds, DistinctPuzzleTest, ::testing::Values(1, 2));

TEST(DistinctPuzzleGiveUpTest, ACutThatCannotBeMadeDistinctWritesNothing) {
    test::ScratchDir dir;
    tools::GenerateReport report;
    tools::PuzzleOptions options;
    options.distinct = true;
    options.distinct_tries = 3;
    const std::string fault = tools::generate_puzzle_files("g", 1, {4}, report, options);
    EXPECT_EQ(fault.rfind("--distinct: ", 0), 0u) << fault;
    EXPECT_FALSE(std::filesystem::exists("g")) << "not even the folder";
}

}  // namespace
}  // namespace tessera
