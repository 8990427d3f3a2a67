// Putting a piece on the board and taking pieces off again. The board, the stack, the open-spot
// list and the piece flags always change together here.
#include <algorithm>

#include "app/solver.h"
#include "board/board.h"
#include "placement/board_index.h"
#include "placement/cell_list.h"

namespace tessera {

namespace {

// The entry of a candidate in a list of `count` entries, or 0. A list stands in ascending order
// of (piece, orientation, row, col) and holds each at most once, so it is found by halving.
i32 find_candidate(const Candidate* list, i32 count, const Candidate& want) {
    const auto before = [](const Candidate& a, const Candidate& b) {
        if (a.piece != b.piece) return a.piece < b.piece;
        if (a.orientation != b.orientation) return a.orientation < b.orientation;
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    };
    const Candidate* at = std::lower_bound(list + 1, list + 1 + count, want, before);
    if (at == list + 1 + count || before(want, *at)) return 0;
    return static_cast<i32>(at - list);
}

}  // namespace

// Adds (sign 1) or takes off (sign -1) the record's codes with its anchor on (row, col).
void Solver::lay_cells(const PieceRecord& rec, i32 row, i32 col, int sign) {
    CellList own;
    const CellList* cells = cells_of(rec);
    if (!cells) {
        list_cells(rec, own);
        cells = &own;
    }
    if (cells->count == 0) return;
    const int dr = row - rec.anchor_row, dc = col - rec.anchor_col;
    for (int n = 0; n < cells->count; ++n) {
        const CellList::Cell cell = cells->cells[n];
        i32& code = s_.matice[cell.row + dr][cell.col + dc];
        const i32 before = code;
        code += sign * cell.code;
        note_cell_change(*board_index_, cell.row + dr, cell.col + dc, before, code);
    }
    reindex_cells(s_.matice, *board_index_, cells->row_lo + dr, cells->row_hi + dr, cells->col_lo + dc,
                  cells->col_hi + dc);
}

// Spots made earlier on a cell of the record are marked again, their filler replaced.
void Solver::mark_spots_under(const PieceRecord& rec, i32 row, i32 col) {
    for (int i = 1; i <= s_.open_count; ++i) {
        OpenSpot& spot = s_.volny[i];
        if (!lays_cell_on(rec, row, col, spot.row, spot.col)) continue;
        spot.filled = 1;
        spot.filler = rec.number;
    }
}

void Solver::pridej_prvek(const PieceRecord& rec) {
    const int dr = s_.target_row - rec.anchor_row, dc = s_.target_col - rec.anchor_col;
    lay_cells(rec, s_.target_row, s_.target_col, 1);
    mark_spots_under(rec, s_.target_row, s_.target_col);

    ++s_.depth;
    s_.reseni[s_.depth] = Placement{rec.number, s_.target_row, s_.target_col, rec.orientation};
    s_.piece_used[rec.number] = 1;

    const SearchParams& p = s_.params;
    for (int slot = 1; slot < kHoleSlots && rec.holes[slot].kind > 0; ++slot) {
        const Hole& hole = rec.holes[slot];
        const int x = hole.row + dr, y = hole.col + dc;
        // A hole on a full cell, or one that this piece itself completes, opens nothing.
        if (!on_board(x, y) || s_.matice[x][y] == kFull) continue;
        if (p.use_limits != 0 && !(p.start_x < x && x <= p.end_x && p.start_y < y && y <= p.end_y)) continue;
        ++s_.open_count;
        s_.volny[s_.open_count] = OpenSpot{rec.number, hole.kind, x, y, 0, 0};
    }
    s_.next_candidate = 1;
}

void Solver::odeber_prvek() {
    i32 k = 0;
    // The spot and the last free choice carry over from one lift to the next; while either has
    // never had a value there is no choice left to resume, so the lift goes on below.
    OpenSpot spot{};
    bool has_spot = false;
    i32 last_free = -1;
    while (s_.depth > 0) {
        const Placement top = s_.reseni[s_.depth];
        const PieceRecord& rec = s_.prvky[top.piece][top.orientation];
        lay_cells(rec, top.row, top.col, -1);

        s_.reseni[s_.depth] = s_.empty_placement;
        --s_.depth;
        s_.piece_used[rec.number] = 0;

        for (int i = 1; s_.volny[i].owner > 0;) {
            if (s_.volny[i].owner == rec.number)
                smaz(i);
            else
                ++i;
        }
        if (s_.reseni[1].piece == 0) {
            s_.next_candidate = k + 1;
            return;
        }
        // Spots that this piece covered are open again (cleared, not restored).
        for (int i = 1; s_.volny[i].kind > 0; ++i)
            if (s_.volny[i].filler == rec.number) {
                s_.volny[i].filled = 0;
                s_.volny[i].filler = 0;
            }

        if (const OpenSpot* open = first_open_spot()) {
            spot = *open;
            has_spot = true;
        }
        if (has_spot) {
            const Candidate* list = s_.hroty[spot.kind];
            const int want_row = spot.row - top.row + rec.anchor_row;
            const int want_col = spot.col - top.col + rec.anchor_col;
            if (const i32 found = find_candidate(list, s_.hroty_count[spot.kind],
                                                 Candidate{rec.number, rec.orientation, want_row, want_col}))
                k = found;
            for (int i = s_.hroty_count[spot.kind]; i >= 1; --i)
                if (list[i].piece != 0 && s_.piece_used[list[i].piece] == 0) {
                    last_free = i;
                    break;
                }
        }
        // Lifting goes on while the lifted piece was the last free candidate of its spot.
        if (has_spot && last_free >= 0 && k != last_free) {
            s_.next_candidate = k + 1;
            return;
        }
    }
}

void Solver::smaz(i32 index) {
    int j = index;
    for (; s_.volny[j].kind > 0; ++j) s_.volny[j] = s_.volny[j + 1];
    --s_.open_count;
}

}  // namespace tessera
