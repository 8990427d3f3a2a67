#include "draw/board_painter.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/search_params.h"
#include "board/board.h"
#include "board/cell_codes.h"
#include "search/atomic_file.h"

namespace tessera {

namespace {

// A lattice point with both coordinates doubled, so that the midpoints of cell sides, where
// the cuts of half cells end, are whole numbers too.
struct LatticePoint {
    int x2, y2;
    bool operator<(const LatticePoint& o) const { return x2 != o.x2 ? x2 < o.x2 : y2 < o.y2; }
};

LatticePoint midpoint(LatticePoint a, LatticePoint b) { return {(a.x2 + b.x2) / 2, (a.y2 + b.y2) / 2}; }

using Triangle = std::array<LatticePoint, 3>;

// Up: top, lower left, lower right. Down: upper left, upper right, bottom.
Triangle corners(int row, int col) {
    const int x = 2 * col, y = 2 * row;
    if (board_cell_points_up(row, col)) return {{{x, y}, {x - 2, y + 2}, {x + 2, y + 2}}};
    return {{{x - 2, y}, {x + 2, y}, {x, y + 2}}};
}

// A half: the cell cut along the altitude from corner `from`, keeping corner `keeps`.
struct HalfShape {
    int code, from, keeps;
};
constexpr HalfShape kHalves[] = {
    {5, 0, 1},  {95, 0, 2}, {15, 1, 2}, {85, 1, 0}, {25, 2, 0}, {75, 2, 1},  // cells pointing up
    {10, 0, 2}, {90, 0, 1}, {20, 2, 1}, {80, 2, 0}, {30, 1, 0}, {70, 1, 2},  // cells pointing down
};

// The covered part of a cell as a triangle; false for an empty cell. A code that cannot stand
// in a cell of this direction is drawn as the whole cell rather than guessed at.
bool covered_part(int row, int col, int code, Triangle& out) {
    if (code == 0) return false;
    const Triangle c = corners(row, col);
    out = c;
    if (!code_fits(code, board_cell_points_up(row, col)) || !is_half(code)) return true;
    for (const HalfShape& h : kHalves)
        if (h.code == code) out = {c[h.from], midpoint(c[3 - h.from - h.keeps], c[h.keeps]), c[h.keeps]};
    return true;
}

// All triangles go round the same way: cells of one path that went round in opposite ways
// would leave a faint seam along their shared side when the path is filled antialiased.
QPolygonF to_polygon(const BoardGeometry& g, const Triangle& t) {
    const long turn = static_cast<long>(t[1].x2 - t[0].x2) * (t[2].y2 - t[0].y2) -
                      static_cast<long>(t[1].y2 - t[0].y2) * (t[2].x2 - t[0].x2);
    const Triangle& u = turn >= 0 ? t : Triangle{t[0], t[2], t[1]};
    QPolygonF poly;
    for (const LatticePoint& p : u) poly << g.at(p.x2 / 2.0, p.y2 / 2.0);
    return poly;
}

// Calls f(row, col, code) for every cell that a placement lays on the board.
template <class F>
void for_each_cell(const SolverState& s, const Placement& e, F f) {
    if (e.piece < 1 || e.piece > kPieceCount || e.orientation < 1 || e.orientation > kOrientations) return;
    const PieceRecord& rec = s.prvky[e.piece][e.orientation];
    for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridCols; ++c) {
            const int row = e.row + r - rec.anchor_row, col = e.col + c - rec.anchor_col;
            if (rec.cells[r][c] != 0 && on_board(row, col)) f(row, col, rec.cells[r][c]);
        }
}

int placed_count(const SolverState& s) { return std::clamp(s.depth, 0, kPieceCount); }

// Sides of the lattice are split at their midpoints, so that a side shared with a half cell
// and a side shared with a whole cell are cut into the same pieces.
using Segment = std::uint64_t;

Segment segment_key(LatticePoint a, LatticePoint b) {
    if (b < a) std::swap(a, b);
    const auto u = [](int v) { return static_cast<std::uint64_t>(v + 0x100) & 0xffff; };
    return u(a.x2) << 48 | u(a.y2) << 32 | u(b.x2) << 16 | u(b.y2);
}

LatticePoint segment_end(Segment s, int shift) {
    return {static_cast<int>((s >> (shift + 16)) & 0xffff) - 0x100, static_cast<int>((s >> shift) & 0xffff) - 0x100};
}

void add_segments(const Triangle& t, std::vector<Segment>& out) {
    for (int i = 0; i < 3; ++i) {
        const LatticePoint a = t[i], b = t[(i + 1) % 3];
        const int dx = std::abs(a.x2 - b.x2), dy = std::abs(a.y2 - b.y2);
        const bool whole_side = (dx == 4 && dy == 0) || (dx == 2 && dy == 2);
        if (whole_side) {
            out.push_back(segment_key(a, midpoint(a, b)));
            out.push_back(segment_key(midpoint(a, b), b));
        } else {
            out.push_back(segment_key(a, b));
        }
    }
}

// The segments that only one cell of the piece has: the piece's own outline.
void outline_lines(const BoardGeometry& g, std::vector<Segment>& segs, std::vector<QLineF>& out) {
    std::sort(segs.begin(), segs.end());
    for (std::size_t i = 0; i < segs.size();) {
        std::size_t j = i;
        while (j < segs.size() && segs[j] == segs[i]) ++j;
        if (j - i == 1) {
            const LatticePoint a = segment_end(segs[i], 32), b = segment_end(segs[i], 0);
            out.emplace_back(g.at(a.x2 / 2.0, a.y2 / 2.0), g.at(b.x2 / 2.0, b.y2 / 2.0));
        }
        i = j;
    }
}

const BoardMatrix& initial_board() {
    static BoardMatrix board;
    [[maybe_unused]] static const bool filled = (fill_initial_board(board), true);
    return board;
}

// The playing area is the board's outline; the cells that the outline cuts keep their outside
// half, which is drawn from its code.
void paint_free_cells(QPainter& p, const BoardGeometry& g) {
    p.setPen(Qt::NoPen);
    p.setBrush(kEmptyColour);
    p.drawPolygon(g.outline());
    p.setBrush(kOutsideColour);
    const BoardMatrix& board = initial_board();
    for (int r = 0; r < kBoardRows; ++r)
        for (int c = 0; c < kBoardCols; ++c)
            if (is_half(board[r][c])) p.drawPolygon(g.part(r, c, board[r][c]));
}

// The lattice's three families of lines, cut to the playing area.
void paint_grid(QPainter& p, const BoardGeometry& g) {
    p.save();
    QPainterPath clip;
    clip.addPolygon(g.outline());
    p.setClipPath(clip);
    p.setPen(QPen(QColor(0xd0, 0xd0, 0xd0), 0));
    std::vector<QLineF> lines;
    for (int line = 1; line <= 31; ++line) lines.emplace_back(g.at(1, line), g.at(53, line));
    for (int k = -31; k <= 55; k += 2) lines.emplace_back(g.at(k, 0), g.at(k + 32, 32));
    for (int k = 1; k <= 87; k += 2) lines.emplace_back(g.at(k, 0), g.at(k - 32, 32));
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
    p.restore();
}

// The empty board never changes, so it is drawn once for each size and then copied; a live
// view redraws only the pieces.
const QImage& empty_board(QSizeF size, qreal ratio) {
    thread_local QImage cached;
    const QSize pixels = (size * ratio).toSize();
    if (cached.size() == pixels && cached.devicePixelRatio() == ratio) return cached;
    cached = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    cached.setDevicePixelRatio(ratio);
    cached.fill(kOutsideColour);
    QPainter p(&cached);
    p.setRenderHint(QPainter::Antialiasing);
    const BoardGeometry g(QRectF(QPointF(0, 0), size));
    paint_free_cells(p, g);
    paint_grid(p, g);
    return cached;
}

void paint_number(QPainter& p, QPointF at, int piece, double edge) {
    QFont font = p.font();
    font.setPixelSize(std::max(7, static_cast<int>(edge * 0.6)));
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::black);
    const QRectF box(at.x() - 2 * edge, at.y() - edge, 4 * edge, 2 * edge);
    p.drawText(box, Qt::AlignCenter, QString::number(piece));
}

