// The placement check: may this record go with its anchor cell on (target_row, target_col)?
// It is the search's inner loop. Only its verdict is seen, so the cheapest rejection (the
// overlap, a row of the board at a time) runs first, and the piece's codes are laid on the
// board while the other tests run, so that they read the codes the board would hold after the
// placement straight from it. The board is always left exactly as it was found.
#include <algorithm>
#include <functional>

#include "app/solver.h"
#include "placement/board_index.h"
#include "placement/cell_list.h"
#include "placement/fillability.h"

namespace tessera {

namespace {

constexpr RowBits kPlayCols = ((RowBits{1} << (kPlayLastCol + 1)) - 1) & ~RowBits{1};
constexpr RowBits kAreaCols = 0x7fe;  // grid columns 1..10

// The piece's cells laid on the board for the length of one check.
class Overlay {
public:
    explicit Overlay(i32 (&board)[kBoardRows][kBoardCols]) : board_(board) {}
    ~Overlay() {
        while (count_ > 0) {
            --count_;
            board_[rows_[count_]][cols_[count_]] -= codes_[count_];
        }
    }
    Overlay(const Overlay&) = delete;
    Overlay& operator=(const Overlay&) = delete;

    void lay(int r, int c, int code) {
        board_[r][c] += code;
        rows_[count_] = static_cast<signed char>(r);
        cols_[count_] = static_cast<signed char>(c);
        codes_[count_] = code;
        ++count_;
    }

private:
    i32 (&board_)[kBoardRows][kBoardCols];
    int count_ = 0;
    signed char rows_[kGridRows * kGridCols];
    signed char cols_[kGridRows * kGridCols];
    int codes_[kGridRows * kGridCols];
};

// Rejects, a row at a time, a record whose cells leave the play area, go onto a full cell or
// onto a half that a piece cell cannot complete. Halves over halves are judged cell by cell.
bool rows_may_overlap(const CellList& cells, const BoardIndex& index, int dr, int dc) {
    if (cells.count == 0) return true;
    if (cells.row_lo + dr < kPlayFirstRow || cells.row_hi + dr > kPlayLastRow || cells.col_lo + dc < kPlayFirstCol ||
        cells.col_hi + dc > kPlayLastCol)
        return false;
    for (int i = cells.row_lo; i <= cells.row_hi; ++i) {
        const int r = i + dr;
        if (shifted(cells.full[i], dc) & ~index.empty[r]) return false;
        if (shifted(cells.half[i], dc) & ~(index.empty[r] | index.half[r])) return false;
    }
    return true;
}

// Fillability of the record's area when its grid directions are the board's (row + column of a
// board cell odd for an up cell): positions the placement cannot change take the board's
// standing verdict; the others are judged on the laid codes.
bool area_fillable_by_rows(const CellList& cells, const BoardIndex& index, const BoardView& board, int dr, int dc) {
    const RowBits area = shifted(kAreaCols, dc) & kPlayCols;
    for (int i = 1; i <= 6; ++i) {
        const int r = i + dr;
        if (r < kPlayFirstRow || r > kPlayLastRow) continue;
        const RowBits near = shifted(cells.near[i], dc) & area, far = shifted(cells.far[i], dc) & area;
        const RowBits rest = area & ~shifted(cells.full[i], dc) & ~near & ~far;
        if ((rest | (far & ~index.half[r])) & index.stuck[r]) return false;
        for (RowBits judge = near | (far & index.half[r]); judge != 0; judge &= judge - 1) {
            const int c = __builtin_ctzll(judge);
            if (!board.can_fill(r, c, ((r + c) & 1) != 0)) return false;
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

}  // namespace

const CellList* Solver::cells_of(const PieceRecord& rec) const {
    const PieceRecord* first = &s_.prvky[0][0];
    const PieceRecord* end = first + (kPieceCount + 1) * (kOrientations + 1);
    if (std::less<const PieceRecord*>{}(&rec, first) || !std::less<const PieceRecord*>{}(&rec, end)) return nullptr;
    return &cell_index_->lists[0][0] + (&rec - first);
}

int Solver::kontrola(const PieceRecord& rec) const {
    const int ar = rec.anchor_row, ac = rec.anchor_col;
    const int dr = s_.target_row - ar, dc = s_.target_col - ac;  // board cell = grid cell + (dr, dc)
    const int first_row = ar < 0 ? 0 : ar;

    // Overlap: every piece cell on the play area, on an empty cell or completing a half.
    CellList own;
    const CellList* cells = cells_of(rec);
    if (!cells) {
        list_cells(rec, own);
        cells = &own;
    }
    if (!rows_may_overlap(*cells, *board_index_, dr, dc)) return 0;
    Overlay overlay(s_.matice);
    for (int n = 0; n < cells->count; ++n) {
        const CellList::Cell cell = cells->cells[n];
        const int r = cell.row + dr, c = cell.col + dc;
        if (!on_play_area(r, c)) return 0;
        const int b = s_.matice[r][c];
        if (b != 0 && b + cell.code != kFull) return 0;
        overlay.lay(r, c, cell.code);
    }

    // Continuation: a placement that covers every unfilled open spot must open a new one on a
    // cell that is empty before the placement, inside the rectangle. The piece that completes
    // the board needs none.
    if (s_.depth != kPieceCount - 1) {
        bool leaves_open_spot = false;
        for (int k = 1; k <= s_.open_count && s_.volny[k].kind > 0; ++k) {
            const OpenSpot& spot = s_.volny[k];
            if (spot.filled != 0) continue;
            const int i = spot.row - dr, j = spot.col - dc;
            if (i < first_row || i > 6 || j < 1 || j > 10 || rec.cells[i][j] == 0) {
                leaves_open_spot = true;
                break;
            }
        }
        if (!leaves_open_spot) {
            const SearchParams& p = s_.params;
            bool opens = false;
            for (int slot = 1; slot < kHoleSlots && rec.holes[slot].kind > 0 && !opens; ++slot) {
                const int i = rec.holes[slot].row, j = rec.holes[slot].col;
                const int r = i + dr, c = j + dc;
                if (r < 0 || r >= kBoardRows || c < 0 || c >= kBoardCols) continue;
                const bool laid = i >= first_row && i <= 6 && j >= 1 && j <= 10;
                const int before = s_.matice[r][c] - (laid ? rec.cells[i][j] : 0);
                opens = before == 0 && p.start_x < r && r <= p.end_x && p.start_y < c && c <= p.end_y;
            }
            if (!opens) return 0;
        }
    }

    // Fillability: no empty or half cell of the piece's area may be left in a state that no
    // later piece could complete. The row bitmaps know the board's directions only.
    const BoardView board(s_.matice);
    const bool rows_apply = cells->regular && ((dr + dc) & 1) != 0;
    return (rows_apply ? area_fillable_by_rows(*cells, *board_index_, board, dr, dc) : area_fillable(board, dr, dc)) ? 1
                                                                                                                  : 0;
}

}  // namespace tessera
