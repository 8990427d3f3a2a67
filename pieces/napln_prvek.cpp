// One orientation of a piece: the file's shape turned by a multiple of 60 degrees.
#include "app/solver.h"
#include "board/cell_codes.h"

namespace tessera {

namespace {

struct GridCell {
    signed char row, col;
};

// For orientations 2..6 and source rows 1..4, the result cell of source columns 1..8. Each row
// of the table is one rigid turn of the lattice, so only this 4 x 8 box turns with the piece.
constexpr GridCell kTurn[5][4][8] = {
    {  // orientation 2: 60 degrees
     {{5, 2}, {4, 2}, {4, 3}, {3, 3}, {3, 4}, {2, 4}, {2, 5}, {1, 5}},
     {{5, 3}, {5, 4}, {4, 4}, {4, 5}, {3, 5}, {3, 6}, {2, 6}, {2, 7}},
     {{6, 5}, {5, 5}, {5, 6}, {4, 6}, {4, 7}, {3, 7}, {3, 8}, {2, 8}},
     {{6, 6}, {6, 7}, {5, 7}, {5, 8}, {4, 8}, {4, 9}, {3, 9}, {3, 10}}},
    {  // orientation 3: 120 degrees
     {{6, 6}, {6, 5}, {5, 5}, {5, 4}, {4, 4}, {4, 3}, {3, 3}, {3, 2}},
     {{6, 7}, {5, 7}, {5, 6}, {4, 6}, {4, 5}, {3, 5}, {3, 4}, {2, 4}},
     {{5, 9}, {5, 8}, {4, 8}, {4, 7}, {3, 7}, {3, 6}, {2, 6}, {2, 5}},
     {{5, 10}, {4, 10}, {4, 9}, {3, 9}, {3, 8}, {2, 8}, {2, 7}, {1, 7}}},
    {  // orientation 4: 180 degrees
     {{4, 9}, {4, 8}, {4, 7}, {4, 6}, {4, 5}, {4, 4}, {4, 3}, {4, 2}},
     {{3, 9}, {3, 8}, {3, 7}, {3, 6}, {3, 5}, {3, 4}, {3, 3}, {3, 2}},
     {{2, 9}, {2, 8}, {2, 7}, {2, 6}, {2, 5}, {2, 4}, {2, 3}, {2, 2}},
     {{1, 9}, {1, 8}, {1, 7}, {1, 6}, {1, 5}, {1, 4}, {1, 3}, {1, 2}}},
    {  // orientation 5: 240 degrees
     {{2, 10}, {3, 10}, {3, 9}, {4, 9}, {4, 8}, {5, 8}, {5, 7}, {6, 7}},
     {{2, 9}, {2, 8}, {3, 8}, {3, 7}, {4, 7}, {4, 6}, {5, 6}, {5, 5}},
     {{1, 7}, {2, 7}, {2, 6}, {3, 6}, {3, 5}, {4, 5}, {4, 4}, {5, 4}},
     {{1, 6}, {1, 5}, {2, 5}, {2, 4}, {3, 4}, {3, 3}, {4, 3}, {4, 2}}},
    {  // orientation 6: 300 degrees
     {{1, 6}, {1, 7}, {2, 7}, {2, 8}, {3, 8}, {3, 9}, {4, 9}, {4, 10}},
     {{1, 5}, {2, 5}, {2, 6}, {3, 6}, {3, 7}, {4, 7}, {4, 8}, {5, 8}},
     {{2, 3}, {2, 4}, {3, 4}, {3, 5}, {4, 5}, {4, 6}, {5, 6}, {5, 7}},
     {{2, 2}, {3, 2}, {3, 3}, {4, 3}, {4, 4}, {5, 4}, {5, 5}, {6, 5}}},
};

}  // namespace

PieceRecord Solver::napln_prvek(i32 piece, i32 orientation) const {
    PieceRecord result{};
    PieceRecord source = s_.prvky[piece][1];
    const int k = orientation - 1;
    for (int r = 1; r <= 6; ++r)
        for (int c = 1; c <= 10; ++c) source.cells[r][c] = turn_code(source.cells[r][c], k);

    if (orientation == 1) {
        for (int r = 1; r <= 6; ++r)
            for (int c = 1; c <= 10; ++c) result.cells[r][c] = source.cells[r][c];
    } else if (orientation >= 2 && orientation <= 6) {
        for (int r = 1; r <= 4; ++r)
            for (int c = 1; c <= 8; ++c) {
                const GridCell to = kTurn[orientation - 2][r - 1][c - 1];
                result.cells[to.row][to.col] = source.cells[r][c];
            }
    }
    result.number = source.number;
    result.orientation = orientation;
    return result;
}

}  // namespace tessera
