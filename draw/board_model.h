// The one drawing of a board that every picture of the program is made from: the window's board,
// "Save picture", and `tessera render` as SVG and as PNG. It is geometry in the lattice's own
// coordinates (tools/lattice.h), colours and sizes, without a toolkit: the Qt painter and the SVG
// writer only turn it into pixels or text, so the pictures cannot disagree on what they show.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/solver_state.h"
#include "tools/lattice.h"

namespace tessera::draw {

using tools::FinePoint;
using tools::FineTriangle;

struct Colour {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    friend bool operator==(const Colour&, const Colour&) = default;
};
// "#rrggbb" (the alpha is left out).
std::string hex(Colour c);

// The palette of every picture.
inline constexpr Colour kOutsideColour{0x8c, 0x8c, 0x8c};  // the frame around the playing area
inline constexpr Colour kEmptyColour{0xff, 0xff, 0xff};    // a free cell
inline constexpr Colour kGridColour{0xd0, 0xd0, 0xd0};
inline constexpr Colour kPieceLineColour{0x30, 0x30, 0x30};
inline constexpr Colour kHighlightColour{0x00, 0x00, 0x00};
inline constexpr Colour kBoardLineColour{0x20, 0x20, 0x20};
inline constexpr Colour kNumberColour{0x00, 0x00, 0x00};
inline constexpr Colour kTitleColour{0x00, 0x00, 0x00};
inline constexpr Colour kRectangleColour{0x10, 0x30, 0xa0};
inline constexpr Colour kRegionColour{0x30, 0x60, 0xe0, 0x50};
inline constexpr Colour kFirstPointColour{0xd0, 0x10, 0x10};
inline constexpr Colour kSpotColour{0xd0, 0x00, 0x00};
// Steps of the golden ratio around the colour wheel keep neighbouring numbers far apart.
Colour piece_colour(int piece);

// Where the lattice lies on a page: lattice point (h, line) at (x0 + h * half_edge,
// y0 + line * row_height), a row being sqrt(3) half edges high.
struct Frame {
    double x0 = 0, y0 = 0, half_edge = 1, row_height = 1;
    double x(double h) const { return x0 + h * half_edge; }
    double y(double line) const { return y0 + line * row_height; }
    double edge() const { return 2 * half_edge; }
};
// The playing area (positions 1..53, lines 1..31) fitted into an area, centred, with a margin.
Frame fit_board(double x, double y, double width, double height);

// A page: a title line over the board when there is a title, and the board.
struct PageLayout {
    Frame frame;
    double title_x = 0, title_y = 0, title_size = 0;  // the line's left end and middle
};
PageLayout lay_out_page(double width, double height, bool titled);
// The height of a titled page whose board area is `board_height` high.
double titled_page_height(double board_height);

// Line widths and text sizes in pixels for a board whose cells have this edge: fractions of
// the edge, with the least that stays visible and readable.
struct Sizes {
    double grid_line, piece_line, highlight_line, mark_line, board_line;
    double number_font, spot_radius, spot_font, spot_line, first_point_radius;
};
Sizes sizes_for(double edge);
// The dashes of marks that apply only later, in line widths: short enough that a half edge of a
// mark shows both.
inline constexpr double kDash = 2, kDashGap = 1.5;

struct FineSegment {
    FinePoint a, b;
    friend auto operator<=>(const FineSegment&, const FineSegment&) = default;
};

// A point anywhere on the page's lattice, in half edges along the row and in rows down.
struct LatticeSpot {
    double h = 0, line = 0;
};

// The board without pieces: it never changes.
struct BoardCells {
    std::vector<FineTriangle> playing;  // every free cell of the playing area, whole or its half
    std::vector<FineTriangle> outside;  // the outer halves of the cells that the outline cuts
    std::array<tools::LatticePoint, 12> outline;
};
const BoardCells& board_cells();

struct PieceShape {
    Placement placement;
    std::vector<FineTriangle> parts;   // its cells and halves on the board
    std::vector<FineSegment> outline;  // the sides it shares with no other part of itself
    bool labelled = false;
    LatticeSpot label;        // where its number goes: the point of the piece farthest from its edges
    double label_room = 0;    // the half height, in edges, of the largest number that fits there
};

struct MarkShapes {
    std::vector<FineSegment> rectangle;       // the limit rectangle's cells, outlined
    std::vector<FineTriangle> region;         // with the limits on: the playing area's cells that
    std::vector<FineSegment> region_outline;  // the limit test covers, and their outline
    bool first_point = false;                 // the first point lies on the board
    FineTriangle first_cell{};
    LatticeSpot first_centre;
    bool empty() const { return rectangle.empty() && region.empty() && !first_point; }
};

struct SpotMark {
    int kind = 0;
    LatticeSpot centre;
};

struct BoardModel {
    std::string title;
    std::vector<PieceShape> pieces;  // in the order of the placement
    int highlight = 0;               // the piece drawn with a heavy outline, 0 for none
    bool marked = false;
    MarkShapes marks;    // the rectangle, region and first point in use
    MarkShapes pending;  // edited ones not in use yet, where they differ from `marks`
    std::vector<SpotMark> spots;
};

// What a picture shows besides the pieces.
struct BoardContent {
    std::string title;
    bool numbers = true;  // every piece's number; the highlighted piece's always
    int highlight = 0;
    const SearchParams* marks = nullptr;    // the rectangle, region and first point in use
    const SearchParams* pending = nullptr;  // edited values that apply only later
    const OpenSpot* spots = nullptr;        // entries 1..spot_count, the open ones drawn
    int spot_count = 0;
};

// The placements as they are listed, faulty ones too: a piece without a shape draws nothing,
// cells off the board are left out, overlapping pieces are drawn one over the other.
BoardModel board_model(const Catalogue& prvky, const Placement* entries, int count, const BoardContent& content);

// The marks of a set of parameters (exposed for the tests).
MarkShapes mark_shapes(const SearchParams& params);

// The point of a shape farthest from its outline, inside it: the best of points spread over
// every part, then walked uphill in shrinking steps. Distances across are divided by `aspect`,
// so that the point suits a label that many times wider than high.
LatticeSpot inmost_point(const std::vector<FineTriangle>& parts, const std::vector<FineSegment>& outline,
                         double aspect = 1);
// The distance of a point from the outline, in edges, with distances across divided by `aspect`.
double clearance(LatticeSpot p, const std::vector<FineSegment>& outline, double aspect = 1);

// The width of a piece's number for its height.
double number_aspect(int piece);
// The size of a piece's number in pixels: as large as the sizes allow, smaller where the piece
// has less room, but never too small to read.
double number_font(const Sizes& sizes, double edge, double room);

// The midpoint of a lattice triangle.
LatticeSpot centre_of(const FineTriangle& t);

}  // namespace tessera::draw
