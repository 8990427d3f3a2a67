// Row bitmaps of the board, kept in step with every code that is laid or taken off, so that the
// check answers most of its questions about a record's area a whole row at a time; and the
// count of unfilled cells of the limit region, so that the search need not count every pass.
#pragma once

#include <cstdint>

#include "app/solver_state.h"
#include "placement/cell_list.h"

namespace tessera {

// Board column c is bit c + kColumnBit of a row, so that a record's masks (bit j for grid
// column j) meet a row by one right shift by the column offset + kColumnBit, which is 1..62
// for every record that lies on the play area. Column 54, the frame, has no bit.
using RowBits = std::uint64_t;
inline constexpr int kColumnBit = 10;

inline RowBits column_bit(int c) { return c + kColumnBit < 64 ? RowBits{1} << (c + kColumnBit) : 0; }

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

// The cells of the unfilled open spots in list order, gathered once per pass for the check.
struct OpenCells {
    int count = 0;
    signed char row[kMaxSpots], col[kMaxSpots];
};

// Rebuilds the bitmaps from the board and forgets the region.
void index_board(const i32 (&board)[kBoardRows][kBoardCols], BoardIndex& index);

// Brings the bitmaps up to date after codes changed in rows x0..x1, columns y0..y1: those
// cells and every cell whose rules read them.
void reindex_cells(const i32 (&board)[kBoardRows][kBoardCols], BoardIndex& index, int x0, int x1, int y0, int y1);

// A board and the bitmaps that a recount of it gave.
struct CheckedBoard {
    i32 board[kBoardRows][kBoardCols];
    BoardIndex index;
};

// The bitmaps a recount of the board gives, worked out only for the rows that differ from the
// checked board and the rows next to them: the others are the checked board's. Forgets the
// region.
void reindex_changed_rows(const i32 (&board)[kBoardRows][kBoardCols], const CheckedBoard& checked, BoardIndex& index);

// Counts the region's cells that are not full and keeps the region, so that changes of single
// cells can keep the count.
void count_region(const i32 (&board)[kBoardRows][kBoardCols], BoardIndex& index, int row_from, int row_to,
                  int col_from, int col_to);

// The first part of the check's overlap test, a board row at a time: every cell of the record
// on the play area, its full cells on empty cells, its halves on empty or half cells.
inline bool rows_fit(const CellList& cells, const BoardIndex& index, int dr, int dc) {
    constexpr int kLastRow = kBoardRows - 2, kLastCol = kBoardCols - 2;
    if (cells.count == 0) return true;
    if (cells.row_lo + dr < 1 || cells.row_hi + dr > kLastRow || cells.col_lo + dc < 1 || cells.col_hi + dc > kLastCol)
        return false;
    const int shift = dc + kColumnBit;
    for (int i = cells.row_lo; i <= cells.row_hi; ++i) {
        const RowBits empty = index.empty[i + dr] >> shift, half = index.half[i + dr] >> shift;
        if ((cells.full[i] & ~empty) | (cells.half[i] & ~(empty | half))) return false;
    }
    return true;
}

// Keeps the region's count as one cell goes from `before` to `after`.
inline void note_cell_change(BoardIndex& index, int x, int y, int before, int after) {
    if (!index.region_known || (before == kFull) == (after == kFull)) return;
    if (x < index.row_from || x > index.row_to || y < index.col_from || y > index.col_to) return;
    index.region_unfilled += before == kFull ? 1 : -1;
}

}  // namespace tessera
