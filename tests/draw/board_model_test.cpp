// The board model that every picture is drawn from: where numbers go, the region's cells, and
// which marks are pending.
#include "draw/board_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "app/search_params.h"
#include "board/board.h"
#include "search/placement_file.h"
#include "test_support.h"

namespace tessera {
namespace {

using draw::LatticeSpot;

bool inside(const draw::PieceShape& piece, LatticeSpot p) {
    // A point inside a triangle lies on the same side of its three sides.
    const double y = std::sqrt(3.0);
    return std::any_of(piece.parts.begin(), piece.parts.end(), [&](const draw::FineTriangle& t) {
        double sign[3];
        for (int i = 0; i < 3; ++i) {
            const draw::FinePoint a = t[i], b = t[(i + 1) % 3];
            sign[i] = (b.h2 / 2.0 - a.h2 / 2.0) * (p.line - a.line2 / 2.0) * y -
                      (b.line2 / 2.0 - a.line2 / 2.0) * y * (p.h - a.h2 / 2.0);
        }
        return (sign[0] >= 0 && sign[1] >= 0 && sign[2] >= 0) || (sign[0] <= 0 && sign[1] <= 0 && sign[2] <= 0);
    });
}

// The mean of the parts' middles: where numbers went before they went to the inmost point.
LatticeSpot mean_of_parts(const draw::PieceShape& piece) {
    LatticeSpot sum;
    for (const draw::FineTriangle& t : piece.parts) {
        sum.h += draw::centre_of(t).h;
        sum.line += draw::centre_of(t).line;
    }
    const double n = static_cast<double>(piece.parts.size());
    return {sum.h / n, sum.line / n};
}

class BoardModelTest : public test::SolverTest {};

// On the shipped puzzle's solution every number lies inside its piece, at least as far from
// the outline as the mean of the piece's cells, where numbers went before; on the bent pieces
// 157, 77 and 98 a number there ran over an outline.
TEST_F(BoardModelTest, NumbersGoToTheInmostPointOfTheirPiece) {
    start_up(test::read_file(test::shipped_data() / "zdroj.txt"));
    auto list = std::make_unique<PlacementList>();
    ASSERT_EQ(read_placement_file((test::shipped_data() / "solution.txt").c_str(), *list), "");
    const draw::BoardModel model = draw::board_model(s().prvky, list->entries, list->count, {});
    ASSERT_EQ(model.pieces.size(), 209u);
    for (const draw::PieceShape& piece : model.pieces) {
        const int number = piece.placement.piece;
        const double aspect = draw::number_aspect(number);
        ASSERT_TRUE(piece.labelled);
        EXPECT_TRUE(inside(piece, piece.label)) << number;
        const LatticeSpot mean = mean_of_parts(piece);
        const double before = inside(piece, mean) ? draw::clearance(mean, piece.outline, aspect) : 0;
        EXPECT_GE(piece.label_room, before - 1e-3) << number;
        EXPECT_NEAR(piece.label_room, draw::clearance(piece.label, piece.outline, aspect), 1e-9) << number;
        // A number of the size the pieces' numbers have needs a room of 0.3 edges (see number_font).
        if (number == 157 || number == 77 || number == 98) {
            EXPECT_LT(draw::clearance(mean, piece.outline, aspect), 0.3) << number;
            EXPECT_GT(piece.label_room, draw::clearance(mean, piece.outline, aspect) + 0.09) << number;
        }
    }
}

// A number's place is kept for the piece's shape and moved with it: a piece moved by whole
// rows and columns has its number moved as far, at the point that the search finds afresh.
TEST_F(BoardModelTest, ANumbersPlaceMovesWithItsPiece) {
    start_up(test::read_file(test::shipped_data() / "zdroj.txt"));
    auto list = std::make_unique<PlacementList>();
    ASSERT_EQ(read_placement_file((test::shipped_data() / "solution.txt").c_str(), *list), "");
    int compared = 0;
    for (int i : {0, 76, 156}) {  // any three pieces
        Placement p = list->entries[i];
        const draw::BoardModel here = draw::board_model(s().prvky, &p, 1, {});
        for (const auto& [rows, cols] : {std::pair{0, 2}, std::pair{1, 1}, std::pair{2, 0}, std::pair{0, 0}}) {
            Placement moved = p;
            moved.row += p.row > 15 ? -rows : rows;
            moved.col += p.col > 27 ? -cols : cols;
            const draw::BoardModel there = draw::board_model(s().prvky, &moved, 1, {});
            const draw::PieceShape& a = here.pieces[0];
            const draw::PieceShape& b = there.pieces[0];
            if (a.parts.size() != b.parts.size()) continue;  // cut by the board's edge
            ++compared;
            EXPECT_NEAR(b.label.h - a.label.h, moved.col - p.col, 1e-9) << p.piece;
            EXPECT_NEAR(b.label.line - a.label.line, moved.row - p.row, 1e-9) << p.piece;
            EXPECT_NEAR(b.label_room, a.label_room, 1e-9) << p.piece;
            const double aspect = draw::number_aspect(p.piece);
            const LatticeSpot fresh = draw::inmost_point(b.parts, b.outline, aspect);
            EXPECT_NEAR(draw::clearance(fresh, b.outline, aspect), b.label_room, 1e-6) << p.piece;
        }
    }
    EXPECT_GE(compared, 9);
}

TEST(BoardModel, TheRegionHoldsOnlyCellsOfThePlayingAreaAndTheRectangleIsAsTyped) {
    const SearchParams defaults{1, 0, 0, 20, 40, 0, 0, 3, 5, 1, 18};
    const draw::MarkShapes marks = draw::mark_shapes(defaults);
    const auto& playing = draw::board_cells().playing;
    for (const draw::FineTriangle& t : marks.region)
        EXPECT_NE(std::find(playing.begin(), playing.end(), t), playing.end());
    int cells = 0;  // what the limit test finds not yet full on an empty board
    BoardMatrix board;
    fill_initial_board(board);
    for (int r = 1; r <= 17; ++r)
        for (int c = 1; c <= 35; ++c) cells += board[r][c] != 100;
    EXPECT_EQ(static_cast<int>(marks.region.size()), cells);
    EXPECT_FALSE(marks.rectangle.empty());
    EXPECT_TRUE(marks.first_point);
    EXPECT_TRUE(draw::mark_shapes(SearchParams{0, 0, 0, 20, 40, 0, 0, 3, 5, 1, 18}).region.empty());
}

// Pending marks are those of the edited values that differ from the values in use.
TEST(BoardModel, PendingMarksAreOnlyWhatDiffers) {
    struct Case {
        const char* name;
        SearchParams edited;
        bool rectangle, region, first_point;
    };
    const SearchParams used{1, 0, 0, 20, 40, 0, 0, 3, 5, 15, 27};
    const Case cases[] = {
        {"nothing edited", used, false, false, false},
        {"end Y", {1, 0, 0, 20, 30, 0, 0, 3, 5, 15, 27}, true, true, false},
        {"a margin", {1, 0, 0, 20, 40, 0, 0, 3, 2, 15, 27}, false, true, false},
        {"the first point", {1, 0, 0, 20, 40, 0, 0, 3, 5, 16, 27}, false, false, true},
        {"limits off", {0, 0, 0, 20, 40, 0, 0, 3, 5, 15, 27}, false, false, false},
    };
    static const Catalogue no_pieces{};
    for (const Case& c : cases) {
        draw::BoardContent content;
        content.marks = &used;
        content.pending = &c.edited;
        const draw::BoardModel model = draw::board_model(no_pieces, nullptr, 0, content);
        EXPECT_EQ(!model.pending.rectangle.empty(), c.rectangle) << c.name;
        EXPECT_EQ(!model.pending.region.empty(), c.region) << c.name;
        EXPECT_EQ(model.pending.first_point, c.first_point) << c.name;
    }
}

}  // namespace
}  // namespace tessera
