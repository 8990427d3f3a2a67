// Helpers of the window's tests: a scratch working directory and small piece files.
#pragma once

#include <QDir>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace tessera::guitest {

// A fresh directory that is the working directory for the life of the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    std::string path(const std::string& name) const;

private:
    QTemporaryDir dir_;
    QString previous_;
};

void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);

// Twelve pieces, one a line as "piece: row col code, ...". With the first point at 15, 27 the
// search over all twelve runs for millions of passes, and over the first five it ends by itself
// after about a thousand.
extern const char* const kTwelvePieces;
inline constexpr int kLongSearch = 12;
inline constexpr int kShortSearch = 5;

// The pieces 1..last of a set above as the text of a piece file.
std::string piece_file(const char* set, int last);

}  // namespace tessera::guitest

#include "app/solver.h"

namespace tessera::guitest {

// A cell that a placed piece covers on the board, with the code it lays there.
struct CoveredCell {
    int row, col, code;
};

// The board cells under a placement, by the record-to-board rule of the records.
std::vector<CoveredCell> covered_cells(const SolverState& s, const Placement& p);

// A placement of one piece in orientation 1 with its anchor on row 15 and on column 27 or 28,
// whichever points the way the anchor cell does.
Placement middle_placement(const SolverState& s, int piece);
std::string placement_line(const Placement& p);

// Writes a placement file of that one placement and loads it into the solver.
Placement place_in_middle(Solver& solver, int piece);

}  // namespace tessera::guitest

#include <QImage>

#include "draw/board_painter.h"

namespace tessera::guitest {

// Whether the covered part of a cell shows a colour: at least two of four points inside it (its
// middle and three points between the middle and its corners) do, so that a piece's number or
// the first point's mark drawn over the middle does not hide the colour under it.
bool cell_shows(const QImage& image, const BoardGeometry& g, const CoveredCell& cell, QRgb colour);

}  // namespace tessera::guitest
