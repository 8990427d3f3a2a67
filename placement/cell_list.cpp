#include "placement/cell_list.h"

#include <algorithm>

#include "placement/fillability.h"
#include "placement/planted_fault.h"

namespace tessera {

namespace {

// The cells beyond the edge neighbours that the half rules of an up or a down cell read.
struct FarReads {
    int count = 0;
    int dr[12], dc[12];
};

FarReads far_reads(bool up) {
    FarReads reads;
    const auto add = [&](int dr, int dc) {
        for (int n = 0; n < reads.count; ++n)
            if (reads.dr[n] == dr && reads.dc[n] == dc) return;
        reads.dr[reads.count] = dr;
        reads.dc[reads.count++] = dc;
    };
    for (int v = 5; v < 100; v += 5) {
        if (!is_own_half(v, up)) continue;
        add(kHalfRules[v / 5].second_dr, kHalfRules[v / 5].second_dc);
        add(kHalfRules[v / 5].third_dr, kHalfRules[v / 5].third_dc);
    }
    return reads;
}

// Row masks of a record's grid (bit j for column j), with an empty row above and below.
using GridRows = unsigned[kGridRows + 2];

// For each position of grid row i: whether the cell at (dr, dc) from it holds a code.
unsigned reads_code(const GridRows& codes, int i, int dr, int dc) {
    const unsigned row = codes[i + dr + 1];
    return (dc >= 0 ? row >> dc : row << -dc) & 0x7ffu;
}

void mark_area(const PieceRecord& rec, CellList& list) {
    GridRows codes = {}, full = {}, half = {};
    int count = 0;
    for (int i = 0; i < kGridRows; ++i)
        for (int j = 0; j < kGridCols; ++j) {
            const int g = rec.cells[i][j];
            codes[i + 1] |= (g != 0) << j;
            full[i + 1] |= (g == kFull) << j;
            half[i + 1] |= (g != 0 && g != kFull) << j;
            count += g != 0;
        }
    list.regular = count == list.count;
    static const FarReads far_up = far_reads(true), far_down = far_reads(false);
    for (int i = 1; i <= 6; ++i) {
        const unsigned up = i % 2 == 0 ? 0x555u : 0xaaau;  // positions with i + j even
        const unsigned sides = reads_code(codes, i, 0, -1) | reads_code(codes, i, 0, 1);
        const unsigned edge = (up & (sides | reads_code(codes, i, 1, 0))) |  // the third edge: below an up cell
                              (~up & (sides | reads_code(codes, i, -1, 0)));
        unsigned beyond = 0;
        for (int n = 0; n < far_up.count; ++n) beyond |= up & reads_code(codes, i, far_up.dr[n], far_up.dc[n]);
        for (int n = 0; n < far_down.count; ++n) beyond |= ~up & reads_code(codes, i, far_down.dr[n], far_down.dc[n]);
        const unsigned open = 0x7feu & ~full[i + 1];  // area columns 1..10 without full cells
        unsigned near = open & (half[i + 1] | edge);
        if (planted_fault == PlantedFault::NearIsSettled) near &= near - 1;
        const unsigned far = open & ~near & beyond & ~(open & (half[i + 1] | edge));
        list.near[i] = static_cast<std::uint16_t>(near);
        list.far[i] = static_cast<std::uint16_t>(far);
        list.settled[i] = static_cast<std::uint16_t>(open & ~near & ~far);
    }
}

void list_laid_cells(const PieceRecord& rec, CellList& list) {
    list = CellList{};
    list.anchor_row = rec.anchor_row;
    list.anchor_col = rec.anchor_col;
    for_each_laid_cell(rec, rec.anchor_row, rec.anchor_col, [&](int r, int c, int code) {
        list.cells[list.count++] = {static_cast<signed char>(r), static_cast<signed char>(c), static_cast<short>(code)};
        list.row_lo = list.count == 1 ? r : list.row_lo;
        list.row_hi = r;
        list.col_lo = list.count == 1 ? c : std::min(list.col_lo, c);
        list.col_hi = std::max(list.col_hi, c);
        (code == kFull ? list.full : list.half)[r] |= static_cast<std::uint16_t>(1u << c);
    });
    CellList::Cell laid[CellList::kMaxCells];
    std::copy(list.cells, list.cells + list.count, laid);
    for (const bool halves : {true, false})
        for (int n = 0, at = halves ? 0 : list.half_count; n < list.count; ++n)
            if ((laid[n].code != kFull) == halves) {
                list.cells[at++] = laid[n];
                list.half_count += halves;
            }
    for (int i = 0; i < kGridRows; ++i)
        for (int j = 0; j < kGridCols; ++j) list.codes[i][j + 1] = static_cast<std::int16_t>(rec.cells[i][j]);
    mark_area(rec, list);
}

}  // namespace

// Most records of a short piece file hold no cell, and every such list is the same but for its
// anchor: it is worked out once, not scanned again for each of them at every start-up.
void list_cells(const PieceRecord& rec, CellList& list) {
    if (has_cells(rec)) {
        list_laid_cells(rec, list);
        return;
    }
    static const CellList empty = [] {
        CellList made;
        list_laid_cells(PieceRecord{}, made);
        return made;
    }();
    list = empty;
    list.anchor_row = rec.anchor_row;
    list.anchor_col = rec.anchor_col;
}

void build_cell_index(const SolverState& s, CellIndex& index) {
    for (int p = 0; p <= kPieceCount; ++p)
        for (int o = 0; o <= kOrientations; ++o) {
            const PieceRecord& rec = s.prvky[p][o];
            CellList& list = index.lists[p][o];
            const bool blank = !has_cells(rec);
            if (blank && index.blank[p][o]) {
                list.anchor_row = rec.anchor_row;
                list.anchor_col = rec.anchor_col;
                continue;
            }
            list_cells(rec, list);
            index.blank[p][o] = blank;
        }
}

}  // namespace tessera
