// Drawing a board with Qt: the board model of draw/board_model.h turned into pixels. The window's
// board view, its "Save picture" and the PNG output of `tessera render` all draw through
// paint_board, and the SVG writer draws the same model, so every picture of a board is the same.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSize>

#include <string>

#include "app/solver_state.h"
#include "draw/board_model.h"

class QPainter;

namespace tessera {

struct BoardPaintOptions {
    int highlight_piece = 0;     // drawn with a heavy outline and its number; 0 for none
    bool piece_numbers = false;  // every piece's number at its inmost point
    // The limit rectangle and the first point of `params` drawn over the pieces, and the
    // margins' inner region, the one that the limit test covers, while params.use_limits is set.
    bool marks = false;
    SearchParams params{};
    // Edited values that apply only at the next start: drawn dashed where they differ.
    bool pending = false;
    SearchParams pending_params{};
    std::string title;  // a title line over the board, as a picture in a file has
};

inline QColor to_qcolor(draw::Colour c) { return QColor(c.r, c.g, c.b, c.a); }
inline const QColor kRectangleColour = to_qcolor(draw::kRectangleColour);
inline const QColor kRegionColour = to_qcolor(draw::kRegionColour);
inline const QColor kFirstPointColour = to_qcolor(draw::kFirstPointColour);
inline const QColor kOutsideColour = to_qcolor(draw::kOutsideColour);
inline const QColor kEmptyColour = to_qcolor(draw::kEmptyColour);
inline QColor piece_colour(int piece) { return to_qcolor(draw::piece_colour(piece)); }

struct BoardCell {
    int row = -1, col = -1;
    bool valid() const { return row >= 0; }
};

// The lattice fitted into an area (below a title line when `titled`). A lattice point is
// (pos, line): pos counts half edge lengths to the right (a cell in column c spans c - 1 .. c + 1
// along its horizontal edge), line counts rows downward (line k is the top edge of row k).
class BoardGeometry {
public:
    explicit BoardGeometry(const QRectF& area, bool titled = false);

    QPointF at(double pos, double line) const { return {frame_.x(pos), frame_.y(line)}; }
    QPointF at(draw::FinePoint p) const { return at(p.h2 / 2.0, p.line2 / 2.0); }
    QPointF at(draw::LatticeSpot p) const { return at(p.h, p.line); }
    double edge() const { return frame_.edge(); }
    const draw::Frame& frame() const { return frame_; }
    const draw::PageLayout& page() const { return page_; }

    QPolygonF polygon(const draw::FineTriangle& t) const;
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
    draw::PageLayout page_;
    draw::Frame frame_;
};

// The model of the solver's board (entries 1..depth of its stack) with these options.
draw::BoardModel board_model(const SolverState& state, const BoardPaintOptions& options);

void paint_board(QPainter& painter, const QRectF& area, const draw::BoardModel& model);
void paint_board(QPainter& painter, const QRectF& area, const SolverState& state, const BoardPaintOptions& options = {});

// The piece whose cell (or half) lies under a point of a board painted into `area`; 0 for none.
int piece_at(const SolverState& state, const QRectF& area, QPointF point);

QImage render_board(const draw::BoardModel& model, QSize size);
QImage render_board(const SolverState& state, QSize size, const BoardPaintOptions& options = {});

// Writes the image as PNG through a temporary file in the same folder, so that the file is
// there whole or not at all. On failure `why` (if given) tells what went wrong.
bool save_png(const QImage& image, const std::string& path, std::string* why = nullptr);

bool save_board_png(const SolverState& state, const std::string& path, QSize size = {800, 800},
                    const BoardPaintOptions& options = {}, std::string* why = nullptr);

}  // namespace tessera
