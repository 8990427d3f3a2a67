// Drawing a board: the outline, every cell whole and half, and every placed piece in its own
// colour. The window's board view and the PNG output both draw through paint_board, so the
// picture on screen and the picture in a file are the same.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSize>

#include <string>

#include "app/solver_state.h"

class QPainter;

namespace tessera {

struct BoardPaintOptions {
    int highlight_piece = 0;     // drawn with a heavy outline and its number; 0 for none
    bool piece_numbers = false;  // every piece's number in its middle
    // The limit rectangle and the first point of `params` drawn over the pieces, and the
    // margins' inner region, the one that the limit test covers, while params.use_limits is set.
    bool marks = false;
    SearchParams params{};
};

inline const QColor kRectangleColour{0x10, 0x30, 0xa0};
inline const QColor kRegionColour{0x30, 0x60, 0xe0, 0x50};
inline const QColor kFirstPointColour{0xd0, 0x10, 0x10};

struct BoardCell {
    int row = -1, col = -1;
    bool valid() const { return row >= 0; }
};

// The triangle lattice fitted into an area. A lattice point is (pos, line): pos counts half
// edge lengths to the right (a cell in column c spans c - 1 .. c + 1 along its horizontal edge),
// line counts rows downward (line k is the top edge of row k).
class BoardGeometry {
public:
    explicit BoardGeometry(const QRectF& area);

    QPointF at(double pos, double line) const { return {x0_ + pos * half_edge_, y0_ + line * row_height_}; }
    double edge() const { return 2 * half_edge_; }

    QPolygonF cell(int row, int col) const;
    // The part of the cell that a code covers: all of it for 100, one half for a half code,
    // nothing for 0.
    QPolygonF part(int row, int col, int code) const;
    QPointF centre(int row, int col, int code) const;
    // The cell under a point, or an invalid cell off the matrix.
    BoardCell cell_at(QPointF point) const;
    // The twelve corners of the playing area.
    QPolygonF outline() const;

private:
    double x0_ = 0, y0_ = 0, half_edge_ = 1, row_height_ = 1;
};

QColor piece_colour(int piece);
inline const QColor kOutsideColour{0x8c, 0x8c, 0x8c};
inline const QColor kEmptyColour{Qt::white};

void paint_board(QPainter& painter, const QRectF& area, const SolverState& state, const BoardPaintOptions& options = {});

// The piece whose cell (or half) lies under a point of a board painted into `area`; 0 for none.
int piece_at(const SolverState& state, const QRectF& area, QPointF point);

QImage render_board(const SolverState& state, QSize size, const BoardPaintOptions& options = {});

// Writes the image as PNG through a temporary file in the same folder, so that the file is
// there whole or not at all. On failure `why` (if given) tells what went wrong.
bool save_png(const QImage& image, const std::string& path, std::string* why = nullptr);

bool save_board_png(const SolverState& state, const std::string& path, QSize size = {800, 800},
                    const BoardPaintOptions& options = {}, std::string* why = nullptr);

}  // namespace tessera
