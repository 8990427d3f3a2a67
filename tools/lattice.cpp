#include "tools/lattice.h"

#include <cstdlib>
#include <memory>

#include "board/cell_codes.h"

namespace tessera::tools {

namespace {

// Each half code as (corner of the cut, other corner held), for up- and down-pointing cells.
struct HalfEntry {
    int code;
    HalfShape shape;
};
constexpr HalfEntry kUpHalves[6] = {{5, {0, 1}}, {95, {0, 2}}, {15, {1, 2}}, {85, {1, 0}}, {25, {2, 0}}, {75, {2, 1}}};
constexpr HalfEntry kDownHalves[6] = {{10, {1, 0}}, {90, {1, 2}}, {20, {0, 2}},
                                      {80, {0, 1}}, {30, {2, 1}}, {70, {2, 0}}};

// A turn by 60 degrees counterclockwise about the corner (h 1, line 0). In the basis of one edge
// to the right (a) and one edge down and to the right (b) the turn is (a, b) -> (a + b, -a).
LatticePoint turn_point(LatticePoint p) {
    const int a = (p.h - 1 - p.line) / 2;  // exact: every corner of the board has h + line odd
    const int b = p.line;
    const int a2 = a + b, b2 = -a;
    return {2 * a2 + b2 + 1, b2};
}

int corner_of(const Corners& c, LatticePoint p) {
    for (int i = 0; i < 3; ++i)
        if (c.p[i] == p) return i;
    return -1;
}

}  // namespace

Corners cell_corners(int row, int col, bool points_up) {
    if (points_up) return {{{{col, row}, {col - 1, row + 1}, {col + 1, row + 1}}}};
    return {{{{col, row + 1}, {col - 1, row}, {col + 1, row}}}};
}

bool half_shape(int code, bool points_up, HalfShape& out) {
    for (const HalfEntry& e : points_up ? kUpHalves : kDownHalves)
        if (e.code == code) {
            out = e.shape;
            return true;
        }
    return false;
}

int half_code(bool points_up, HalfShape shape) {
    for (const HalfEntry& e : points_up ? kUpHalves : kDownHalves)
        if (e.shape.cut == shape.cut && e.shape.held == shape.held) return e.code;
    return 0;
}

bool covered_part(int row, int col, bool points_up, int code, FineTriangle& out) {
    if (code == 0) return false;
    const Corners c = cell_corners(row, col, points_up);
    HalfShape s;
    if (code == kFull || !half_shape(code, points_up, s)) {
        out = {fine(c.p[0]), fine(c.p[1]), fine(c.p[2])};
        return true;
    }
    out = {fine(c.p[s.cut]), fine(c.p[s.held]), middle(c.p[s.held], c.p[3 - s.cut - s.held])};
    return true;
}

SixthEnds sixth_ends(int sixth) {
    const int i = sixth / 2, r = sixth % 2;
    return {i, r < i ? r : r + 1};
}

unsigned sixth_mask(int code, bool points_up) {
    if (code == kFull) return 0x3f;
    HalfShape s;
    if (!half_shape(code, points_up, s)) return 0;
    const int other = 3 - s.cut - s.held;
    // The half runs from the cut corner to the midpoint of the opposite edge, on the held side.
    return (1u << sixth_index(s.cut, s.held)) | (1u << sixth_index(s.held, s.cut)) | (1u << sixth_index(s.held, other));
}

CellCode turn_cell(const CellCode& cell, int k) {
    const bool up = board_cell_points_up(cell.row, cell.col);
    const Corners from = cell_corners(cell.row, cell.col, up);
    Corners to = from;
    for (int t = 0; t < ((k % 6) + 6) % 6; ++t)
        for (LatticePoint& p : to.p) p = turn_point(p);

    // The apex is the corner alone on its line; it lies above the edge of an up-pointing cell.
    int apex = 0;
    for (int i = 0; i < 3; ++i)
        if (to.p[(i + 1) % 3].line == to.p[(i + 2) % 3].line) apex = i;
    const LatticePoint a = to.p[apex], b = to.p[(apex + 1) % 3];
    const bool turned_up = a.line < b.line;
    CellCode out{turned_up ? a.line : a.line - 1, a.h, cell.code};
    if (cell.code == 0 || cell.code == kFull) return out;

    HalfShape s;
    if (!half_shape(cell.code, up, s)) return out;
    const Corners target = cell_corners(out.row, out.col, turned_up);
    out.code = half_code(turned_up, {corner_of(target, to.p[s.cut]), corner_of(target, to.p[s.held])});
    return out;
}

const std::array<SixthNeighbours, kBoardSixths>& board_sixth_neighbours() {
    static const auto table = [] {
        auto t = std::make_unique<std::array<SixthNeighbours, kBoardSixths>>();
        for (int x = 0; x < kBoardRows; ++x)
            for (int y = 0; y < kBoardCols; ++y) {
                const bool up = board_cell_points_up(x, y);
                const Corners c = cell_corners(x, y, up);
                for (int s = 0; s < 6; ++s) {
                    const auto [i, j] = sixth_ends(s);
                    const int k = 3 - i - j;
                    SixthNeighbours& n = (*t)[sixth_id(x, y, s)];
                    n.id[1] = sixth_id(x, y, sixth_index(i, k));
                    n.id[2] = sixth_id(x, y, sixth_index(j, i));
                    n.id[0] = -1;
                    // The edge between corners i and j: the bottom or top edge when it holds no
                    // apex, else a slanted edge shared with the left or right neighbour.
                    int nx = x, ny = y;
                    if (i != 0 && j != 0)
                        nx = up ? x + 1 : x - 1;
                    else
                        ny = (i == 1 || j == 1) ? y - 1 : y + 1;
                    if (nx < 0 || nx >= kBoardRows || ny < 0 || ny >= kBoardCols) continue;
                    const Corners nc = cell_corners(nx, ny, board_cell_points_up(nx, ny));
                    const int ni = corner_of(nc, c.p[i]), nj = corner_of(nc, c.p[j]);
                    if (ni < 0 || nj < 0) std::abort();  // the lattice itself would be wrong
                    n.id[0] = sixth_id(nx, ny, sixth_index(ni, nj));
                }
            }
        return t;
    }();
    return *table;
}

}  // namespace tessera::tools
