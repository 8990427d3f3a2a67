#include "draw/board_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/search_params.h"
#include "board/board.h"
#include "board/cell_codes.h"

namespace tessera::draw {

using tools::covered_part;

namespace {

const double kSqrt3 = std::sqrt(3.0);

// A point of the plane in half edges, so that distances come out as on the page.
struct Plane {
    double x, y;
};
Plane plane(double h, double line) { return {h, line * kSqrt3}; }
Plane plane(FinePoint p) { return plane(p.h2 / 2.0, p.line2 / 2.0); }

double distance_to_segment(Plane p, Plane a, Plane b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

double side(Plane p, Plane a, Plane b) { return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x); }

bool in_triangle(Plane p, const FineTriangle& t) {
    const Plane a = plane(t[0]), b = plane(t[1]), c = plane(t[2]);
    const double d1 = side(p, a, b), d2 = side(p, b, c), d3 = side(p, c, a);
    return !((d1 < 0 || d2 < 0 || d3 < 0) && (d1 > 0 || d2 > 0 || d3 > 0));
}

bool inside(Plane p, const std::vector<FineTriangle>& parts) {
    return std::any_of(parts.begin(), parts.end(), [&](const FineTriangle& t) { return in_triangle(p, t); });
}

// Distance in half edges from the nearest side of the outline, with distances across divided by
// `aspect`.
double room(Plane p, const std::vector<FineSegment>& outline, double aspect) {
    const auto squeeze = [aspect](Plane q) { return Plane{q.x / aspect, q.y}; };
    const Plane at = squeeze(p);
    double best = 1e9;
    for (const FineSegment& s : outline)
        best = std::min(best, distance_to_segment(at, squeeze(plane(s.a)), squeeze(plane(s.b))));
    return best;
}

// Sides are split at their midpoints, so that a side shared with a half cell and a side shared
// with a whole cell are cut into the same pieces; ends in order, so equal sides compare equal.
void add_sides(const FineTriangle& t, std::vector<FineSegment>& out) {
    for (int i = 0; i < 3; ++i) {
        FinePoint a = t[i], b = t[(i + 1) % 3];
        if (b < a) std::swap(a, b);
        const int dh = std::abs(a.h2 - b.h2), dl = std::abs(a.line2 - b.line2);
        const bool whole_side = (dh == 4 && dl == 0) || (dh == 2 && dl == 2);
        if (!whole_side) {
            out.push_back({a, b});
            continue;
        }
        const FinePoint m{(a.h2 + b.h2) / 2, (a.line2 + b.line2) / 2};
        out.push_back({a, m});
        out.push_back({m, b});
    }
}

// The sides that only one part has: the shape's own outline.
std::vector<FineSegment> outline_of(const std::vector<FineTriangle>& parts) {
    std::vector<FineSegment> sides;
    for (const FineTriangle& t : parts) add_sides(t, sides);
    std::sort(sides.begin(), sides.end());
    std::vector<FineSegment> out;
    for (std::size_t i = 0; i < sides.size();) {
        std::size_t j = i;
        while (j < sides.size() && sides[j] == sides[i]) ++j;
        if (j - i == 1) out.push_back(sides[i]);
        i = j;
    }
    return out;
}

const BoardMatrix& initial_board() {
    static BoardMatrix board;
    [[maybe_unused]] static const bool filled = (fill_initial_board(board), true);
    return board;
}

// The cells of rows x1 + 1 .. x2 and columns y1 + 1 .. y2, as the limit test counts them, that
// lie in the matrix: whole, or only their part in the playing area.
std::vector<FineTriangle> block_parts(const Region& block, bool playing_only) {
    std::vector<FineTriangle> out;
    const std::int64_t row_to = std::min<std::int64_t>(block.x2, kBoardRows - 1);
    const std::int64_t col_to = std::min<std::int64_t>(block.y2, kBoardCols - 1);
    for (std::int64_t r = std::max<std::int64_t>(block.x1 + 1, 0); r <= row_to; ++r)
        for (std::int64_t c = std::max<std::int64_t>(block.y1 + 1, 0); c <= col_to; ++c) {
            const int row = static_cast<int>(r), col = static_cast<int>(c);
            const int frame = playing_only ? initial_board()[row][col] : 0;
            FineTriangle t;
            if (covered_part(row, col, board_cell_points_up(row, col), kFull - frame, t)) out.push_back(t);
        }
    return out;
}

Region rectangle_of(const SearchParams& p) { return {p.start_x, p.start_y, p.end_x, p.end_y}; }

bool same(const Region& a, const Region& b) { return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2; }

// The pending marks keep only what differs from the marks in use.
MarkShapes pending_shapes(const SearchParams& used, const SearchParams& edited) {
    MarkShapes out = mark_shapes(edited);
    if (same(rectangle_of(used), rectangle_of(edited))) out.rectangle.clear();
    if (used.use_limits != 0 && edited.use_limits != 0 && same(limit_region(used), limit_region(edited))) {
        out.region.clear();
        out.region_outline.clear();
    }
    if (used.first_x == edited.first_x && used.first_y == edited.first_y) out.first_point = false;
    return out;
}

PieceShape shape_of(const Catalogue& prvky, const Placement& e) {
    PieceShape out;
    out.placement = e;
    if (e.piece < 1 || e.piece > kPieceCount || e.orientation < 1 || e.orientation > kOrientations) return out;
    const PieceRecord& rec = prvky[e.piece][e.orientation];
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c) {
            const int row = e.row + r - rec.anchor_row, col = e.col + c - rec.anchor_col;
            FineTriangle t;
            if (on_board(row, col) && covered_part(row, col, board_cell_points_up(row, col), rec.cells[r][c], t))
                out.parts.push_back(t);
        }
    out.outline = outline_of(out.parts);
    return out;
}

// Where a piece's number goes, found once for each shape and then moved with the piece: finding
// it costs thousands of distances, and a live view draws the same pieces many times a second. A
// shape is kept relative to its anchor cell, so that a placement elsewhere (by whole rows and
// columns, the cells pointing the same way) finds it again; one clipped by the board's edge
// or from another catalogue does not match and is worked out anew.
struct KnownLabel {
    std::vector<FineTriangle> parts;
    LatticeSpot label;
    double room = 0;
};

void place_label(PieceShape& shape) {
    const Placement& e = shape.placement;
    thread_local std::vector<KnownLabel> known(static_cast<std::size_t>(kPieceCount * kOrientations * 2));
    const std::size_t slot =
        static_cast<std::size_t>(((e.piece - 1) * kOrientations + e.orientation - 1) * 2) +
        (board_cell_points_up(e.row, e.col) ? 1 : 0);
    std::vector<FineTriangle> relative = shape.parts;
    for (FineTriangle& t : relative)
        for (FinePoint& p : t) p = {p.h2 - 2 * e.col, p.line2 - 2 * e.row};
    KnownLabel& k = known[slot];
    if (k.parts != relative) {
        const double aspect = number_aspect(e.piece);
        k.parts = std::move(relative);
        k.label = inmost_point(shape.parts, shape.outline, aspect);
        k.label.h -= e.col;
        k.label.line -= e.row;
        k.room = clearance({k.label.h + e.col, k.label.line + e.row}, shape.outline, aspect);
    }
    shape.label = {k.label.h + e.col, k.label.line + e.row};
    shape.label_room = k.room;
}

}  // namespace

