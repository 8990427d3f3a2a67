// The occupied cells of each catalogue record, listed once after start-up so that the check
// visits a piece's dozen cells instead of scanning its whole grid on every try.
#pragma once

#include "app/solver_state.h"

namespace tessera {

struct CellList {
    struct Cell {
        signed char row, col;
        short code;
    };
    static constexpr int kMaxCells = kGridRows * 10;
    int count = 0;
    Cell cells[kMaxCells];
};

struct CellIndex {
    CellList lists[kPieceCount + 1][kOrientations + 1];
};

// Lists the cells of one record in rows anchor_row..6 and columns 1..10.
void list_cells(const PieceRecord& record, CellList& list);

// Lists the cells of every record in rows anchor_row..6 and columns 1..10, the part that the
// check and the placement read, in that scan order.
void build_cell_index(const SolverState& s, CellIndex& index);

}  // namespace tessera
