// Whether a shape of board cells can be a piece: whether each of its six turned forms, moved to
// the place where the loader puts it, lies in the part of the record grid that placement and
// the tables read, and how the shape is written into the piece file's grid.
#pragma once

#include <vector>

#include "tools/lattice.h"

namespace tessera::tools {

struct Box {
    int top = 0, left = 0, bottom = -1, right = -1;
    int height() const { return bottom - top + 1; }
    int width() const { return right - left + 1; }
    void add(int row, int col);
};
Box box_of(const std::vector<CellCode>& cells);

// The loader moves a turned shape so that its top-left corner comes to row 2 or 3 and column 3
// or 4, by the corner's direction and the shape's width; the shape must then end by row 6 and
// column 10. `box` is the shape in board coordinates.
bool box_fits_record(const Box& box);

// True when every one of the six turned forms fits a record.
bool fits_every_record(const std::vector<CellCode>& cells);

// True when the shape fits every record and some turn of it fits the piece file's grid: when
// it can be written as a piece at all.
bool is_piece_shape(const std::vector<CellCode>& cells);

// The shape turned by k times 60 degrees and moved into rows 1..4 and columns 1..8 of the piece
// file's grid, whose cells point the other way from the board's at the same (row, col). False
// when the turned shape does not fit there.
bool file_shape(const std::vector<CellCode>& cells, int k, std::vector<CellCode>& grid_cells);

}  // namespace tessera::tools
