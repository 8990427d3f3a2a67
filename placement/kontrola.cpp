// The placement check: may this record go with its anchor cell on (target_row, target_col)?
// It is the search's inner loop. Only its verdict is seen, so the cheapest rejection (the
// overlap, a board row at a time) runs first, and the fillability, the dearest, last: it reads
// the board's codes plus the piece's, or, for a record that the row bitmaps cannot serve, lays
// the piece's codes on the board for a moment. The board is always left as it was found.
#include <algorithm>
#include <functional>

#include "app/solver.h"
#include "placement/board_index.h"
#include "placement/candidate_shape.h"
#include "placement/cell_list.h"
#include "placement/fillability.h"

namespace tessera {

namespace {

constexpr RowBits kAreaCols = 0x7fe;  // grid columns 1..10
constexpr RowBits kPlayBits = ~RowBits{0} << (kPlayFirstCol + kColumnBit);

// The piece's cells laid on the board for the length of one check.
class Overlay {
public:
    Overlay(i32 (&board)[kBoardRows][kBoardCols], const CellList& cells, int dr, int dc)
        : board_(board), cells_(cells), dr_(dr), dc_(dc) {
        for (int n = 0; n < cells_.count; ++n) at(n) += cells_.cells[n].code;
    }
    ~Overlay() {
        for (int n = 0; n < cells_.count; ++n) at(n) -= cells_.cells[n].code;
    }
    Overlay(const Overlay&) = delete;
    Overlay& operator=(const Overlay&) = delete;

private:
    i32& at(int n) { return board_[cells_.cells[n].row + dr_][cells_.cells[n].col + dc_]; }
    i32 (&board_)[kBoardRows][kBoardCols];
    const CellList& cells_;
    int dr_, dc_;
};

// Halves over halves: each must complete the half it goes onto.
bool halves_complete(const CellList& cells, const i32 (&board)[kBoardRows][kBoardCols], int dr, int dc) {
    for (int n = 0; n < cells.half_count; ++n) {
        const CellList::Cell cell = cells.cells[n];
        const int b = board[cell.row + dr][cell.col + dc];
        if (b != 0 && b + cell.code != kFull) return false;
    }
    return true;
}

// Fillability of the record's area when its grid directions are the board's (row + column of a
// board cell odd for an up cell): the settled positions keep the board's standing verdict, the
// others are judged on the codes after the placement.
struct AreaRows {
    AreaRows(const BoardIndex& index, int dr, int dc)
        : index(index), dr(dr), shift(dc + kColumnBit), play(kAreaCols & (kPlayBits >> shift)),
          i_from(std::max(1, kPlayFirstRow - dr)), i_to(std::min(6, kPlayLastRow - dr)) {}
    const BoardIndex& index;
    const int dr, shift;
    const RowBits play;
    const int i_from, i_to;
};

// The codes the board would hold after the placement, read without laying them.
class Combined {
public:
    Combined(const i32 (&board)[kBoardRows][kBoardCols], const CellList& cells, int dr, int dc)
        : m_(board), cells_(cells), dr_(dr), dc_(dc) {}
    int operator()(int r, int c) const { return c < 0 || c >= kBoardCols ? kFull : edge(r, c); }
    int edge(int r, int c) const { return m_[r][c] + cells_.codes[r - dr_][c - dc_ + 1]; }

private:
    const i32 (&m_)[kBoardRows][kBoardCols];
    const CellList& cells_;
    const int dr_, dc_;
};

bool area_fillable_by_rows(const CellList& cells, const AreaRows& area, const Combined& after) {
    const int dc = area.shift - kColumnBit;
    for (int i = area.i_from; i <= area.i_to; ++i) {
        const int r = i + area.dr;
        const RowBits stuck = area.index.stuck[r] >> area.shift, half = area.index.half[r] >> area.shift;
        const RowBits far = cells.far[i] & area.play;
        if ((cells.settled[i] | (far & ~half)) & stuck) return false;
        for (RowBits judge = (cells.near[i] & area.play) | (far & half); judge != 0; judge &= judge - 1) {
            const int c = __builtin_ctzll(judge) + dc;
            if (!cell_can_fill(after, r, c, ((r + c) & 1) != 0)) return false;
        }
    }
    return true;
}

// Fillability of the record's area, every position judged on the laid codes.
bool area_fillable(const BoardView& board, int dr, int dc) {
    const int i_from = std::max(1, kPlayFirstRow - dr), i_to = std::min(6, kPlayLastRow - dr);
    const int j_from = std::max(1, kPlayFirstCol - dc), j_to = std::min(10, kPlayLastCol - dc);
    for (int i = i_from; i <= i_to; ++i)
        for (int j = j_from; j <= j_to; ++j)
            if (!board.can_fill(i + dr, j + dc, ((i + j) & 1) == 0)) return false;
    return true;
}

bool lays_grid_cell(const CellList& cells, int i, int j) {
    return i >= cells.row_lo && i <= cells.row_hi && j >= 1 && j <= 10 &&
           ((cells.full[i] | cells.half[i]) >> j & 1) != 0;
}

}  // namespace

const CellList* Solver::cells_of(const PieceRecord& rec) const {
    const PieceRecord* first = &s_.prvky[0][0];
    const PieceRecord* end = first + (kPieceCount + 1) * (kOrientations + 1);
    if (std::less<const PieceRecord*>{}(&rec, first) || !std::less<const PieceRecord*>{}(&rec, end)) return nullptr;
    return &cell_index_->lists[0][0] + (&rec - first);
}

int Solver::kontrola(const PieceRecord& rec) const {
    CellList own;
    const CellList* cells = cells_of(rec);
    if (!cells) {
        list_cells(rec, own);
        cells = &own;
    }
    const int dr = s_.target_row - rec.anchor_row, dc = s_.target_col - rec.anchor_col;
    return rows_fit(*cells, *board_index_, dr, dc) && continues(*cells, rec, dr, dc) && fills(*cells, dr, dc) ? 1 : 0;
}

// Continuation: a placement that covers every unfilled open spot must open a new one. The
// piece that completes the board needs none.
bool Solver::continues(const CellList& cells, const PieceRecord& rec, int dr, int dc) const {
    return s_.depth == kPieceCount - 1 || leaves_open_spot(cells, dr, dc) || opens_spot(rec, dr, dc);
}

// Whether an unfilled open spot stays uncovered by the record's cells.
bool Solver::leaves_open_spot(const CellList& cells, int dr, int dc) const {
    if (open_cells_) {
        for (int k = 0; k < open_cells_->count; ++k)
            if (!lays_grid_cell(cells, open_cells_->row[k] - dr, open_cells_->col[k] - dc)) return true;
        return false;
    }
    for (int k = 1; k <= s_.open_count && s_.volny[k].kind > 0; ++k) {
        const OpenSpot& spot = s_.volny[k];
        if (spot.filled == 0 && !lays_grid_cell(cells, spot.row - dr, spot.col - dc)) return true;
    }
    return false;
}

// A hole of the record on a cell that is empty before the placement, inside the rectangle.
bool Solver::opens_spot(const PieceRecord& rec, int dr, int dc) const {
    for (int slot = 1; slot < kHoleSlots && rec.holes[slot].kind > 0; ++slot)
        if (hole_opens_spot(s_.matice, s_.params, rec.holes[slot].row + dr, rec.holes[slot].col + dc)) return true;
    return false;
}

// The rest of the overlap, then the fillability.
bool Solver::fills(const CellList& cells, int dr, int dc) const {
    if (!halves_complete(cells, s_.matice, dr, dc)) return false;

    // Fillability: no empty or half cell of the piece's area may be left in a state that no
    // later piece could complete. The row bitmaps know the board's directions only.
    if (!cells.regular || ((dr + dc) & 1) == 0) {
        const Overlay overlay(s_.matice, cells, dr, dc);
        return area_fillable(BoardView(s_.matice), dr, dc);
    }
    return area_fillable_by_rows(cells, AreaRows(*board_index_, dr, dc), Combined(s_.matice, cells, dr, dc));
}

}  // namespace tessera