// Lines thinner than a pixel and a half are drawn as hairlines, which costs a fraction of a wide stroke: a
// live view of a small board draws a thousand of them many times a second.
QPen line_pen(const QColor& colour, double width) {
    if (width < 1.5) return QPen(colour, 0);
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

struct PieceShape {
    QPainterPath fill;
    std::vector<Segment> segments;
    QPointF centre;
};

void shape_of(const BoardGeometry& g, const SolverState& s, const Placement& e, PieceShape& out) {
    out.fill = QPainterPath();
    out.fill.setFillRule(Qt::WindingFill);
    out.segments.clear();
    QPointF sum;
    int cells = 0;
    for_each_cell(s, e, [&](int row, int col, int code) {
        Triangle t;
        if (!covered_part(row, col, code, t)) return;
        out.fill.addPolygon(to_polygon(g, t));
        add_segments(t, out.segments);
        sum += g.centre(row, col, code);
        ++cells;
    });
    out.centre = cells > 0 ? sum / cells : QPointF();
}

void paint_pieces(QPainter& p, const BoardGeometry& g, const SolverState& s, const BoardPaintOptions& o) {
    PieceShape shape;
    std::vector<QLineF> lines, highlight;
    std::vector<std::pair<QPointF, int>> numbers;
    // The fills are not antialiased, which halves their cost; the outlines drawn over them
    // smooth the edges.
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 1; i <= placed_count(s); ++i) {
        const Placement& e = s.reseni[i];
        shape_of(g, s, e, shape);
        p.fillPath(shape.fill, piece_colour(e.piece));
        outline_lines(g, shape.segments, e.piece == o.highlight_piece ? highlight : lines);
        if (o.piece_numbers || e.piece == o.highlight_piece) numbers.emplace_back(shape.centre, e.piece);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(line_pen(QColor(0x30, 0x30, 0x30), g.edge() / 12));
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
    p.setPen(line_pen(Qt::black, std::max(2.0, g.edge() / 5)));
    p.drawLines(highlight.data(), static_cast<int>(highlight.size()));
    for (const auto& [at, piece] : numbers) paint_number(p, at, piece, g.edge());
}

// The outline of the board cells in rows x1 + 1 .. x2 and columns y1 + 1 .. y2 (as the limit
// test counts them) that lie on the board, and the cells themselves as one path.
void block_of_cells(const BoardGeometry& g, const Region& block, std::vector<QLineF>& outline, QPainterPath& cells) {
    std::vector<Segment> segs;
    const std::int64_t row_to = std::min<std::int64_t>(block.x2, kBoardRows - 1);
    const std::int64_t col_to = std::min<std::int64_t>(block.y2, kBoardCols - 1);
    for (std::int64_t r = std::max<std::int64_t>(block.x1 + 1, 0); r <= row_to; ++r)
        for (std::int64_t c = std::max<std::int64_t>(block.y1 + 1, 0); c <= col_to; ++c) {
            const Triangle t = corners(static_cast<int>(r), static_cast<int>(c));
            add_segments(t, segs);
            cells.addPolygon(to_polygon(g, t));
        }
    outline_lines(g, segs, outline);
}

// The region is shaded under the pieces, so that they keep their colours.
void paint_region(QPainter& p, const BoardGeometry& g, const SearchParams& params) {
    if (params.use_limits == 0) return;
    std::vector<QLineF> lines;
    QPainterPath cells;
    block_of_cells(g, limit_region(params), lines, cells);
    p.fillPath(cells, kRegionColour);
}

// The outlines of the rectangle and of the region, and the first point, over the pieces.
void paint_marks(QPainter& p, const BoardGeometry& g, const SearchParams& params) {
    const double width = std::max(2.0, g.edge() / 8);
    std::vector<QLineF> lines;
    QPainterPath cells;
    if (params.use_limits != 0) block_of_cells(g, limit_region(params), lines, cells);
    block_of_cells(g, {params.start_x, params.start_y, params.end_x, params.end_y}, lines, cells);
    p.setPen(line_pen(kRectangleColour, width));
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
    if (!on_board(params.first_x, params.first_y)) return;
    p.setPen(line_pen(kFirstPointColour, width));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(g.cell(params.first_x, params.first_y));
    p.setPen(Qt::NoPen);
    p.setBrush(kFirstPointColour);
    p.drawEllipse(g.centre(params.first_x, params.first_y, kFull), g.edge() / 8, g.edge() / 8);
}

}  // namespace

