// The triangle lattice as geometry: the corners of a cell, the half that a code covers, turns
// by 60 degrees and the sixths into which the three altitudes cut a cell. The tools work from
// these shapes rather than from the code tables of the solver, so that a tool and the solver
// that disagree on a rotation or a half are caught when the tool's result is loaded.
#pragma once

#include <array>
#include <cstdint>

#include "app/solver_state.h"

namespace tessera::tools {

// A corner of the lattice: `h` along the row in half edge lengths, `line` the horizontal line
// that is the top edge of row `line`.
struct LatticePoint {
    int h = 0;
    int line = 0;
    friend bool operator==(const LatticePoint&, const LatticePoint&) = default;
};

// Corner 0 is the apex (top of an up-pointing cell, bottom of a down-pointing one), corner 1 the
// left and corner 2 the right end of the horizontal edge.
struct Corners {
    std::array<LatticePoint, 3> p;
};
Corners cell_corners(int row, int col, bool points_up);

// A half is cut along the altitude from corner `cut` and holds that corner and corner `held`.
struct HalfShape {
    int cut = 0;
    int held = 0;
};
// False when `code` is not a half of a cell of that direction.
bool half_shape(int code, bool points_up, HalfShape& out);
int half_code(bool points_up, HalfShape shape);

// A point on the lattice with both coordinates doubled, so that the middle of an edge, where
// the cut of a half ends, is a whole point too.
struct FinePoint {
    int h2 = 0;
    int line2 = 0;
    friend auto operator<=>(const FinePoint&, const FinePoint&) = default;
};
constexpr FinePoint fine(LatticePoint p) { return {2 * p.h, 2 * p.line}; }
constexpr FinePoint middle(LatticePoint a, LatticePoint b) { return {a.h + b.h, a.line + b.line}; }
using FineTriangle = std::array<FinePoint, 3>;

// The part of a cell that a code covers: the whole cell for 100, the half from the cut corner
// over the held corner to the middle of the opposite edge for a half code. A code that cannot
// stand in a cell of this direction is given as the whole cell rather than guessed at. False
// for 0, which covers nothing.
bool covered_part(int row, int col, bool points_up, int code, FineTriangle& out);

// The three altitudes cut a cell into six small triangles. Sixth (i, j) holds corner i and
// the midpoint of the edge from corner i to corner j; it is numbered 2i + (j > i ? j - 1 : j).
constexpr int sixth_index(int i, int j) { return 2 * i + (j > i ? j - 1 : j); }
struct SixthEnds {
    int corner;  // i
    int toward;  // j
};
SixthEnds sixth_ends(int sixth);
// The sixths that a cell code covers, as a 6-bit mask: all six for 100, three for a half,
// none for 0 or a code that does not suit the direction.
unsigned sixth_mask(int code, bool points_up);

// A cell with a code in board coordinates (a board cell points up when row + col is odd).
struct CellCode {
    int row = 0;
    int col = 0;
    int code = 0;
    friend bool operator==(const CellCode&, const CellCode&) = default;
};

// Turns a board cell and its code by k times 60 degrees counterclockwise (row 0 drawn at the
// top) about a fixed corner of the lattice. The result is again in board coordinates, possibly
// negative: only differences between turned cells carry meaning.
CellCode turn_cell(const CellCode& cell, int k);

// Neighbours on the board: across every edge of every cell, the sixth that shares that half of
// the edge, and within a cell the two sixths that share an edge with it. Cells on the border of
// the matrix have no neighbour outside it (-1).
inline constexpr int kBoardSixths = kBoardRows * kBoardCols * 6;
constexpr int sixth_id(int row, int col, int sixth) { return (row * kBoardCols + col) * 6 + sixth; }
struct SixthNeighbours {
    std::array<int, 3> id;  // [0] across the cell's edge, [1] and [2] inside the cell
};
const std::array<SixthNeighbours, kBoardSixths>& board_sixth_neighbours();

}  // namespace tessera::tools
