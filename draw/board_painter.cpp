#include "draw/board_painter.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "board/board.h"
#include "board/cell_codes.h"
#include "search/atomic_file.h"

namespace tessera {

namespace {

using draw::FineSegment;
using draw::FineTriangle;

// The family that the SVG pictures name first, so that text looks alike in both.
QFont picture_font(double pixels, bool bold) {
    QFont font;
    font.setFamilies({"DejaVu Sans", "Arial", "Liberation Sans"});
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    font.setBold(bold);
    return font;
}

// Lines thinner than a pixel and a half are drawn as hairlines, which costs a fraction of a wide
// stroke: a live view of a small board draws a thousand of them many times a second.
QPen line_pen(const QColor& colour, double width, Qt::PenStyle style = Qt::SolidLine) {
    if (width < 1.5 && style == Qt::SolidLine) return QPen(colour, 0);
    QPen pen(colour, width, Qt::SolidLine, style == Qt::SolidLine ? Qt::RoundCap : Qt::FlatCap, Qt::RoundJoin);
    if (style != Qt::SolidLine) pen.setDashPattern({draw::kDash, draw::kDashGap});
    return pen;
}

void draw_segments(QPainter& p, const BoardGeometry& g, const std::vector<FineSegment>& segments) {
    std::vector<QLineF> lines;
    lines.reserve(segments.size());
    for (const FineSegment& s : segments) lines.emplace_back(g.at(s.a), g.at(s.b));
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
}

QPainterPath path_of(const BoardGeometry& g, const std::vector<FineTriangle>& parts) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const FineTriangle& t : parts) path.addPolygon(g.polygon(t));
    return path;
}

// The playing area is the board's outline; the cells that the outline cuts keep their outside
// half, which the model gives.
void paint_free_cells(QPainter& p, const BoardGeometry& g) {
    p.setPen(Qt::NoPen);
    p.setBrush(kEmptyColour);
    p.drawPolygon(g.outline());
    p.setBrush(kOutsideColour);
    for (const FineTriangle& t : draw::board_cells().outside) p.drawPolygon(g.polygon(t));
}

// The lattice's three families of lines, cut to the playing area.
void paint_grid(QPainter& p, const BoardGeometry& g) {
    p.save();
    QPainterPath clip;
    clip.addPolygon(g.outline());
    p.setClipPath(clip);
    p.setPen(QPen(to_qcolor(draw::kGridColour), 0));
    std::vector<QLineF> lines;
    for (int line = 1; line <= 31; ++line) lines.emplace_back(g.at(1, line), g.at(53, line));
    for (int k = -31; k <= 55; k += 2) lines.emplace_back(g.at(k, 0), g.at(k + 32, 32));
    for (int k = 1; k <= 87; k += 2) lines.emplace_back(g.at(k, 0), g.at(k - 32, 32));
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
    p.restore();
}

// The empty board never changes, so it is drawn once for each size and then copied; a live
// view redraws only the pieces.
const QImage& empty_board(QSizeF size, qreal ratio, bool titled) {
    thread_local QImage cached;
    thread_local bool cached_titled = false;
    const QSize pixels = (size * ratio).toSize();
    if (cached.size() == pixels && cached.devicePixelRatio() == ratio && cached_titled == titled) return cached;
    cached = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    cached.setDevicePixelRatio(ratio);
    cached_titled = titled;
    cached.fill(kOutsideColour);
    QPainter p(&cached);
    p.setRenderHint(QPainter::Antialiasing);
    const BoardGeometry g(QRectF(QPointF(0, 0), size), titled);
    paint_free_cells(p, g);
    paint_grid(p, g);
    return cached;
}

void paint_text(QPainter& p, QPointF at, const QString& text, double size, const QColor& colour) {
    p.setFont(picture_font(size, true));
    p.setPen(colour);
    const QRectF box(at.x() - 4 * size, at.y() - size, 8 * size, 2 * size);
    p.drawText(box, Qt::AlignCenter, text);
}

