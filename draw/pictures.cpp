#include "draw/pictures.h"

#include <cmath>
#include <vector>

#include "app/text.h"
#include "board/cell_codes.h"
#include "draw/svg.h"

namespace tessera::draw {

namespace {

SvgPoint at(const Frame& f, double h, double line) { return {f.x(h), f.y(line)}; }
SvgPoint at(const Frame& f, FinePoint p) { return at(f, p.h2 / 2.0, p.line2 / 2.0); }
SvgPoint at(const Frame& f, LatticeSpot p) { return at(f, p.h, p.line); }

std::vector<SvgPoint> polygon(const Frame& f, const FineTriangle& t) { return {at(f, t[0]), at(f, t[1]), at(f, t[2])}; }

std::string segments(const Frame& f, const std::vector<FineSegment>& lines) {
    std::string d;
    for (const FineSegment& s : lines) d += svg_segment(at(f, s.a), at(f, s.b));
    return d;
}

void draw_cells(Svg& svg, const Frame& f, const Sizes& sizes) {
    svg.begin_group("class=\"cells\"");
    const std::string grid = hex(kGridColour);
    for (const FineTriangle& t : board_cells().playing)
        svg.polygon(polygon(f, t), hex(kEmptyColour), grid, sizes.grid_line);
    for (const FineTriangle& t : board_cells().outside) svg.polygon(polygon(f, t), hex(kOutsideColour), "none", 0);
    svg.end_group();
}

void draw_pieces(Svg& svg, const Frame& f, const BoardModel& m, const Sizes& sizes) {
    std::string lines, highlight;
    for (const PieceShape& piece : m.pieces) {
        const Placement& e = piece.placement;
        const std::string colour = hex(piece_colour(e.piece));
        svg.begin_group(
            format("class=\"piece\" data-piece=\"%d\" data-orientation=\"%d\" data-row=\"%d\" data-col=\"%d\"", e.piece,
                   e.orientation, e.row, e.col));
        // A thin stroke of the fill's own colour closes the hairline seams between the cells.
        for (const FineTriangle& t : piece.parts) svg.polygon(polygon(f, t), colour, colour, 0.5);
        svg.end_group();
        (e.piece == m.highlight ? highlight : lines) += segments(f, piece.outline);
    }
    svg.path(lines, hex(kPieceLineColour), sizes.piece_line);
    svg.path(highlight, hex(kHighlightColour), sizes.highlight_line);
    svg.begin_group("class=\"numbers\"");
    for (const PieceShape& piece : m.pieces)
        if (piece.labelled)
            svg.text(at(f, piece.label), number_font(sizes, f.edge(), piece.label_room),
                     std::to_string(piece.placement.piece), hex(kNumberColour), "middle", true);
    svg.end_group();
}

void draw_marks(Svg& svg, const Frame& f, const MarkShapes& marks, const Sizes& sizes, bool pending) {
    const std::string dash =
        pending ? svg_number(kDash * sizes.mark_line) + " " + svg_number(kDashGap * sizes.mark_line) : "";
    svg.path(segments(f, marks.rectangle) + segments(f, marks.region_outline), hex(kRectangleColour), sizes.mark_line,
             dash);
    if (!marks.first_point) return;
    const std::vector<SvgPoint> cell = polygon(f, marks.first_cell);
    svg.path(svg_segment(cell[0], cell[1]) + svg_segment(cell[1], cell[2]) + svg_segment(cell[2], cell[0]),
             hex(kFirstPointColour), sizes.mark_line, dash);
    if (!pending) svg.circle(at(f, marks.first_centre), sizes.first_point_radius, hex(kFirstPointColour), "none", 0);
}

void draw_spots(Svg& svg, const Frame& f, const std::vector<SpotMark>& spots, const Sizes& sizes) {
    svg.begin_group("class=\"spots\"");
    for (const SpotMark& spot : spots) {
        svg.circle(at(f, spot.centre), sizes.spot_radius, "none", hex(kSpotColour), sizes.spot_line);
        svg.text(at(f, spot.centre), sizes.spot_font, std::to_string(spot.kind), hex(kSpotColour), "middle", true);
    }
    svg.end_group();
}

}  // namespace

std::string board_title(const std::string& puzzle, int pieces, const std::string& file) {
    std::string title = format("%s, %d %s on the board", puzzle.c_str(), pieces, pieces == 1 ? "piece" : "pieces");
    if (!file.empty()) title += ", " + file;
    return title;
}

BoardModel placement_picture(Solver& solver, const PlacementList& list, const std::string& placement,
                             const std::string& puzzle, bool spots) {
    BoardContent content;
    content.title = board_title(puzzle, list.count, placement);
    if (spots && solver.nacti_reseni(placement.c_str()) == 0) {
        content.spots = solver.state().volny;
        content.spot_count = solver.state().open_count;
    }
    return board_model(solver.state().prvky, list.entries, list.count, content);
}

std::string board_svg(const BoardModel& m, double width, double height) {
    const PageLayout page = lay_out_page(width, height, !m.title.empty());
    const Frame& f = page.frame;
    const Sizes sizes = sizes_for(f.edge());
    Svg svg(width, height, hex(kOutsideColour));
    if (!m.title.empty()) svg.text({page.title_x, page.title_y}, page.title_size, m.title, hex(kTitleColour), "start");
    draw_cells(svg, f, sizes);
    if (m.marked)
        for (const FineTriangle& t : m.marks.region)
            svg.polygon(polygon(f, t), hex(kRegionColour), "none", 0, kRegionColour.a / 255.0);
    draw_pieces(svg, f, m, sizes);
    if (m.marked) {
        draw_marks(svg, f, m.marks, sizes, false);
        draw_marks(svg, f, m.pending, sizes, true);
    }
    draw_spots(svg, f, m.spots, sizes);
    std::string outline;
    const auto& corners = board_cells().outline;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const auto& a = corners[i];
        const auto& b = corners[(i + 1) % corners.size()];
        outline += svg_segment(at(f, a.h, a.line), at(f, b.h, b.line));
    }
    svg.path(outline, hex(kBoardLineColour), sizes.board_line);
    return svg.str();
}