BoardGeometry::BoardGeometry(const QRectF& area) {
    // The playing area spans positions 1..53 (26 edges) and lines 1..31 (30 rows).
    constexpr double kSpanHalfEdges = 52, kSpanRows = 30;
    const double sqrt3 = std::sqrt(3.0);
    const double margin = std::max(2.0, 0.03 * std::min(area.width(), area.height()));
    half_edge_ = std::max(0.01, std::min((area.width() - 2 * margin) / kSpanHalfEdges,
                                         (area.height() - 2 * margin) / (kSpanRows * sqrt3)));
    row_height_ = half_edge_ * sqrt3;
    x0_ = area.x() + (area.width() - kSpanHalfEdges * half_edge_) / 2 - half_edge_;
    y0_ = area.y() + (area.height() - kSpanRows * row_height_) / 2 - row_height_;
}

QPolygonF BoardGeometry::cell(int row, int col) const { return to_polygon(*this, corners(row, col)); }

QPolygonF BoardGeometry::part(int row, int col, int code) const {
    Triangle t;
    return covered_part(row, col, code, t) ? to_polygon(*this, t) : QPolygonF();
}

QPointF BoardGeometry::centre(int row, int col, int code) const {
    const QPolygonF poly = part(row, col, code == 0 ? kFull : code);
    return (poly[0] + poly[1] + poly[2]) / 3;
}

