// The spike table: for each kind, every (piece, orientation, cell) whose cell is a spike of that
// kind, in the order of the scan. The order of each list is the order in which the search tries
// pieces at a spot of that kind.

#include <algorithm>

#include "app/solver.h"
#include "board/cell_codes.h"
#include "pieces/rules.h"

namespace tessera {

namespace {

int grid_code(const PieceRecord& record, int r, int c) {
    if (r < 0 || r >= kGridRows || c < 0 || c >= kGridCols) return 0;
    return record.cells[r][c];
}

// Calls add(kind, piece, orientation, row, col) for every spike of the catalogue, in the order
// of the lists.
template <class Add>
void for_each_spike(const SolverState& s, Add&& add) {
    for (i32 p = 1; p <= kPieceCount; ++p)
        for (i32 o = 1; o <= kOrientations; ++o) {
            const PieceRecord& record = s.prvky[p][o];
            if (!has_cells(record)) continue;  // most records of a short file are empty
            for (int r = 1; r <= 6; ++r)
                for (int c = 1; c <= 10; ++c) {
                    const int x = record.cells[r][c];
                    if (x == 0) continue;
                    const int* kinds = kinds_to_test(grid_cell_points_up(r, c), x);
                    if (!kinds) continue;
                    for (; *kinds; ++kinds) {
                        const auto at = [&](int dr, int dc) { return grid_code(record, r + dr, c + dc); };
                        if (rule_holds(kRules[*kinds], at)) add(*kinds, record.number, record.orientation, r, c);
                    }
                }
        }
}

}  // namespace

// The lists are counted first, so that each gets the room it needs in the pool.
void Solver::nacti_hroty() {
    for (i32& count : s_.hroty_count) count = 0;
    for_each_spike(s_, [&](i32 kind, i32, i32, i32, i32) { ++s_.hroty_count[kind]; });
    i32 next = 0;
    for (int kind = 0; kind <= kKinds; ++kind) {
        s_.hroty.start[kind] = next;
        s_.hroty.pool[next] = Candidate{};
        s_.hroty.pool[next + s_.hroty_count[kind] + 1] = Candidate{};
        next += s_.hroty_count[kind] + 2;
        s_.hroty_count[kind] = 0;
    }
    s_.hroty.start[kKinds + 1] = next;
    for_each_spike(s_, [&](i32 kind, i32 piece, i32 orientation, i32 row, i32 col) {
        pridej_hrot(kind, piece, orientation, row, col);
    });
}

void Solver::pridej_hrot(i32 kind, i32 piece, i32 orientation, i32 row, i32 col) {
    i32& count = s_.hroty_count[kind];
    // A list never runs into the next one.
    if (s_.hroty.start[kind] + count + 2 >= s_.hroty.start[kind + 1]) return;
    ++count;
    s_.hroty[kind][count] = Candidate{piece, orientation, row, col};
}

void Solver::nacti_diry() {
    for (i32 p = 1; p <= kPieceCount; ++p)
        for (i32 o = 1; o <= kOrientations; ++o) {
            PieceRecord& record = s_.prvky[p][o];
            for (int slot = 1; slot < kHoleSlots; ++slot) record.holes[slot] = Hole{p, 0, 0, 0, 0, 0};
            // A hole is a spike of the empty part and needs cells of the piece around it.
            if (!has_cells(record)) continue;
            for (int r = 1; r <= 6; ++r)
                for (int c = 1; c <= 10; ++c) {
                    // A hole is a spike of the empty part: the rules read every code in complement.
                    const int y = 100 - record.cells[r][c];
                    if (y == 0) continue;
                    // Each rule of an empty cell asks two of its edge neighbours for a code of
                    // the piece: far from the piece it finds none.
                    const int third = grid_cell_points_up(r, c) ? r + 1 : r - 1;
                    if (y == 100 && (grid_code(record, r, c - 1) | grid_code(record, r, c + 1) |
                                     grid_code(record, third, c)) == 0)
                        continue;
                    const int* kinds = kinds_to_test(grid_cell_points_up(r, c), y);
                    if (!kinds) continue;
                    for (; *kinds; ++kinds) {
                        const auto at = [&](int dr, int dc) { return 100 - grid_code(record, r + dr, c + dc); };
                        if (rule_holds(kRules[*kinds], at)) pridej_diru(*kinds, record.number, record.orientation, r, c);
                    }
                }
        }
}

void Solver::pridej_diru(i32 kind, i32 piece, i32 orientation, i32 row, i32 col) {
    PieceRecord& record = s_.prvky[piece][orientation];
    for (int slot = 1; slot < kHoleSlots; ++slot)
        if (record.holes[slot].kind == 0) {
            record.holes[slot].kind = kind;
            record.holes[slot].row = row;
            record.holes[slot].col = col;
            return;
        }
    notes_.add("piece %d, orientation %d: a fifth hole (kind %d at %d,%d) is dropped; a record holds four", piece,
               orientation, kind, row, col);
}

}  // namespace tessera