std::string board_svg(const Catalogue& prvky, const PlacementList& list, const BoardPicture& options) {
    return board_svg(board_model(prvky, list.entries, list.count, options));
}

std::string catalogue_svg(const SolverState& s) {
    // A record's grid, rows 1..6 and columns 1..10, covers lines 1..7 and positions 0..11.
    const double half_edge = 7, row_h = half_edge * std::sqrt(3.0);
    const double panel_w = 11 * half_edge + 12, panel_h = 6 * row_h + 14, left = 46, top = 30;
    Svg svg(left + kOrientations * panel_w + 8, top + kPieceCount * panel_h + 8);
    svg.text({8, 12}, 11, "piece records: anchor = dot, hole = ring with its kind", "#000", "start");
    for (int o = 1; o <= kOrientations; ++o)
        svg.text({left + (o - 1) * panel_w + panel_w / 2, top - 6}, 9, format("orientation %d", o));

    const auto cell_of = [](int r, int c, int code) {
        FineTriangle t{};
        tools::covered_part(r, c, grid_cell_points_up(r, c), code, t);
        return t;
    };
    for (int p = 1; p <= kPieceCount; ++p) {
        const double y0 = top + (p - 1) * panel_h;
        svg.text({8, y0 + panel_h / 2}, 10, std::to_string(p), "#000", "start");
        const std::string colour = hex(piece_colour(p));
        for (int o = 1; o <= kOrientations; ++o) {
            const PieceRecord& rec = s.prvky[p][o];
            const double x0 = left + (o - 1) * panel_w;
            const Frame f{x0, y0 - row_h + 4, half_edge, row_h};
            svg.begin_group(format("class=\"record\" data-piece=\"%d\" data-orientation=\"%d\"", p, o));
            // The part of the grid that placement reads: rows 2..6, columns 3..10.
            const SvgPoint a = at(f, 2, 2), b = at(f, 11, 7);
            svg.rect(a.x, a.y, b.x - a.x, b.y - a.y, "#f4f4f4", "#d0d0d0");
            bool any = false;
            for (int r = 0; r < kGridRows; ++r)
                for (int c = 0; c < kGridCols; ++c) {
                    if (rec.cells[r][c] == 0) continue;
                    any = true;
                    svg.polygon(polygon(f, cell_of(r, c, rec.cells[r][c])), colour, "#505050", 0.5);
                }
            if (!any)
                svg.text({(a.x + b.x) / 2, (a.y + b.y) / 2}, 8, "no shape", "#808080");
            else
                svg.circle(at(f, centre_of(cell_of(rec.anchor_row, rec.anchor_col, kFull))), 1.8, "#000", "none", 0);
            for (int slot = 1; slot < kHoleSlots && rec.holes[slot].kind > 0; ++slot) {
                const Hole& h = rec.holes[slot];
                const SvgPoint c = at(f, centre_of(cell_of(h.row, h.col, kFull)));
                svg.circle(c, 3.4, "none", "#d00000", 1);
                svg.text(c, 3.6, std::to_string(h.kind), "#d00000");
            }
            svg.end_group();
        }
    }
    return svg.str();
}

}  // namespace tessera::draw