void paint_pieces(QPainter& p, const BoardGeometry& g, const draw::BoardModel& m, const draw::Sizes& sizes) {
    // The fills are not antialiased, which halves their cost; the outlines drawn over them
    // smooth the edges.
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const draw::PieceShape& piece : m.pieces)
        p.fillPath(path_of(g, piece.parts), piece_colour(piece.placement.piece));
    p.setRenderHint(QPainter::Antialiasing, true);
    std::vector<QLineF> lines, highlight;
    for (const draw::PieceShape& piece : m.pieces)
        for (const FineSegment& s : piece.outline)
            (piece.placement.piece == m.highlight ? highlight : lines).emplace_back(g.at(s.a), g.at(s.b));
    p.setPen(line_pen(to_qcolor(draw::kPieceLineColour), sizes.piece_line));
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
    p.setPen(line_pen(to_qcolor(draw::kHighlightColour), sizes.highlight_line));
    p.drawLines(highlight.data(), static_cast<int>(highlight.size()));
    for (const draw::PieceShape& piece : m.pieces)
        if (piece.labelled)
            paint_text(p, g.at(piece.label), QString::number(piece.placement.piece),
                       draw::number_font(sizes, g.edge(), piece.label_room), to_qcolor(draw::kNumberColour));
}

// The outlines of the rectangle and of the region, and the first point; dashed for values that
// apply only later.
void paint_marks(QPainter& p, const BoardGeometry& g, const draw::MarkShapes& marks, const draw::Sizes& sizes,
                 Qt::PenStyle style) {
    p.setPen(line_pen(kRectangleColour, sizes.mark_line, style));
    draw_segments(p, g, marks.rectangle);
    draw_segments(p, g, marks.region_outline);
    if (!marks.first_point) return;
    p.setPen(line_pen(kFirstPointColour, sizes.mark_line, style));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(g.polygon(marks.first_cell));
    p.setPen(Qt::NoPen);
    p.setBrush(style == Qt::SolidLine ? QBrush(kFirstPointColour) : QBrush(Qt::NoBrush));
    p.drawEllipse(g.at(marks.first_centre), sizes.first_point_radius, sizes.first_point_radius);
}

void paint_spots(QPainter& p, const BoardGeometry& g, const std::vector<draw::SpotMark>& spots,
                 const draw::Sizes& sizes) {
    const QColor colour = to_qcolor(draw::kSpotColour);
    for (const draw::SpotMark& spot : spots) {
        p.setPen(QPen(colour, sizes.spot_line));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(g.at(spot.centre), sizes.spot_radius, sizes.spot_radius);
        paint_text(p, g.at(spot.centre), QString::number(spot.kind), sizes.spot_font, colour);
    }
}

void paint_title(QPainter& p, const QRectF& area, const draw::PageLayout& page, const std::string& title) {
    p.setFont(picture_font(page.title_size, false));
    p.setPen(to_qcolor(draw::kTitleColour));
    const QRectF line(area.x() + page.title_x, area.y() + page.title_y - page.title_size,
                      area.width() - 2 * page.title_x, 2 * page.title_size);
    p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(title));
}

bool covers(const BoardGeometry& g, int row, int col, int code, QPointF point) {
    return g.part(row, col, code).containsPoint(point, Qt::OddEvenFill);
}

}  // namespace

BoardGeometry::BoardGeometry(const QRectF& area, bool titled)
    : page_(draw::lay_out_page(area.width(), area.height(), titled)), frame_(page_.frame) {
    frame_.x0 += area.x();
    frame_.y0 += area.y();
}

// All triangles go round the same way: cells of one path that went round in opposite ways
// would leave a faint seam along their shared side when the path is filled antialiased.
QPolygonF BoardGeometry::polygon(const FineTriangle& t) const {
    const long turn = static_cast<long>(t[1].h2 - t[0].h2) * (t[2].line2 - t[0].line2) -
                      static_cast<long>(t[1].line2 - t[0].line2) * (t[2].h2 - t[0].h2);
    QPolygonF poly;
    poly << at(t[0]) << (turn >= 0 ? at(t[1]) : at(t[2])) << (turn >= 0 ? at(t[2]) : at(t[1]));
    return poly;
}