std::string hex(Colour c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

Colour piece_colour(int piece) {
    // Hue by the golden ratio, saturation 0.5, value 0.95.
    const double hue = std::fmod(piece * 0.6180339887498949, 1.0) * 6;
    constexpr double value = 0.95, saturation = 0.5;
    const int sector = static_cast<int>(hue) % 6;
    const double f = hue - std::floor(hue);
    const double p = value * (1 - saturation), q = value * (1 - saturation * f), t = value * (1 - saturation * (1 - f));
    const double rgb[6][3] = {{value, t, p}, {q, value, p}, {p, value, t}, {p, q, value}, {t, p, value}, {value, p, q}};
    const auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(v * 255)); };
    return {byte(rgb[sector][0]), byte(rgb[sector][1]), byte(rgb[sector][2])};
}

Frame fit_board(double x, double y, double width, double height) {
    constexpr double kSpanHalfEdges = 52, kSpanRows = 30;
    Frame f;
    const double margin = std::max(2.0, 0.03 * std::min(width, height));
    f.half_edge = std::max(0.01, std::min((width - 2 * margin) / kSpanHalfEdges,
                                          (height - 2 * margin) / (kSpanRows * kSqrt3)));
    f.row_height = f.half_edge * kSqrt3;
    f.x0 = x + (width - kSpanHalfEdges * f.half_edge) / 2 - f.half_edge;
    f.y0 = y + (height - kSpanRows * f.row_height) / 2 - f.row_height;
    return f;
}