BoardCell BoardGeometry::cell_at(QPointF point) const {
    const double pos = (point.x() - x0_) / half_edge_, line = (point.y() - y0_) / row_height_;
    const int row = static_cast<int>(std::floor(line));
    for (int col = static_cast<int>(std::floor(pos)) - 1; col <= static_cast<int>(std::floor(pos)) + 2; ++col)
        if (on_board(row, col) && cell(row, col).containsPoint(point, Qt::OddEvenFill)) return {row, col};
    return {};
}

QPolygonF BoardGeometry::outline() const {
    static constexpr int kCorners[12][2] = {{20, 1}, {34, 1},  {46, 5},  {53, 12}, {53, 20}, {46, 27},
                                            {34, 31}, {20, 31}, {8, 27}, {1, 20},  {1, 12},  {8, 5}};
    QPolygonF poly;
    for (const auto& c : kCorners) poly << at(c[0], c[1]);
    return poly;
}

QColor piece_colour(int piece) {
    // Steps of the golden ratio around the colour wheel keep neighbouring numbers far apart.
    const double hue = std::fmod(piece * 0.6180339887498949, 1.0);
    return QColor::fromHsvF(static_cast<float>(hue), 0.5f, 0.95f);
}

void paint_board(QPainter& painter, const QRectF& area, const SolverState& state, const BoardPaintOptions& options) {
    const BoardGeometry g(area);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    painter.drawImage(area.topLeft(), empty_board(area.size(), ratio));
    if (options.marks) paint_region(painter, g, options.params);
    paint_pieces(painter, g, state, options);
    if (options.marks) paint_marks(painter, g, options.params);
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), std::max(1.5, g.edge() / 8), Qt::SolidLine, Qt::RoundCap,
                        Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(g.outline());
    painter.restore();
}

int piece_at(const SolverState& state, const QRectF& area, QPointF point) {
    const BoardGeometry g(area);
    const BoardCell hit = g.cell_at(point);
    if (!hit.valid()) return 0;
    int found = 0;
    for (int i = 1; i <= placed_count(state) && found == 0; ++i)
        for_each_cell(state, state.reseni[i], [&](int row, int col, int code) {
            if (row == hit.row && col == hit.col && g.part(row, col, code).containsPoint(point, Qt::OddEvenFill))
                found = state.reseni[i].piece;
        });
    return found;
}

QImage render_board(const SolverState& state, QSize size, const BoardPaintOptions& options) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kOutsideColour);
    QPainter painter(&image);
    paint_board(painter, QRectF(QPointF(0, 0), QSizeF(size)), state, options);
    painter.end();
    return image;
}

bool save_png(const QImage& image, const std::string& path, std::string* why) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG")) {
        if (why) *why = "the picture could not be encoded as PNG";
        return false;
    }
    if (const int err = write_file_atomically(path.c_str(), bytes.constData(), static_cast<std::size_t>(bytes.size()))) {
        if (why) *why = std::strerror(err);
        return false;
    }
    return true;
}

bool save_board_png(const SolverState& state, const std::string& path, QSize size, const BoardPaintOptions& options,
                    std::string* why) {
    return save_png(render_board(state, size, options), path, why);
}

}  // namespace tessera
