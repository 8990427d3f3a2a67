// The fillability rules of the check: whether an empty or half cell, by the codes around it,
// can still be completed by some later piece. The check applies them to the codes a placement
// would leave; the board index applies them to the board as it is.
#pragma once

#include "app/solver_state.h"

namespace tessera {

// For each half code of a cell's own direction: the neighbour across the edge of its empty half,
// the half there that makes one kite-shaped gap with it, and the two cells at the gap's wide
// corner, each of which must be empty or hold the code given. Indexed by code / 5.
struct HalfRule {
    int partner_dr, partner_dc, partner_code;
    int second_dr, second_dc, second_code;
    int third_dr, third_dc, third_code;
};
inline constexpr HalfRule kNoHalf{};
inline constexpr HalfRule kHalfRules[20] = {
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
inline constexpr unsigned char kHalfOf[20] = {0, 1, 2, 1, 2, 1, 2, 0, 0, 0, 0, 0, 0, 0, 2, 1, 2, 1, 2, 1};

inline bool is_own_half(int v, bool up) {
    if (v <= 0 || v >= 100 || v % 5 != 0) return false;
    return (kHalfOf[v / 5] & (up ? 1 : 2)) != 0;
}

inline bool one_of(int v, int a, int b) { return v == 0 || v == a || v == b; }

// The rules on a reader of codes: at(r, c) is the code of board cell (r, c), full for a column
// off the board; at.edge(r, c) reads a cell that is surely on the board. Tested cells lie in
// rows 1..30 and columns 1..53, so their edge neighbours are on the board; a cell two columns
// away may not be.
template <class Codes>
bool empty_cell_can_fill(const Codes& at, int r, int c, bool up) {
    if (up)
        return one_of(at.edge(r + 1, c), 70, 10) || one_of(at.edge(r, c - 1), 80, 30) ||
               one_of(at.edge(r, c + 1), 90, 20);
    return one_of(at.edge(r - 1, c), 25, 85) || one_of(at.edge(r, c - 1), 75, 5) || one_of(at.edge(r, c + 1), 95, 15);
}

template <class Codes>
bool half_cell_can_fill(const Codes& at, int r, int c, int v) {
    const HalfRule& h = kHalfRules[v / 5];
    const int partner = at.edge(r + h.partner_dr, c + h.partner_dc);
    if (partner == 0) return true;
    if (partner != h.partner_code) return false;
    const int second = at(r + h.second_dr, c + h.second_dc);
    const int third = at(r + h.third_dr, c + h.third_dc);
    return (second == 0 || second == h.second_code) && (third == 0 || third == h.third_code);
}

// The verdict on one position whose cell points up or down as given.
template <class Codes>
bool cell_can_fill(const Codes& at, int r, int c, bool up) {
    const int v = at.edge(r, c);
    if (v == kFull) return true;
    if (v == 0) return empty_cell_can_fill(at, r, c, up);
    return !is_own_half(v, up) || half_cell_can_fill(at, r, c, v);
}

// The board's own codes.
class BoardView {
public:
    explicit BoardView(const i32 (&board)[kBoardRows][kBoardCols]) : m_(board) {}
    int operator()(int r, int c) const { return c < 0 || c >= kBoardCols ? kFull : m_[r][c]; }
    int edge(int r, int c) const { return m_[r][c]; }
    bool can_fill(int r, int c, bool up) const { return cell_can_fill(*this, r, c, up); }

private:
    const i32 (&m_)[kBoardRows][kBoardCols];
};

inline constexpr int kPlayFirstRow = 1, kPlayLastRow = kBoardRows - 2;
inline constexpr int kPlayFirstCol = 1, kPlayLastCol = kBoardCols - 2;

inline bool on_play_area(int r, int c) {
    return r >= kPlayFirstRow && r <= kPlayLastRow && c >= kPlayFirstCol && c <= kPlayLastCol;
}

}  // namespace tessera
