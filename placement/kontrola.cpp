// The placement check: may this record go with its anchor cell on (target_row, target_col)?
// It is the search's inner loop. Only its verdict is seen, so the cheapest rejection (the
// overlap) runs first, and the piece's codes are laid on the board while the other tests run,
// so that they read the codes the board would hold after the placement straight from it. The
// board is always left exactly as it was found.
#include <algorithm>
#include <functional>

#include "app/solver.h"
#include "placement/cell_list.h"

namespace tessera {

namespace {

constexpr int kPlayFirstRow = 1, kPlayLastRow = kBoardRows - 2;
constexpr int kPlayFirstCol = 1, kPlayLastCol = kBoardCols - 2;

bool on_play_area(int r, int c) {
    return r >= kPlayFirstRow && r <= kPlayLastRow && c >= kPlayFirstCol && c <= kPlayLastCol;
}

// For each half code of a cell's own direction: the neighbour across the edge of its empty half,
// the half there that makes one kite-shaped gap with it, and the two cells at the gap's wide
// corner, each of which must be empty or hold the code given. Indexed by code / 5.
struct HalfRule {
    int partner_dr, partner_dc, partner_code;
    int second_dr, second_dc, second_code;
    int third_dr, third_dc, third_code;
};
constexpr HalfRule kNoHalf{};
constexpr HalfRule kHalfRules[20] = {
    kNoHalf,
    /* 5 */ {0, 1, 90, 1, 0, 80, 0, 2, 25},
    /* 10 */ {-1, 0, 85, -1, 1, 30, 0, 1, 75},
    /* 15 */ {0, -1, 80, -1, -1, 5, 0, 1, 70},
    /* 20 */ {0, -1, 75, -1, 0, 95, 0, -2, 10},
    /* 25 */ {1, 0, 70, 1, -1, 15, 0, -1, 90},
    /* 30 */ {0, 1, 95, 1, 1, 20, 0, -1, 85},
    kNoHalf, kNoHalf, kNoHalf, kNoHalf, kNoHalf, kNoHalf, kNoHalf,
    /* 70 */ {-1, 0, 25, -1, -1, 90, 0, -1, 15},
    /* 75 */ {0, 1, 20, -1, 1, 95, 0, -1, 10},
    /* 80 */ {0, 1, 15, -1, 0, 5, 0, 2, 70},
    /* 85 */ {1, 0, 10, 1, 1, 75, 0, 1, 30},
    /* 90 */ {0, -1, 5, 1, -1, 80, 0, 1, 25},
    /* 95 */ {0, -1, 30, 1, 0, 20, 0, -2, 85},
};

// Which half codes belong to an up-pointing (bit 0) or a down-pointing (bit 1) cell, by code / 5.
constexpr unsigned char kHalfOf[20] = {0, 1, 2, 1, 2, 1, 2, 0, 0, 0, 0, 0, 0, 0, 2, 1, 2, 1, 2, 1};

bool is_own_half(int v, bool up) {
    if (v <= 0 || v >= 100 || v % 5 != 0) return false;
    return (kHalfOf[v / 5] & (up ? 1 : 2)) != 0;
}

bool one_of(int v, int a, int b) { return v == 0 || v == a || v == b; }

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

class BoardView {
public:
    explicit BoardView(const i32 (&board)[kBoardRows][kBoardCols]) : m_(board) {}
    // Rows of tested cells are 1..30, so a neighbour's row is always on the board; a cell two
    // columns away may not be, and reads as full.
    int at(int r, int c) const { return c < 0 || c >= kBoardCols ? kFull : m_[r][c]; }

    bool empty_cell_can_fill(int r, int c, bool up) const {
        if (up) return one_of(m_[r + 1][c], 70, 10) || one_of(m_[r][c - 1], 80, 30) || one_of(m_[r][c + 1], 90, 20);
        return one_of(m_[r - 1][c], 25, 85) || one_of(m_[r][c - 1], 75, 5) || one_of(m_[r][c + 1], 95, 15);
    }

    bool half_cell_can_fill(int r, int c, int v) const {
        const HalfRule& h = kHalfRules[v / 5];
        const int partner = at(r + h.partner_dr, c + h.partner_dc);
        if (partner == 0) return true;
        if (partner != h.partner_code) return false;
        const int second = at(r + h.second_dr, c + h.second_dc);
        const int third = at(r + h.third_dr, c + h.third_dc);
        return (second == 0 || second == h.second_code) && (third == 0 || third == h.third_code);
    }

private:
    const i32 (&m_)[kBoardRows][kBoardCols];
};

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
    // later piece could complete.
    const BoardView board(s_.matice);
    const int i_from = std::max(1, kPlayFirstRow - dr), i_to = std::min(6, kPlayLastRow - dr);
    const int j_from = std::max(1, kPlayFirstCol - dc), j_to = std::min(10, kPlayLastCol - dc);
    for (int i = i_from; i <= i_to; ++i)
        for (int j = j_from; j <= j_to; ++j) {
            const int r = i + dr, c = j + dc;
            const int v = s_.matice[r][c];
            if (v == kFull) continue;
            const bool up = ((i + j) & 1) == 0;
            if (v == 0) {
                if (!board.empty_cell_can_fill(r, c, up)) return 0;
            } else if (is_own_half(v, up) && !board.half_cell_can_fill(r, c, v)) {
                return 0;
            }
        }
    return 1;
}

}  // namespace tessera
