#include "gui_test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tessera::guitest {

ScratchDir::ScratchDir() : previous_(QDir::currentPath()) {
    if (!dir_.isValid() || !QDir::setCurrent(dir_.path())) std::abort();
}

ScratchDir::~ScratchDir() { QDir::setCurrent(previous_); }

std::string ScratchDir::path(const std::string& name) const { return dir_.filePath(QString::fromStdString(name)).toStdString(); }

void write_file(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const char* const kTwelvePieces =
    "1: 2 4 100, 2 5 100, 2 6 100, 2 7 100\n"
    "2: 1 4 100, 2 3 100, 2 4 100, 2 5 100\n"
    "3: 1 4 100, 1 5 100, 1 6 100, 2 4 100, 2 5 100, 3 5 100, 3 4 70\n"
    "4: 1 4 100, 2 3 100, 2 4 100, 2 5 100, 3 5 100\n"
    "5: 1 4 100, 1 5 100, 2 3 100, 2 4 100, 3 3 100, 3 4 100\n"
    "6: 1 4 100, 2 3 100, 2 4 100, 3 3 100\n"
    "7: 1 4 100, 1 5 100, 2 2 100, 2 3 100, 2 4 100, 2 5 100, 3 3 5, 3 2 90\n"
    "8: 1 2 100, 2 2 100, 2 3 100, 2 4 100\n"
    "9: 1 4 100, 2 3 100, 2 4 100, 3 3 100, 2 5 70\n"
    "10: 2 4 100, 2 5 100, 2 6 100, 3 5 100, 3 4 20\n"
    "11: 2 3 100, 2 4 100, 3 3 100, 3 4 100\n"
    "12: 1 4 100, 2 3 100, 2 4 100, 2 5 100, 3 5 100, 3 6 100, 1 3 25, 3 3 15\n";

std::string piece_file(const char* set, int last) {
    std::istringstream in(set);
    std::string out, line;
    while (std::getline(in, line)) {
        const int piece = std::atoi(line.c_str());
        if (piece > last) break;
        std::istringstream cells(line.substr(line.find(':') + 1));
        std::string cell;
        while (std::getline(cells, cell, ',')) out += std::to_string(piece) + " " + cell + "\n";
    }
    return out;
}

}  // namespace tessera::guitest

namespace tessera::guitest {

std::vector<CoveredCell> covered_cells(const SolverState& s, const Placement& p) {
    const PieceRecord& rec = s.prvky[p.piece][p.orientation];
    std::vector<CoveredCell> out;
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c)
            if (rec.cells[r][c] != 0)
                out.push_back({p.row + r - rec.anchor_row, p.col + c - rec.anchor_col, rec.cells[r][c]});
    return out;
}

Placement middle_placement(const SolverState& s, int piece) {
    const PieceRecord& rec = s.prvky[piece][1];
    // A board cell points up when row + column is odd, a grid cell when row + column is even.
    const int row = 15, col = (row + 27 + rec.anchor_row + rec.anchor_col) % 2 == 1 ? 27 : 28;
    return {piece, row, col, 1};
}

std::string placement_line(const Placement& p) {
    return std::to_string(p.piece) + " " + std::to_string(p.row) + " " + std::to_string(p.col) + " " +
           std::to_string(p.orientation) + "\n";
}

Placement place_in_middle(Solver& solver, int piece) {
    const Placement p = middle_placement(solver.state(), piece);
    write_file("placed.txt", placement_line(p));
    if (solver.nacti_reseni("placed.txt") != 0) std::abort();
    return p;
}

}  // namespace tessera::guitest

namespace tessera::guitest {

bool cell_shows(const QImage& image, const BoardGeometry& g, const CoveredCell& cell, QRgb colour) {
    const QPolygonF part = g.part(cell.row, cell.col, cell.code);
    const QPointF middle = g.centre(cell.row, cell.col, cell.code);
    int showing = image.pixel(middle.toPoint()) == colour;
    for (int i = 0; i < 3; ++i) showing += image.pixel(((middle + part[i]) / 2).toPoint()) == colour;
    return showing >= 2;
}

}  // namespace tessera::guitest
