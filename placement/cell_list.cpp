#include "placement/cell_list.h"

#include <algorithm>

#include "placement/fillability.h"

namespace tessera {

namespace {

int grid_at(const PieceRecord& rec, int i, int j) {
    return i < 0 || i >= kGridRows || j < 0 || j >= kGridCols ? 0 : rec.cells[i][j];
}

// Whether the rules of an empty (edge neighbours) or of a half cell at (i, j) read a cell of the
// record.
bool edge_reads_cell(const PieceRecord& rec, int i, int j) {
    const int third_dr = (i + j) % 2 == 0 ? 1 : -1;
    return grid_at(rec, i + third_dr, j) != 0 || grid_at(rec, i, j - 1) != 0 || grid_at(rec, i, j + 1) != 0;
}

bool half_rules_read_cell(const PieceRecord& rec, int i, int j) {
    const bool up = (i + j) % 2 == 0;
    for (int v = 5; v < 100; v += 5) {
        if (!is_own_half(v, up)) continue;
        const HalfRule& h = kHalfRules[v / 5];
        if (grid_at(rec, i + h.second_dr, j + h.second_dc) != 0 || grid_at(rec, i + h.third_dr, j + h.third_dc) != 0)
            return true;
    }
    return false;
}

void mark_area(const PieceRecord& rec, CellList& list) {
    int codes = 0;
    for (const auto& row : rec.cells)
        for (const i32 code : row) codes += code != 0;
    list.regular = codes == list.count;
    for (int i = 1; i <= 6; ++i)
        for (int j = 1; j <= 10; ++j) {
            const int g = rec.cells[i][j];
            const auto bit = static_cast<std::uint16_t>(1u << j);
            if (g == kFull) continue;
            if (g != 0 || edge_reads_cell(rec, i, j))
                list.near[i] |= bit;
            else if (half_rules_read_cell(rec, i, j))
                list.far[i] |= bit;
        }
}

}  // namespace

void list_cells(const PieceRecord& rec, CellList& list) {
    list = CellList{};
    for_each_laid_cell(rec, rec.anchor_row, rec.anchor_col, [&](int r, int c, int code) {
        list.cells[list.count++] = {static_cast<signed char>(r), static_cast<signed char>(c), static_cast<short>(code)};
        list.row_lo = list.count == 1 ? r : list.row_lo;
        list.row_hi = r;
        list.col_lo = list.count == 1 ? c : std::min(list.col_lo, c);
        list.col_hi = std::max(list.col_hi, c);
        (code == kFull ? list.full : list.half)[r] |= static_cast<std::uint16_t>(1u << c);
    });
    mark_area(rec, list);
}

void build_cell_index(const SolverState& s, CellIndex& index) {
    for (int p = 0; p <= kPieceCount; ++p)
        for (int o = 0; o <= kOrientations; ++o) list_cells(s.prvky[p][o], index.lists[p][o]);
}

}  // namespace tessera
