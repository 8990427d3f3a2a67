// Row bitmaps of the board, kept in step with every code that is laid or taken off, so that the
// check answers most of its questions about a record's area a whole row at a time; and the
// count of unfilled cells of the limit region, so that the search need not count every pass.
#pragma once

#include <cstdint>

#include "app/solver_state.h"

namespace tessera {

using RowBits = std::uint64_t;  // bit c stands for column c

inline RowBits shifted(RowBits bits, int by) {
    if (by >= 64 || by <= -64) return 0;
    return by >= 0 ? bits << by : bits >> -by;
}

struct BoardIndex {
    RowBits empty[kBoardRows];  // cells holding 0
    RowBits half[kBoardRows];   // cells holding neither 0 nor 100
    // Play-area cells that the fillability rules reject as the board stands, taking a cell as
    // pointing up when its row + column is odd.
    RowBits stuck[kBoardRows];
    // The limit region last counted: rows row_from..row_to, columns col_from..col_to.
    i32 row_from, row_to, col_from, col_to;
    i32 region_unfilled;
    bool region_known;
};

// Rebuilds the bitmaps from the board and forgets the region.
void index_board(const i32 (&board)[kBoardRows][kBoardCols], BoardIndex& index);

// Brings the bitmaps up to date after codes changed in rows x0..x1, columns y0..y1: those
// cells and every cell whose rules read them.
void reindex_cells(const i32 (&board)[kBoardRows][kBoardCols], BoardIndex& index, int x0, int x1, int y0, int y1);

// Counts the region's cells that are not full and keeps the region, so that changes of single
// cells can keep the count.
void count_region(const i32 (&board)[kBoardRows][kBoardCols], BoardIndex& index, int row_from, int row_to,
                  int col_from, int col_to);

// Keeps the region's count as one cell goes from `before` to `after`.
inline void note_cell_change(BoardIndex& index, int x, int y, int before, int after) {
    if (!index.region_known || (before == kFull) == (after == kFull)) return;
    if (x < index.row_from || x > index.row_to || y < index.col_from || y > index.col_to) return;
    index.region_unfilled += before == kFull ? 1 : -1;
}

}  // namespace tessera
