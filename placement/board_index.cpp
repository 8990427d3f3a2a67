#include "placement/board_index.h"

#include <algorithm>

#include "placement/fillability.h"

namespace tessera {

void reindex_cells(const i32 (&board)[kBoardRows][kBoardCols], BoardIndex& index, int x0, int x1, int y0, int y1) {
    for (int x = std::max(x0, 0); x <= std::min(x1, kBoardRows - 1); ++x) {
        for (int y = std::max(y0, 0); y <= std::min(y1, kBoardCols - 1); ++y) {
            const RowBits bit = column_bit(y);
            const int v = board[x][y];
            index.empty[x] = v == 0 ? index.empty[x] | bit : index.empty[x] & ~bit;
            index.half[x] = v != 0 && v != kFull ? index.half[x] | bit : index.half[x] & ~bit;
        }
    }
    // A cell's rules read one row up or down and two columns aside; a full cell is never stuck.
    const BoardView view(board);
    const int y_from = std::max(y0 - 2, kPlayFirstCol), y_to = std::min(y1 + 2, kPlayLastCol);
    if (y_from > y_to) return;
    const RowBits span = (~RowBits{0} >> (63 - (y_to + kColumnBit))) & (~RowBits{0} << (y_from + kColumnBit));
    for (int x = std::max(x0 - 1, kPlayFirstRow); x <= std::min(x1 + 1, kPlayLastRow); ++x) {
        RowBits stuck = index.stuck[x] & ~span;
        for (RowBits open = span & (index.empty[x] | index.half[x]); open != 0; open &= open - 1) {
            const int y = __builtin_ctzll(open) - kColumnBit;
            if (!view.can_fill(x, y, ((x + y) & 1) != 0)) stuck |= column_bit(y);
        }
        index.stuck[x] = stuck;
    }
}

void index_board(const i32 (&board)[kBoardRows][kBoardCols], BoardIndex& index) {
    index = BoardIndex{};
    reindex_cells(board, index, 0, kBoardRows - 1, 0, kBoardCols - 1);
}

namespace {

// Called for every row after every pass in the fuzz build. The reads lie within the two rows,
// so the sanitizer builds need not check each of them.
__attribute__((no_sanitize("address", "undefined"))) bool rows_differ(const i32 (&a)[kBoardCols],
                                                                     const i32 (&b)[kBoardCols]) {
    i32 differ = 0;
    for (int y = 0; y < kBoardCols; ++y) differ |= a[y] ^ b[y];
    return differ != 0;
}

}  // namespace

void reindex_changed_rows(const i32 (&board)[kBoardRows][kBoardCols], const CheckedBoard& checked, BoardIndex& index) {
    index = checked.index;
    index.region_known = false;
    // Reindexing a run of rows also judges the cells of the rows next to it again, whose rules
    // read the run.
    const auto changed = [&](int x) { return rows_differ(board[x], checked.board[x]); };
    for (int x = 0; x < kBoardRows; ++x) {
        if (!changed(x)) continue;
        const int first = x;
        while (x + 1 < kBoardRows && changed(x + 1)) ++x;
        reindex_cells(board, index, first, x, 0, kBoardCols - 1);
    }
}

void count_region(const i32 (&board)[kBoardRows][kBoardCols], BoardIndex& index, int row_from, int row_to,
                  int col_from, int col_to) {
    index.row_from = row_from, index.row_to = row_to, index.col_from = col_from, index.col_to = col_to;
    index.region_unfilled = 0;
    for (int x = row_from; x <= row_to; ++x)
        for (int y = col_from; y <= col_to; ++y) index.region_unfilled += board[x][y] != kFull;
    index.region_known = true;
}

}  // namespace tessera
