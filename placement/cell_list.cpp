#include "placement/cell_list.h"

namespace tessera {

void list_cells(const PieceRecord& rec, CellList& list) {
    list.count = 0;
    for (int r = rec.anchor_row < 0 ? 0 : rec.anchor_row; r <= 6; ++r)
        for (int c = 1; c <= 10; ++c) {
            const int code = rec.cells[r][c];
            if (code == 0) continue;
            list.cells[list.count++] = {static_cast<signed char>(r), static_cast<signed char>(c),
                                        static_cast<short>(code)};
        }
}

void build_cell_index(const SolverState& s, CellIndex& index) {
    for (int p = 0; p <= kPieceCount; ++p)
        for (int o = 0; o <= kOrientations; ++o) list_cells(s.prvky[p][o], index.lists[p][o]);
}

}  // namespace tessera
