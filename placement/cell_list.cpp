#include "placement/cell_list.h"

namespace tessera {

void list_cells(const PieceRecord& rec, CellList& list) {
    list.count = 0;
    for_each_laid_cell(rec, rec.anchor_row, rec.anchor_col, [&](int r, int c, int code) {
        list.cells[list.count++] = {static_cast<signed char>(r), static_cast<signed char>(c), static_cast<short>(code)};
    });
}

void build_cell_index(const SolverState& s, CellIndex& index) {
    for (int p = 0; p <= kPieceCount; ++p)
        for (int o = 0; o <= kOrientations; ++o) list_cells(s.prvky[p][o], index.lists[p][o]);
}

}  // namespace tessera
