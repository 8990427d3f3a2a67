// Where a record's cells lie on the board, in one place: placing, lifting, loading, the checks
// of files and of the state all lay a record through for_each_laid_cell. The occupied cells of
// each catalogue record are also listed once after start-up, so that the check and the
// placement visit a piece's dozen cells instead of scanning its whole grid on every try.
#pragma once

#include <cstdint>

#include "app/solver_state.h"

namespace tessera {

// Calls f(x, y, code) for every non-empty cell of the record in rows anchor_row..6 and
// columns 1..10, in that order, with (x, y) the board cell under it when the record's anchor
// cell lies on board cell (row, col).
template <class F>
void for_each_laid_cell(const PieceRecord& rec, int row, int col, F&& f) {
    const int dr = row - rec.anchor_row, dc = col - rec.anchor_col;
    for (int r = rec.anchor_row < 0 ? 0 : rec.anchor_row; r <= 6; ++r)
        for (int c = 1; c <= 10; ++c)
            if (rec.cells[r][c] != 0) f(r + dr, c + dc, rec.cells[r][c]);
}

// Whether the record, with its anchor on (row, col), lays a cell on board cell (x, y).
inline bool lays_cell_on(const PieceRecord& rec, int row, int col, int x, int y) {
    const int i = x - row + rec.anchor_row, j = y - col + rec.anchor_col;
    return i >= rec.anchor_row && i >= 0 && i <= 6 && j >= 1 && j <= 10 && rec.cells[i][j] != 0;
}

struct CellList {
    struct Cell {
        signed char row, col;
        short code;
    };
    static constexpr int kMaxCells = kGridRows * 10;
    int count = 0;
    int half_count = 0;  // the cells holding halves come first
    Cell cells[kMaxCells];

    int anchor_row = 0, anchor_col = 0;
    // For the check's row tests; bit j of a row mask stands for grid column j.
    bool regular = false;  // the grid holds no code besides the laid cells
    int row_lo = 0, row_hi = -1, col_lo = 0, col_hi = -1;  // bounds of the laid cells
    std::uint16_t full[kGridRows] = {}, half[kGridRows] = {};
    // Positions of the 6 x 10 area whose verdict the placement may change: near ones always,
    // far ones only when the board holds a half there (their rules reach a laid cell only past
    // a neighbour that is not laid). The settled ones keep the board's verdict.
    std::uint16_t near[kGridRows] = {}, far[kGridRows] = {}, settled[kGridRows] = {};
    // The grid's codes, rows 0..7 and columns -1..12 (at [row][col + 1]): all that the rules of
    // the area's positions read.
    std::int16_t codes[kGridRows + 1][kGridCols + 3] = {};
};

struct CellIndex {
    CellList lists[kPieceCount + 1][kOrientations + 1];
    // Whether the list holds that of a record without cells, which the next build need not copy again.
    bool blank[kPieceCount + 1][kOrientations + 1];
};

// Lists the laid cells of one record in grid coordinates, halves first.
void list_cells(const PieceRecord& record, CellList& list);

// Lists the laid cells of every record of the catalogue.
void build_cell_index(const SolverState& s, CellIndex& index);

}  // namespace tessera
