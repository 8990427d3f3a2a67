#include "draw/pictures.h"

#include <cmath>
#include <vector>

#include "app/text.h"
#include "board/board.h"
#include "board/cell_codes.h"
#include "tools/lattice.h"
#include "draw/svg.h"

namespace tessera::draw {

// The lattice of the board and its sixths, as the generator cuts it.
using namespace tools;

namespace {

// Where lattice points go on the page: `half_edge` pixels per half edge across, a row is
// sqrt(3) half edges high.
struct Frame {
    double x0, y0, half_edge;
    SvgPoint at(double h, double line) const { return {x0 + h * half_edge, y0 + line * half_edge * std::sqrt(3.0)}; }
    SvgPoint at(LatticePoint p) const { return at(p.h, p.line); }
};

LatticePoint mid2(LatticePoint a, LatticePoint b) { return {a.h + b.h, a.line + b.line}; }  // twice the midpoint

// The outline of a cell code: the whole triangle, or the half from the cut corner over the held
// corner to the middle of the opposite edge.
std::vector<SvgPoint> code_polygon(const Frame& f, int row, int col, bool up, int code) {
    const Corners c = cell_corners(row, col, up);
    HalfShape s;
    if (code == kFull || !half_shape(code, up, s)) return {f.at(c.p[0]), f.at(c.p[1]), f.at(c.p[2])};
    const LatticePoint m = mid2(c.p[s.held], c.p[3 - s.cut - s.held]);
    return {f.at(c.p[s.cut]), f.at(c.p[s.held]), f.at(m.h / 2.0, m.line / 2.0)};
}

SvgPoint centre_of(const std::vector<SvgPoint>& pts) {
    SvgPoint c{0, 0};
    for (const SvgPoint& p : pts) c.x += p.x, c.y += p.y;
    return {c.x / static_cast<double>(pts.size()), c.y / static_cast<double>(pts.size())};
}

// The three edges of sixth (i, j): along the cell's edge, from the corner to the centre, and from
// the edge's middle to the centre, in the order of the neighbour table.
struct Segment {
    SvgPoint a, b;
};
std::array<Segment, 3> sixth_edges(const Frame& f, int row, int col, int sixth) {
    const Corners c = cell_corners(row, col, board_cell_points_up(row, col));
    const auto [i, j] = sixth_ends(sixth);
    const SvgPoint pi = f.at(c.p[i]);
    const LatticePoint m2 = mid2(c.p[i], c.p[j]);
    const SvgPoint m = f.at(m2.h / 2.0, m2.line / 2.0);
    const SvgPoint g = centre_of({f.at(c.p[0]), f.at(c.p[1]), f.at(c.p[2])});
    return {{{pi, m}, {pi, g}, {m, g}}};
}

}  // namespace

std::string board_svg(const Catalogue& prvky, const PlacementList& list,
                      const BoardPicture& options) {
    const double half_edge = 12, margin = 16, title_height = options.title.empty() ? 0 : 22;
    const Frame f{margin, margin + title_height - half_edge * std::sqrt(3.0) * 0.5, half_edge};
    Svg svg(kBoardCols * half_edge + 2 * margin,
            (kBoardRows - 0.5) * half_edge * std::sqrt(3.0) + 2 * margin + title_height);
    if (!options.title.empty()) svg.text({margin, margin + 4}, 14, options.title, "#000", "start");

    BoardMatrix initial;
    fill_initial_board(initial);
    std::vector<char> playing(kBoardSixths, 0);
    std::vector<int> owner(kBoardSixths, 0);  // piece number, 0 none, -1 more than one

    svg.begin_group("class=\"cells\"");
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y) {
            const int outside = initial[x][y];
            if (outside == kFull) continue;
            const bool up = board_cell_points_up(x, y);
            const unsigned open = 0x3f & ~(outside == 0 ? 0u : sixth_mask(outside, up));
            for (int s = 0; s < 6; ++s) playing[sixth_id(x, y, s)] = (open >> s) & 1;
            if (outside != 0) svg.polygon(code_polygon(f, x, y, up, outside), "#dcdcdc", "#b8b8b8", 0.4);
            svg.polygon(code_polygon(f, x, y, up, outside == 0 ? kFull : kFull - outside), "#f6f6f6", "#c8c8c8", 0.4);
        }
    svg.end_group();

    std::vector<SvgPoint> labels(static_cast<std::size_t>(list.count));
    std::vector<char> labelled(static_cast<std::size_t>(list.count), 0);
    for (int n = 0; n < list.count; ++n) {
        const Placement& e = list.entries[n];
        if (e.piece < 1 || e.piece > kPieceCount || e.orientation < 1 || e.orientation > kOrientations) continue;
        const PieceRecord& rec = prvky[e.piece][e.orientation];
        const std::string colour = piece_colour(e.piece);
        svg.begin_group(
            format("class=\"piece\" data-piece=\"%d\" data-orientation=\"%d\" data-row=\"%d\" data-col=\"%d\"", e.piece,
                   e.orientation, e.row, e.col));
        std::vector<SvgPoint> centres;
        for (int r = 0; r < kGridRows; ++r)
            for (int c = 0; c < kGridCols; ++c) {
                const int code = rec.cells[r][c];
                if (code == 0) continue;
                const int x = e.row + r - rec.anchor_row, y = e.col + c - rec.anchor_col;
                if (!on_board(x, y)) continue;
                const bool up = board_cell_points_up(x, y);
                const std::vector<SvgPoint> poly = code_polygon(f, x, y, up, code);
                svg.polygon(poly, colour, colour, 0.5);
                centres.push_back(centre_of(poly));
                const unsigned mask = sixth_mask(code, up);
                for (int s = 0; s < 6; ++s) {
                    if (!((mask >> s) & 1)) continue;
                    int& o = owner[sixth_id(x, y, s)];
                    o = o == 0 ? e.piece : -1;
                }
            }
        svg.end_group();
        // The number goes on the piece's own cell nearest its middle, which for a bent piece
        // may lie away from the middle itself.
        if (centres.empty()) continue;
        const SvgPoint mid = centre_of(centres);
        SvgPoint best = centres[0];
        for (const SvgPoint& p : centres)
            if (std::hypot(p.x - mid.x, p.y - mid.y) < std::hypot(best.x - mid.x, best.y - mid.y)) best = p;
        labels[static_cast<std::size_t>(n)] = best;
        labelled[static_cast<std::size_t>(n)] = 1;
    }

