// Each candidate's laid cells as seen from the spot that it fills, so that the search tests a
// candidate against the board around the spot with a few word operations, before it reads the
// record. The board's frame always holds 100, so a cell that may go onto an empty or half cell
// lies on the play area.
#pragma once

#include <cstdint>

#include "app/solver_state.h"
#include "placement/board_index.h"
#include "placement/cell_list.h"

namespace tessera {

// For six grid rows from `first` rows above the spike's row (first -5..0): the full cells in
// bits 0..18 and the halves in bits 32..50, for columns -9..+9 from the spike's column.
struct CandidateShape {
    static constexpr i32 kNone = 1;  // `first` of a record that the rows cannot hold
    std::uint64_t rows[6];
    i32 first;
    std::int16_t anchor_row, anchor_col;
    // The record's holes, as offsets from the spike.
    std::int8_t holes;
    std::int8_t hole_row[kHoleSlots - 1], hole_col[kHoleSlots - 1];
};

// The board around a spot, rows -5..+5 from it: the cells (columns -9..+9) where a full cell
// cannot go in bits 0..18, and those where a half cannot go in bits 32..50.
struct SpotSurroundings {
    std::uint64_t rows[11];
};

// The shape of a candidate whose spike is grid cell (row, col) of the record with these cells.
CandidateShape shape_of(const PieceRecord& record, const CellList& cells, int row, int col);

// False for a spot off the board's columns, where the columns around it cannot be told.
bool surroundings_of(const BoardIndex& index, int row, int col, SpotSurroundings& around);

// The shapes of all candidates, entry for entry beside the spike table's pool.
void build_candidate_shapes(const SolverState& s, const CellIndex& cells, CandidateShape* shapes);

// Whether a cell of the shape goes where it cannot; rows_fit says the same.
inline bool shape_blocked(const CandidateShape& shape, const SpotSurroundings& around) {
    const std::uint64_t* w = around.rows + (shape.first + 5);  // first is -5..0: no pointer before the array
    return ((shape.rows[0] & w[0]) | (shape.rows[1] & w[1]) | (shape.rows[2] & w[2]) | (shape.rows[3] & w[3]) |
            (shape.rows[4] & w[4]) | (shape.rows[5] & w[5])) != 0;
}

// Whether a hole on board cell (r, c) opens a new spot, as the continuation test asks: the cell
// empty before the placement, inside the rectangle of the parameters.
inline bool hole_opens_spot(const i32 (&board)[kBoardRows][kBoardCols], const SearchParams& p, int r, int c) {
    if (r < 0 || r >= kBoardRows || c < 0 || c >= kBoardCols) return false;
    return board[r][c] == 0 && p.start_x < r && r <= p.end_x && p.start_y < c && c <= p.end_y;
}

// Whether a hole of the candidate, its spike on (row, col), opens a new spot: the continuation
// test when the spot is the only open one.
inline bool opens_from(const CandidateShape& shape, const i32 (&board)[kBoardRows][kBoardCols],
                       const SearchParams& p, int row, int col) {
    for (int h = 0; h < shape.holes; ++h)
        if (hole_opens_spot(board, p, row + shape.hole_row[h], col + shape.hole_col[h])) return true;
    return false;
}

}  // namespace tessera