namespace {
double title_band(double height) { return std::clamp(0.04 * height, 16.0, 40.0); }
}  // namespace

double titled_page_height(double board_height) { return board_height + title_band(board_height / 0.96); }

PageLayout lay_out_page(double width, double height, bool titled) {
    PageLayout out;
    const double band = titled ? title_band(height) : 0;
    out.frame = fit_board(0, band, width, height - band);
    out.title_size = band * 0.55;
    out.title_x = std::max(4.0, 0.03 * std::min(width, height));
    out.title_y = band * 0.6;
    return out;
}

Sizes sizes_for(double edge) {
    Sizes s;
    s.grid_line = std::min(1.0, edge / 24);
    s.piece_line = edge / 12;
    s.highlight_line = std::max(2.0, edge / 5);
    s.mark_line = std::max(2.0, edge / 8);
    s.board_line = std::max(1.5, edge / 8);
    s.number_font = std::max(7.0, edge * 0.6);
    // A kind of two digits stays inside its ring.
    s.spot_radius = edge * 0.36;
    s.spot_font = std::max(7.0, edge * 0.34);
    s.spot_line = std::max(1.0, edge / 14);
    s.first_point_radius = edge / 8;
    return s;
}

LatticeSpot centre_of(const FineTriangle& t) {
    return {(t[0].h2 + t[1].h2 + t[2].h2) / 6.0, (t[0].line2 + t[1].line2 + t[2].line2) / 6.0};
}

const BoardCells& board_cells() {
    static const BoardCells cells = [] {
        BoardCells out;
        const BoardMatrix& board = initial_board();
        for (int r = 0; r < kBoardRows; ++r)
            for (int c = 0; c < kBoardCols; ++c) {
                const int frame = board[r][c];
                const bool up = board_cell_points_up(r, c);
                FineTriangle t;
                if (covered_part(r, c, up, kFull - frame, t)) out.playing.push_back(t);
                if (frame != kFull && covered_part(r, c, up, frame, t)) out.outside.push_back(t);
            }
        out.outline = {{{20, 1}, {34, 1}, {46, 5}, {53, 12}, {53, 20}, {46, 27},
                        {34, 31}, {20, 31}, {8, 27}, {1, 20}, {1, 12}, {8, 5}}};
        return out;
    }();
    return cells;
}

MarkShapes mark_shapes(const SearchParams& params) {
    MarkShapes out;
    out.rectangle = outline_of(block_parts(rectangle_of(params), false));
    if (params.use_limits != 0) {
        out.region = block_parts(limit_region(params), true);
        out.region_outline = outline_of(out.region);
    }
    out.first_point = on_board(params.first_x, params.first_y);
    if (out.first_point) {
        covered_part(params.first_x, params.first_y, board_cell_points_up(params.first_x, params.first_y), kFull,
                     out.first_cell);
        out.first_centre = centre_of(out.first_cell);
    }
    return out;
}

