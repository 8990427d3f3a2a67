// The exact-cover model of completing a board. Every board cell is cut by its three altitudes
// into six small triangles (sixths), so that a half of a cell covers exactly three of them and two
// halves share a cell without overlap only when they complete each other. A column is a sixth
// that must be covered once (a primary sixth) or may be covered at most once (outside a limit
// region); on a full board each remaining piece is a column too. A row is one placement of a
// piece (orientation and anchor) that fits the board as the resume placement leaves it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/solver_state.h"

namespace tessera::solve {

// Sixths are numbered 0..5 counterclockwise around the cell's centre, sixth k lying between the
// rays at -90 + 60k and -30 + 60k degrees (0 degrees pointing along the row to the right).
// A half is three sixths in a row around the centre. The mask of a code: all six for 100,
// three for a half of that direction, none for 0 or a code that does not suit the direction.
unsigned sixths_of_code(int code, bool points_up);

// The words for sixths. A cell's sixths are a six-bit mask (bit k: sixth k); over the whole
// problem a sixth has the id cell * 6 + k (compact cell index), as Problem::across numbers them.
inline constexpr int kSixthsPerCell = 6;
inline constexpr std::uint32_t kWholeMask = 0x3f;  // all six sixths: a whole cell

// The sixth `steps` places on from sixth k of the same cell, counterclockwise (steps 0..5).
constexpr int turned(int k, int steps) { return (k + steps) % kSixthsPerCell; }
// The half whose three sixths start at sixth `first`, counterclockwise.
constexpr std::uint32_t half_mask(int first) {
    return (0x7u << first | 0x7u >> (kSixthsPerCell - first)) & kWholeMask;
}
constexpr std::int32_t sixth_of(std::int32_t cell, int k) { return cell * kSixthsPerCell + k; }
constexpr std::int32_t cell_of(std::int32_t sixth) { return sixth / kSixthsPerCell; }
// Which of its cell's six a sixth id is: the k of sixth_of(cell, k).
constexpr int sixth_in_cell(std::int32_t sixth) { return sixth % kSixthsPerCell; }

// The sixths in a mask of one cell. Masks have six bits: a table counts them without a library
// call on targets without a population count instruction.
inline constexpr std::array<std::int8_t, 64> kSixthCount = [] {
    std::array<std::int8_t, 64> t{};
    for (int m = 0; m < 64; ++m)
        for (int b = 0; b < kSixthsPerCell; ++b) t[m] = static_cast<std::int8_t>(t[m] + (m >> b & 1));
    return t;
}();
inline int sixths_in(std::uint32_t mask) { return kSixthCount[mask & kWholeMask]; }

// The sixth across the edge of a cell: for sixth k of the cell (row, col), the neighbouring
// cell and its sixth that shares that half edge; false at the border of the matrix.
bool sixth_across(int row, int col, int sixth, int& nrow, int& ncol, int& nsixth);

// One cell of a row: a compact cell index and the sixths the placement covers there.
struct RowCell {
    std::int32_t cell;
    std::uint32_t mask;
};

// A placement of a piece shape. Pieces of one shape form a class; a row belongs to its class and
// is given to the lowest-numbered free piece of the class when it is placed.
struct Row {
    std::int32_t cls;
    std::int32_t orientation;  // of the class's first member
    std::int32_t row, col;     // board cell of the anchor
    std::uint32_t first;       // into Problem::row_cells
    std::uint32_t count;
    std::int32_t area;         // in sixths
};

// An entry of a column's list of rows: a cell's list holds every row that covers a sixth of it
// with the mask it covers there; a class's list holds its rows with the whole mask.
struct ListEntry {
    std::uint32_t row;
    std::uint32_t mask;
};

struct ShapeClass {
    std::vector<int> members;  // free piece numbers, ascending
    std::int32_t area = 0;     // in sixths
    // For each member (same index as members) and orientation o of the first member: the
    // lowest orientation of that member whose record covers the same cells.
    std::vector<std::array<std::int32_t, kOrientations + 1>> orientation_of;
};

struct Region {
    bool limited = false;  // false: the whole board, every free piece used
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // cells x1 < x <= x2, y1 < y <= y2
};

struct Problem {
    Region region;
    std::vector<Placement> fixed;  // the resume placement, kept as it is

    // Board cells that still hold a free sixth: compact index -> (row, col).
    std::vector<std::int32_t> cell_row, cell_col;
    std::vector<std::uint32_t> free_mask;     // free sixths of each cell at the start
    std::vector<std::uint32_t> primary_mask;  // the free sixths that must be covered
    std::vector<std::int32_t> across;         // per sixth id: the sixth id across its edge, or -1

    std::vector<ShapeClass> classes;
    std::vector<Row> rows;  // in search order: classes with fewest rows first
    std::vector<RowCell> row_cells;
    std::vector<std::uint32_t> cell_list_start;  // cells + 1 entries into cell_lists
    std::vector<ListEntry> cell_lists;
    std::vector<std::uint32_t> class_list_start;  // classes + 1 entries into class_lists
    std::vector<ListEntry> class_lists;

    // Every row's sixths are joined along edges, so an empty area is filled by whole pieces. A
    // piece file may hold a piece in parts; then areas are not judged by their size or tilt.
    bool pieces_joined = true;
    std::int64_t primary_area = 0;  // sixths that must be covered
    std::int64_t piece_area = 0;    // sixths of the free pieces with a shape
    // A full board that the pieces' total area cannot fill: no search needed.
    bool area_mismatch() const { return !region.limited && primary_area != piece_area; }
    // Cells of a shape cut in halves (the same in every turn); 0 for a shape without rows.
    int halves_of(std::int32_t cls) const;
    std::uint64_t fingerprint = 0;  // of the rows and the fixed placement, for checkpoints
};

// Builds the model from the catalogue and a resume placement that has already been validated.
// The lists of the rows by cell and by shape, from the rows (for a problem built or derived).
void build_row_lists(Problem& p);

void build_problem(const Catalogue& prvky, const std::vector<Placement>& fixed,
                   const Region& region, Problem& out);

}  // namespace tessera::solve
