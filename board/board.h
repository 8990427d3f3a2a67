// The board matrix outside the solver: the initial board as a value, for code that must judge
// placements without touching the solver's own board.
#pragma once

#include "app/solver_state.h"

namespace tessera {

using BoardMatrix = i32[kBoardRows][kBoardCols];

void fill_initial_board(BoardMatrix& board);

constexpr bool on_board(int row, int col) { return row >= 0 && row < kBoardRows && col >= 0 && col < kBoardCols; }

}  // namespace tessera
