#include "placement/candidate_shape.h"

#include "placement/planted_fault.h"

namespace tessera {

namespace {

constexpr std::uint64_t kSpan = 0x7ffff;  // columns -9..+9

}  // namespace

CandidateShape shape_of(const PieceRecord& record, const CellList& cells, int row, int col) {
    CandidateShape shape{};
    for (int slot = 1; slot < kHoleSlots && record.holes[slot].kind > 0; ++slot, ++shape.holes) {
        shape.hole_row[shape.holes] = static_cast<std::int8_t>(record.holes[slot].row - row);
        shape.hole_col[shape.holes] = static_cast<std::int8_t>(record.holes[slot].col - col);
    }
    shape.anchor_row = static_cast<std::int16_t>(cells.anchor_row);
    shape.anchor_col = static_cast<std::int16_t>(cells.anchor_col);
    shape.first = cells.row_lo - row;
    if (!cells.regular || shape.first < -5 || shape.first > 0 || cells.row_hi - cells.row_lo > 5) {
        shape.first = CandidateShape::kNone;
        return shape;
    }
    for (int n = 0; n < cells.count; ++n) {
        const CellList::Cell cell = cells.cells[n];
        const int bit = cell.col - col + 9;  // 0..18, both columns being 1..10
        shape.rows[cell.row - cells.row_lo] |= std::uint64_t{1} << (cell.code == kFull ? bit : bit + 32);
    }
    if (planted_fault == PlantedFault::ShapeDropsCell) shape.rows[cells.cells[0].row - cells.row_lo] = 0;
    return shape;
}

bool surroundings_of(const BoardIndex& index, int row, int col, SpotSurroundings& around) {
    if (col < 0 || col >= kBoardCols) return false;
    // Column col - 9 + b is bit col + 1 + b of a board row.
    for (int k = 0; k < 11; ++k) {
        const int r = row - 5 + k;
        if (r < 0 || r >= kBoardRows) {
            around.rows[k] = kSpan | kSpan << 32;
            continue;
        }
        const std::uint64_t empty = index.empty[r] >> (col + 1) & kSpan, half = index.half[r] >> (col + 1) & kSpan;
        around.rows[k] = (~empty & kSpan) | (~(empty | half) & kSpan) << 32;
    }
    return true;
}

void build_candidate_shapes(const SolverState& s, const CellIndex& cells, CandidateShape* shapes) {
    for (int kind = 1; kind <= kKinds; ++kind) {
        const Candidate* list = s.hroty[kind];
        CandidateShape* shape = shapes + s.hroty.start[kind];
        for (int i = 1; list[i].piece > 0; ++i) {
            const i32 p = list[i].piece, o = list[i].orientation;
            shape[i] = shape_of(s.prvky[p][o], cells.lists[p][o], list[i].row, list[i].col);
        }
    }
}

}  // namespace tessera
