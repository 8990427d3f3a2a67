// The board: a twelve-sided playing area inside a one-cell frame, on 32 x 55 cells.
#include <cstring>

#include "app/solver.h"
#include "placement/board_index.h"
#include "board/board.h"

namespace tessera {

namespace {

// The code of cell (r, y) of the initial board, by the first of the band rules that names it.
int initial_code(int r, int y) {
    if (r == 0 || r == 31 || y == 0 || y == 54) return 100;
    if (r <= 4) {  // top band, sides at 30 degrees
        const int t = 3 * r;
        if (y <= 20 - t) return 100;
        if (y == 21 - t) return 85;
        if (y == 22 - t) return 30;
        if (y <= 31 + t) return 0;
        if (y == 32 + t) return 90;
        if (y == 33 + t) return 25;
        return 100;
    }
    if (r <= 11) return (y <= 12 - r || y >= 42 + r) ? 100 : 0;
    if (r <= 19) {  // vertical sides, cut along altitudes
        const bool even = r % 2 == 0;
        if (y == 1) return even ? 5 : 80;
        if (y == 53) return even ? 95 : 20;
        return 0;
    }
    if (r <= 26) return (y <= r - 19 || y >= 73 - r) ? 100 : 0;
    const int t = 3 * (r - 27);  // bottom band
    if (y <= 8 + t) return 100;
    if (y == 9 + t) return 10;
    if (y == 10 + t) return 75;
    if (y <= 43 - t) return 0;
    if (y == 44 - t) return 15;
    if (y == 45 - t) return 70;
    return 100;
}

}  // namespace

void fill_initial_board(BoardMatrix& board) {
    // The outline never changes: it is worked out once and then copied, since the checks of
    // the debug builds rebuild the board after every pass.
    struct Initial {
        BoardMatrix cells;
        Initial() {
            for (int r = 0; r < kBoardRows; ++r)
                for (int y = 0; y < kBoardCols; ++y) cells[r][y] = initial_code(r, y);
        }
    };
    static const Initial initial;
    std::memcpy(board, initial.cells, sizeof(BoardMatrix));
}

void Solver::napln_matici() {
    fill_initial_board(s_.matice);
    board_edited();
}

void Solver::board_edited() { index_board(s_.matice, *board_index_); }

}  // namespace tessera