    // Borders: between two pieces, a piece and an uncovered part, and the board's outline.
    std::string borders, outline;
    const auto& neighbours = board_sixth_neighbours();
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y)
            for (int s = 0; s < 6; ++s) {
                const int id = sixth_id(x, y, s);
                const std::array<Segment, 3> edges = sixth_edges(f, x, y, s);
                for (int k = 0; k < 3; ++k) {
                    const int other = neighbours[id].id[k];
                    if (other >= 0 && other < id) continue;  // drawn from the other side
                    const bool here = playing[id], there = other >= 0 && playing[other];
                    if (here != there)
                        outline += svg_segment(edges[k].a, edges[k].b);
                    else if (here && owner[id] != owner[other])
                        borders += svg_segment(edges[k].a, edges[k].b);
                }
            }
    svg.path(borders, "#303030", 0.9);
    svg.path(outline, "#000000", 2.2);

    svg.begin_group("class=\"numbers\"");
    for (int n = 0; n < list.count; ++n)
        if (labelled[static_cast<std::size_t>(n)])
            svg.text(labels[static_cast<std::size_t>(n)], 7.5, std::to_string(list.entries[n].piece));
    svg.end_group();

    if (options.spots) {
        svg.begin_group("class=\"spots\"");
        for (int k = 1; k <= options.spot_count; ++k) {
            const OpenSpot& spot = options.spots[k];
            if (spot.kind <= 0 || spot.filled != 0 || !on_board(spot.row, spot.col)) continue;
            const bool up = board_cell_points_up(spot.row, spot.col);
            const SvgPoint c = centre_of(code_polygon(f, spot.row, spot.col, up, kFull));
            svg.circle(c, 4.5, "none", "#d00000", 1.4);
            svg.text({c.x, c.y}, 5, std::to_string(spot.kind), "#d00000");
        }
        svg.end_group();
    }
    return svg.str();
}

std::string catalogue_svg(const SolverState& s) {
    // A record's grid, rows 1..6 and columns 1..10, covers lines 1..7 and positions 0..11.
    const double half_edge = 7, row_h = half_edge * std::sqrt(3.0);
    const double panel_w = 11 * half_edge + 12, panel_h = 6 * row_h + 14, left = 46, top = 30;
    Svg svg(left + kOrientations * panel_w + 8, top + kPieceCount * panel_h + 8);
    svg.text({8, 12}, 11, "piece records: anchor = dot, hole = ring with its kind", "#000", "start");
    for (int o = 1; o <= kOrientations; ++o)
        svg.text({left + (o - 1) * panel_w + panel_w / 2, top - 6}, 9, format("orientation %d", o));

    for (int p = 1; p <= kPieceCount; ++p) {
        const double y0 = top + (p - 1) * panel_h;
        svg.text({8, y0 + panel_h / 2}, 10, std::to_string(p), "#000", "start");
        const std::string colour = piece_colour(p);
        for (int o = 1; o <= kOrientations; ++o) {
            const PieceRecord& rec = s.prvky[p][o];
            const double x0 = left + (o - 1) * panel_w;
            const Frame f{x0, y0 - row_h + 4, half_edge};
            svg.begin_group(format("class=\"record\" data-piece=\"%d\" data-orientation=\"%d\"", p, o));
            // The part of the grid that placement reads: rows 2..6, columns 3..10.
            const SvgPoint a = f.at(2, 2), b = f.at(11, 7);
            svg.rect(a.x, a.y, b.x - a.x, b.y - a.y, "#f4f4f4", "#d0d0d0");
            bool any = false;
            for (int r = 0; r < kGridRows; ++r)
                for (int c = 0; c < kGridCols; ++c) {
                    const int code = rec.cells[r][c];
                    if (code == 0) continue;
                    any = true;
                    svg.polygon(code_polygon(f, r, c, grid_cell_points_up(r, c), code), colour, "#505050", 0.5);
                }
            if (!any) {
                svg.text({(a.x + b.x) / 2, (a.y + b.y) / 2}, 8, "no shape", "#808080");
            } else {
                const int ar = rec.anchor_row, ac = rec.anchor_col;
                svg.circle(centre_of(code_polygon(f, ar, ac, grid_cell_points_up(ar, ac), kFull)), 1.8, "#000", "none",
                           0);
            }
            for (int slot = 1; slot < kHoleSlots && rec.holes[slot].kind > 0; ++slot) {
                const Hole& h = rec.holes[slot];
                const SvgPoint c = centre_of(code_polygon(f, h.row, h.col, grid_cell_points_up(h.row, h.col), kFull));
                svg.circle(c, 3.4, "none", "#d00000", 1);
                svg.text({c.x, c.y}, 3.6, std::to_string(h.kind), "#d00000");
            }
            svg.end_group();
        }
    }
    return svg.str();
}

}  // namespace tessera::draw