QPolygonF BoardGeometry::cell(int row, int col) const { return part(row, col, kFull); }

QPolygonF BoardGeometry::part(int row, int col, int code) const {
    FineTriangle t;
    return tools::covered_part(row, col, board_cell_points_up(row, col), code, t) ? polygon(t) : QPolygonF();
}

QPointF BoardGeometry::centre(int row, int col, int code) const {
    const QPolygonF poly = part(row, col, code == 0 ? kFull : code);
    return (poly[0] + poly[1] + poly[2]) / 3;
}

BoardCell BoardGeometry::cell_at(QPointF point) const {
    const double pos = (point.x() - frame_.x0) / frame_.half_edge, line = (point.y() - frame_.y0) / frame_.row_height;
    const int row = static_cast<int>(std::floor(line));
    for (int col = static_cast<int>(std::floor(pos)) - 1; col <= static_cast<int>(std::floor(pos)) + 2; ++col)
        if (on_board(row, col) && cell(row, col).containsPoint(point, Qt::OddEvenFill)) return {row, col};
    return {};
}

QPolygonF BoardGeometry::outline() const {
    QPolygonF poly;
    for (const tools::LatticePoint& c : draw::board_cells().outline) poly << at(c.h, c.line);
    return poly;
}

draw::BoardModel board_model(const SolverState& state, const BoardPaintOptions& options) {
    draw::BoardContent content;
    content.title = options.title;
    content.numbers = options.piece_numbers;
    content.highlight = options.highlight_piece;
    if (options.marks) content.marks = &options.params;
    if (options.marks && options.pending) content.pending = &options.pending_params;
    return draw::board_model(state.prvky, state.reseni + 1, std::clamp(state.depth, 0, kPieceCount), content);
}

void paint_board(QPainter& painter, const QRectF& area, const draw::BoardModel& model) {
    const bool titled = !model.title.empty();
    const BoardGeometry g(area, titled);
    const draw::Sizes sizes = draw::sizes_for(g.edge());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    painter.drawImage(area.topLeft(), empty_board(area.size(), ratio, titled));
    if (titled) paint_title(painter, area, g.page(), model.title);
    if (model.marked) painter.fillPath(path_of(g, model.marks.region), kRegionColour);
    paint_pieces(painter, g, model, sizes);
    if (model.marked) {
        paint_marks(painter, g, model.marks, sizes, Qt::SolidLine);
        paint_marks(painter, g, model.pending, sizes, Qt::DashLine);
    }
    paint_spots(painter, g, model.spots, sizes);
    painter.setPen(line_pen(to_qcolor(draw::kBoardLineColour), sizes.board_line));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(g.outline());
    painter.restore();
}

void paint_board(QPainter& painter, const QRectF& area, const SolverState& state, const BoardPaintOptions& options) {
    paint_board(painter, area, board_model(state, options));
}

int piece_at(const SolverState& state, const QRectF& area, QPointF point) {
    const BoardGeometry g(area);
    const BoardCell hit = g.cell_at(point);
    if (!hit.valid()) return 0;
    for (int i = 1; i <= std::clamp(state.depth, 0, kPieceCount); ++i) {
        const Placement& e = state.reseni[i];
        if (e.piece < 1 || e.piece > kPieceCount || e.orientation < 1 || e.orientation > kOrientations) continue;
        const PieceRecord& rec = state.prvky[e.piece][e.orientation];
        const int r = hit.row - e.row + rec.anchor_row, c = hit.col - e.col + rec.anchor_col;
        if (r < 0 || r >= kGridRows || c < 0 || c >= kGridCols || rec.cells[r][c] == 0) continue;
        if (covers(g, hit.row, hit.col, rec.cells[r][c], point)) return e.piece;
    }
    return 0;
}

QImage render_board(const draw::BoardModel& model, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kOutsideColour);
    QPainter painter(&image);
    paint_board(painter, QRectF(QPointF(0, 0), QSizeF(size)), model);
    painter.end();
    return image;
}

QImage render_board(const SolverState& state, QSize size, const BoardPaintOptions& options) {
    return render_board(board_model(state, options), size);
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
