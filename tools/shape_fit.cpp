#include "tools/shape_fit.h"

#include <algorithm>

#include "board/cell_codes.h"

namespace tessera::tools {

void Box::add(int row, int col) {
    if (bottom < top) {
        top = bottom = row;
        left = right = col;
        return;
    }
    top = std::min(top, row);
    bottom = std::max(bottom, row);
    left = std::min(left, col);
    right = std::max(right, col);
}

Box box_of(const std::vector<CellCode>& cells) {
    Box box;
    for (const CellCode& c : cells) box.add(c.row, c.col);
    return box;
}

bool box_fits_record(const Box& box) {
    if (box.bottom < box.top) return true;
    const int h = box.height(), w = box.width();
    // A down-pointing corner cell goes to (2, 3); an up-pointing one to (3, 3) when the shape is
    // six or more columns wide, else to (2, 4). The record holds rows up to 6, columns up to 10.
    if (!board_cell_points_up(box.top, box.left)) return h <= 5 && w <= 8;
    if (w >= 6) return h <= 4 && w <= 8;
    return h <= 5;
}

bool fits_every_record(const std::vector<CellCode>& cells) {
    for (int k = 0; k < 6; ++k) {
        Box box;
        for (const CellCode& c : cells) {
            const CellCode t = turn_cell(c, k);
            box.add(t.row, t.col);
        }
        if (!box_fits_record(box)) return false;
    }
    return true;
}

bool file_shape(const std::vector<CellCode>& cells, int k, std::vector<CellCode>& grid_cells) {
    std::vector<CellCode> turned;
    turned.reserve(cells.size());
    for (const CellCode& c : cells) turned.push_back(turn_cell(c, k));
    const Box box = box_of(turned);
    // The shift from board to file grid must have an odd sum, so that each cell keeps its
    // direction under the grid's opposite rule.
    for (int top = 1; top + box.height() - 1 <= 4; ++top)
        for (int left = 1; left + box.width() - 1 <= 8; ++left) {
            const int dr = box.top - top, dc = box.left - left;
            if (((dr + dc) & 1) == 0) continue;
            grid_cells.clear();
            for (const CellCode& c : turned) grid_cells.push_back({c.row - dr, c.col - dc, c.code});
            std::sort(grid_cells.begin(), grid_cells.end(), [](const CellCode& a, const CellCode& b) {
                return a.row != b.row ? a.row < b.row : a.col < b.col;
            });
            return true;
        }
    return false;
}

bool is_piece_shape(const std::vector<CellCode>& cells) {
    if (!fits_every_record(cells)) return false;
    std::vector<CellCode> grid;
    for (int k = 0; k < 6; ++k)
        if (file_shape(cells, k, grid)) return true;
    return false;
}

}  // namespace tessera::tools