double clearance(LatticeSpot p, const std::vector<FineSegment>& outline, double aspect) {
    return room(plane(p.h, p.line), outline, aspect) / 2;
}

double number_aspect(int piece) {
    // A bold digit is about 0.7 em wide; digits stand about 0.73 em high.
    return std::max(1.0, 0.96 * static_cast<double>(std::to_string(piece).size()));
}

double number_font(const Sizes& sizes, double edge, double room) {
    // A label box with the half height h fits in the room r (both in edges, across squeezed)
    // while h < r / sqrt(2); its digits are 0.73 em high. Digits may touch the outline a little.
    constexpr double kEmPerRoom = 2 * 1.15 / (1.41421356 * 0.73);
    return std::clamp(kEmPerRoom * room * edge, std::min(sizes.number_font, 0.42 * edge), sizes.number_font);
}

LatticeSpot inmost_point(const std::vector<FineTriangle>& parts, const std::vector<FineSegment>& outline,
                         double aspect) {
    if (parts.empty()) return {};
    // Points spread evenly inside every part: barycentric steps of a sixth.
    constexpr int kSteps = 6;
    // The mean of the parts' middles first: for a compact piece it is the answer.
    Plane best{0, 0};
    for (const FineTriangle& t : parts) {
        const LatticeSpot c = centre_of(t);
        best.x += c.h / static_cast<double>(parts.size());
        best.y += plane(c.h, c.line).y / static_cast<double>(parts.size());
    }
    double best_room = inside(best, parts) ? room(best, outline, aspect) : -1;
    for (const FineTriangle& t : parts) {
        const Plane a = plane(t[0]), b = plane(t[1]), c = plane(t[2]);
        for (int i = 1; i < kSteps; ++i)
            for (int j = 1; i + j < kSteps; ++j) {
                const double u = static_cast<double>(i) / kSteps, v = static_cast<double>(j) / kSteps, w = 1 - u - v;
                const Plane p{u * a.x + v * b.x + w * c.x, u * a.y + v * b.y + w * c.y};
                const double r = room(p, outline, aspect);
                if (r > best_room + 1e-9) best = p, best_room = r;
            }
    }
    // Uphill in eight directions, the step halved whenever none of them gains.
    for (double step = 0.08; step > 0.002;) {
        bool moved = false;
        for (int k = 0; k < 8 && !moved; ++k) {
            const double angle = k * 0.7853981633974483;
            const Plane p{best.x + step * std::cos(angle), best.y + step * std::sin(angle)};
            const double r = room(p, outline, aspect);
            if (r > best_room + 1e-9 && inside(p, parts)) best = p, best_room = r, moved = true;
        }
        if (!moved) step /= 2;
    }
    return {best.x, best.y / kSqrt3};
}

BoardModel board_model(const Catalogue& prvky, const Placement* entries, int count, const BoardContent& content) {
    BoardModel model;
    model.title = content.title;
    model.highlight = content.highlight;
    model.pieces.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        PieceShape shape = shape_of(prvky, entries[i]);
        shape.labelled = !shape.parts.empty() && (content.numbers || entries[i].piece == content.highlight);
        if (shape.labelled) place_label(shape);
        model.pieces.push_back(std::move(shape));
    }
    if (content.marks) {
        model.marked = true;
        model.marks = mark_shapes(*content.marks);
        if (content.pending) model.pending = pending_shapes(*content.marks, *content.pending);
    }
    for (int k = 1; content.spots && k <= content.spot_count; ++k) {
        const OpenSpot& spot = content.spots[k];
        FineTriangle cell;
        if (spot.kind <= 0 || spot.filled != 0 || !on_board(spot.row, spot.col)) continue;
        covered_part(spot.row, spot.col, board_cell_points_up(spot.row, spot.col), kFull, cell);
        model.spots.push_back({spot.kind, centre_of(cell)});
    }
    return model;
}

}  // namespace tessera::draw
