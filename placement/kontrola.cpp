// The placement check: may this record go with its anchor cell on (target_row, target_col)?
// It only reads the state. It is the search's inner loop, so the cheapest test runs first; the
// tests change nothing, so their order does not change the verdict.
#include "app/solver.h"

namespace tessera {

namespace {

constexpr int kPlayFirstRow = 1, kPlayLastRow = kBoardRows - 2;
constexpr int kPlayFirstCol = 1, kPlayLastCol = kBoardCols - 2;

bool on_play_area(int r, int c) {
    return r >= kPlayFirstRow && r <= kPlayLastRow && c >= kPlayFirstCol && c <= kPlayLastCol;
}

// What a fillability neighbour must hold: the empty cell or one of two halves.
struct HalfRule {
    int partner_dr, partner_dc, partner_code;
    int second_dr, second_dc, second_code;
    int third_dr, third_dc, third_code;
};

// For each half code of a cell's own direction: the neighbour across the edge of its empty half,
// the half there that makes one kite-shaped gap with it, and the two cells at the gap's wide
// corner. Indexed by code / 5.
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

class Neighbourhood {
public:
    Neighbourhood(const SolverState& s, const PieceRecord& rec, int dr, int dc) : s_(s), rec_(rec), dr_(dr), dc_(dc) {}

    // The code that board cell of grid position (i, j) would hold after the placement. Cells off
    // the board read as full.
    int combined(int i, int j) const {
        const int r = i + dr_, c = j + dc_;
        if (r < 0 || r >= kBoardRows || c < 0 || c >= kBoardCols) return kFull;
        return s_.matice[r][c] + grid(i, j);
    }

private:
    int grid(int i, int j) const {
        if (i < 0 || i >= kGridRows || j < 0 || j >= kGridCols) return 0;
        return rec_.cells[i][j];
    }
    const SolverState& s_;
    const PieceRecord& rec_;
    int dr_, dc_;
};

bool one_of(int v, int a, int b, int c) { return v == a || v == b || v == c; }

// Whether an empty cell keeps at least one way out to an open neighbour.
bool empty_cell_can_fill(const Neighbourhood& n, int i, int j, bool up) {
    if (up)
        return one_of(n.combined(i + 1, j), 0, 70, 10) || one_of(n.combined(i, j - 1), 0, 80, 30) ||
               one_of(n.combined(i, j + 1), 0, 90, 20);
    return one_of(n.combined(i - 1, j), 0, 25, 85) || one_of(n.combined(i, j - 1), 0, 75, 5) ||
           one_of(n.combined(i, j + 1), 0, 95, 15);
}

bool half_cell_can_fill(const Neighbourhood& n, int i, int j, int v) {
    const HalfRule& h = kHalfRules[v / 5];
    const int partner = n.combined(i + h.partner_dr, j + h.partner_dc);
    if (partner == 0) return true;
    if (partner != h.partner_code) return false;
    const int second = n.combined(i + h.second_dr, j + h.second_dc);
    const int third = n.combined(i + h.third_dr, j + h.third_dc);
    return (second == 0 || second == h.second_code) && (third == 0 || third == h.third_code);
}

bool is_own_half(int v, bool up) {
    if (v <= 0 || v >= 100 || v % 5 != 0) return false;
    return up ? (v == 5 || v == 15 || v == 25 || v == 75 || v == 85 || v == 95)
              : (v == 10 || v == 20 || v == 30 || v == 70 || v == 80 || v == 90);
}

}  // namespace

int Solver::kontrola(const PieceRecord& rec) const {
    const int ar = rec.anchor_row, ac = rec.anchor_col;
    const int dr = s_.target_row - ar, dc = s_.target_col - ac;  // board cell = grid cell + (dr, dc)
    const int first_row = ar < 0 ? 0 : ar;

    // Overlap: every piece cell on the play area, on an empty cell or completing a half.
    for (int i = first_row; i <= 6; ++i)
        for (int j = 1; j <= 10; ++j) {
            const int g = rec.cells[i][j];
            if (g == 0) continue;
            const int r = i + dr, c = j + dc;
            if (!on_play_area(r, c)) return 0;
            const int b = s_.matice[r][c];
            if (b != 0 && b + g != kFull) return 0;
        }

    // Continuation: a placement that covers every unfilled open spot must open a new one on an
    // empty cell inside the rectangle. The piece that completes the board needs none.
    if (s_.depth != kPieceCount - 1) {
        bool leaves_open_spot = false;
        for (int k = 1; k <= s_.open_count && s_.volny[k].kind > 0; ++k) {
            const OpenSpot& spot = s_.volny[k];
            if (spot.filled != 0) continue;
            const int i = spot.row - dr, j = spot.col - dc;
            const bool covered = i >= first_row && i <= 6 && j >= 1 && j <= 10 && rec.cells[i][j] != 0;
            if (!covered) {
                leaves_open_spot = true;
                break;
            }
        }
        if (!leaves_open_spot) {
            const SearchParams& p = s_.params;
            bool opens = false;
            for (int slot = 1; slot < kHoleSlots && rec.holes[slot].kind > 0 && !opens; ++slot) {
                const int r = rec.holes[slot].row + dr, c = rec.holes[slot].col + dc;
                opens = r >= 0 && r < kBoardRows && c >= 0 && c < kBoardCols && s_.matice[r][c] == 0 &&
                        p.start_x < r && r <= p.end_x && p.start_y < c && c <= p.end_y;
            }
            if (!opens) return 0;
        }
    }

    // Fillability: no empty or half cell around the piece may be left in a state that no later
    // piece could complete.
    const Neighbourhood n(s_, rec, dr, dc);
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 10; ++j) {
            if (!on_play_area(i + dr, j + dc)) continue;
            const int v = n.combined(i, j);
            if (v == kFull) continue;
            const bool up = ((i + j) & 1) == 0;
            if (v == 0) {
                if (!empty_cell_can_fill(n, i, j, up)) return 0;
            } else if (is_own_half(v, up)) {
                if (!half_cell_can_fill(n, i, j, v)) return 0;
            }
        }
    return 1;
}

}  // namespace tessera
