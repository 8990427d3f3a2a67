#include "pieces/catalogue_text.h"

#include <string>

namespace tessera {

std::string record_line(const PieceRecord& record) {
    std::string line = "record " + std::to_string(record.number) + ' ' + std::to_string(record.orientation) +
                       " anchor " + std::to_string(record.anchor_row) + ' ' + std::to_string(record.anchor_col) +
                       " cells";
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c)
            if (record.cells[r][c] != 0)
                line += ' ' + std::to_string(r) + ',' + std::to_string(c) + '=' + std::to_string(record.cells[r][c]);
    line += " holes";
    for (int slot = 1; slot < kHoleSlots && record.holes[slot].kind != 0; ++slot) {
        const Hole& h = record.holes[slot];
        line += ' ' + std::to_string(h.kind) + '@' + std::to_string(h.row) + ',' + std::to_string(h.col);
    }
    return line;
}

std::string kind_line(const SolverState& s, int kind) {
    std::string line = "kind " + std::to_string(kind);
    for (int i = 1; s.hroty[kind][i].piece > 0; ++i) {
        const Candidate& c = s.hroty[kind][i];
        line += ' ' + std::to_string(c.piece) + '/' + std::to_string(c.orientation) + '/' + std::to_string(c.row) +
                '/' + std::to_string(c.col);
    }
    return line;
}

void write_catalogue(const SolverState& s, std::FILE* out) {
    for (int p = 1; p <= kPieceCount; ++p)
        for (int o = 1; o <= kOrientations; ++o) {
            const std::string line = record_line(s.prvky[p][o]);
            std::fprintf(out, "%s\n", line.c_str());
        }
    for (int k = 1; k <= kKinds; ++k) {
        const std::string line = kind_line(s, k);
        std::fprintf(out, "%s\n", line.c_str());
    }
}

}  // namespace tessera
