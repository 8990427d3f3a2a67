// Drawing the board: pixels sampled by colour at known cells and halves, no golden images.
#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

#include "board/board.h"
#include "draw/board_painter.h"
#include "draw/pictures.h"
#include "draw/svg.h"
#include "gui_test_support.h"

using namespace tessera;
using namespace tessera::guitest;

namespace {

constexpr int kHalfPiece = 12;  // a piece with two half cells

QRgb at(const QImage& image, QPointF point) { return image.pixel(point.toPoint()); }

bool dark(QRgb pixel) { return qGray(pixel) < 110; }

// The code that the piece lays on a cell, 0 where it lays nothing.
int code_on(const std::vector<CoveredCell>& cells, int row, int col) {
    for (const CoveredCell& c : cells)
        if (c.row == row && c.col == col) return c.code;
    return 0;
}

}  // namespace

class BoardPainterTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void the_empty_board_shows_free_cells_and_halves_white_and_the_rest_grey();
    void a_placed_piece_covers_its_cells_and_halves_in_its_colour();
    void a_piece_is_outlined_where_it_meets_other_cells_but_not_inside();
    void the_piece_under_a_point_is_found_half_by_half();
    void a_png_is_written_whole_and_shows_the_board();
    void a_png_that_cannot_be_written_says_why();
    void the_limit_rectangle_its_region_and_the_first_point_are_drawn();
    void the_region_is_shaded_only_on_the_playing_area();
    void edited_marks_are_dashed_where_they_differ_from_those_in_use();
    void svg_and_png_of_one_model_are_the_same_picture();
    void the_pieces_keep_the_colours_the_window_gave_them();

private:
    const SolverState& state() { return solver_->state(); }
    QImage paint() { return render_board(state(), area_.size().toSize()); }

    ScratchDir dir_;
    MemoryPanel panel_;
    std::unique_ptr<Solver> solver_;
    const QRectF area_{0, 0, 800, 760};
    const BoardGeometry geometry_{area_};
    const QRgb white_ = kEmptyColour.rgb(), grey_ = kOutsideColour.rgb();
};

void BoardPainterTest::init() {
    write_file("zdroj.txt", piece_file(kTwelvePieces, kLongSearch));
    solver_ = std::make_unique<Solver>(panel_);
    solver_->FormCreate();
}

void BoardPainterTest::the_empty_board_shows_free_cells_and_halves_white_and_the_rest_grey() {
    const QImage image = paint();
    QCOMPARE(image.size(), QSize(800, 760));
    QCOMPARE(at(image, {2, 2}), grey_);
    const auto& g = geometry_;
    QCOMPARE(at(image, g.centre(15, 27, 100)), white_);
    QCOMPARE(at(image, g.centre(5, 8, 100)), white_);
    QCOMPARE(at(image, g.centre(5, 7, 100)), grey_);  // outside the sides at 60 degrees
    QCOMPARE(at(image, g.centre(0, 27, 100)), grey_);  // frame
    // Cells that the outline cuts: the half named by the board's code is outside.
    const int halves[][3] = {{1, 18, 85}, {1, 19, 30}, {1, 36, 25}, {12, 1, 5}, {13, 1, 80}, {12, 53, 95},
                             {13, 53, 20}, {27, 9, 10}, {27, 10, 75}, {30, 36, 70}};
    for (const auto& h : halves) {
        QCOMPARE(at(image, g.centre(h[0], h[1], h[2])), grey_);
        QCOMPARE(at(image, g.centre(h[0], h[1], 100 - h[2])), white_);
    }
}

void BoardPainterTest::a_placed_piece_covers_its_cells_and_halves_in_its_colour() {
    const Placement p = place_in_middle(*solver_, kHalfPiece);
    const QImage image = paint();
    const QRgb colour = piece_colour(kHalfPiece).rgb();
    QVERIFY(colour != white_ && colour != grey_ && colour != piece_colour(kHalfPiece + 1).rgb());
    int halves = 0;
    for (const CoveredCell& c : covered_cells(state(), p)) {
        QCOMPARE(at(image, geometry_.centre(c.row, c.col, c.code)), colour);
        if (c.code == 100) continue;
        ++halves;
        QCOMPARE(at(image, geometry_.centre(c.row, c.col, 100 - c.code)), white_);
    }
    QCOMPARE(halves, 2);
}

void BoardPainterTest::a_piece_is_outlined_where_it_meets_other_cells_but_not_inside() {
    const Placement p = place_in_middle(*solver_, kHalfPiece);
    const QImage image = paint();
    const std::vector<CoveredCell> cells = covered_cells(state(), p);
    int inside = 0, border = 0;
    for (const CoveredCell& c : cells) {
        if (c.code != 100) continue;
        // The side shared with the next cell of the row has its middle at (c + 1/2, r + 1/2).
        const QRgb middle = at(image, geometry_.at(c.col + 0.5, c.row + 0.5));
        const int next = code_on(cells, c.row, c.col + 1);
        if (next == 100) {
            QCOMPARE(middle, piece_colour(kHalfPiece).rgb());
            ++inside;
        } else if (next == 0) {
            QVERIFY(dark(middle));
            ++border;
        }
    }
    QVERIFY(inside > 0 && border > 0);
}

void BoardPainterTest::the_piece_under_a_point_is_found_half_by_half() {
    const Placement p = place_in_middle(*solver_, kHalfPiece);
    for (const CoveredCell& c : covered_cells(state(), p)) {
        QCOMPARE(piece_at(state(), area_, geometry_.centre(c.row, c.col, c.code)), kHalfPiece);
        if (c.code != 100) QCOMPARE(piece_at(state(), area_, geometry_.centre(c.row, c.col, 100 - c.code)), 0);
    }
    QCOMPARE(piece_at(state(), area_, geometry_.centre(5, 8, 100)), 0);
    QCOMPARE(piece_at(state(), area_, {1, 1}), 0);
    QCOMPARE(geometry_.cell_at(geometry_.centre(20, 33, 100)).col, 33);
}

void BoardPainterTest::a_png_is_written_whole_and_shows_the_board() {
    const Placement p = place_in_middle(*solver_, kHalfPiece);
    const std::string path = dir_.path("board.png");
    write_file(path, "an older picture");
    std::string why;
    QVERIFY2(save_board_png(state(), path, {400, 380}, {}, &why), why.c_str());

    const QImage image(QString::fromStdString(path));
    QCOMPARE(image.size(), QSize(400, 380));
    const BoardGeometry g(QRectF(0, 0, 400, 380));
    const CoveredCell c = covered_cells(state(), p).front();
    QCOMPARE(at(image, g.centre(c.row, c.col, c.code)), piece_colour(kHalfPiece).rgb());
    QCOMPARE(QDir(QString::fromStdString(dir_.path(""))).entryList({"*.tmp*"}), QStringList());
}

void BoardPainterTest::a_png_that_cannot_be_written_says_why() {
    std::string why;
    QVERIFY(!save_board_png(state(), dir_.path("no-such-folder/board.png"), {100, 100}, {}, &why));
    QVERIFY(!why.empty());
}

// Limit rectangle rows 11..20, columns 21..40; with the margins the region is rows 13..18,
// columns 24..37; the first point 15,27 lies inside it.
void BoardPainterTest::the_limit_rectangle_its_region_and_the_first_point_are_drawn() {
    BoardPaintOptions options;
    options.marks = true;
    options.params = SearchParams{1, 10, 20, 20, 40, 2, 3, 2, 3, 15, 27};
    const QImage image = render_board(state(), area_.size().toSize(), options);
    const auto& g = geometry_;
    const QRgb region = at(image, g.centre(16, 30, 100));
    QVERIFY(region != white_ && qBlue(region) > qRed(region) + 20);
    QCOMPARE(at(image, g.centre(18, 37, 100)), region);
    QCOMPARE(at(image, g.centre(12, 22, 100)), white_);  // in the rectangle, outside the region
    QCOMPARE(at(image, g.centre(19, 38, 100)), white_);
    QCOMPARE(at(image, g.centre(5, 27, 100)), white_);  // outside the rectangle
    // The region's top side: the top side of the down cell 13,25.
    QVERIFY(dark(at(image, g.at(25, 13))));
    for (double pos = 22; pos <= 38; pos += 0.5) QVERIFY(dark(at(image, g.at(pos, 11))));  // the rectangle
    const QRgb first = at(image, g.centre(15, 27, 100));
    QVERIFY(qRed(first) > 150 && qGreen(first) < 80);

    options.params.use_limits = 0;  // the region only while the limits are on
    const QImage off = render_board(state(), area_.size().toSize(), options);
    QCOMPARE(at(off, g.centre(16, 30, 100)), white_);
    QVERIFY(dark(at(off, g.at(30, 11))));
    QVERIFY(!dark(at(off, g.at(25, 13))));
}

// With the window's limits the region reaches into the frame at the top left.
void BoardPainterTest::the_region_is_shaded_only_on_the_playing_area() {
    BoardPaintOptions options;
    options.marks = true;
    options.params = SearchParams{1, 0, 0, 20, 40, 0, 0, 3, 5, 15, 27};
    const QImage image = render_board(state(), area_.size().toSize(), options);
    BoardMatrix board;
    fill_initial_board(board);
    int frame = 0;
    for (int r = 1; r <= 17; ++r)
        for (int c = 1; c <= 35; ++c) {
            if (board[r][c] == 0) continue;
            ++frame;
            const QPointF outside = geometry_.centre(r, c, board[r][c]);  // the part outside the outline
            QVERIFY2(at(image, outside) == grey_, qPrintable(QString("%1,%2").arg(r).arg(c)));
        }
    QVERIFY(frame > 50);
    QVERIFY(at(image, geometry_.centre(10, 20, 100)) != white_);  // and shaded on the board
}

// The marks in use are solid; edited ones that apply later are dashed, only where they differ.
void BoardPainterTest::edited_marks_are_dashed_where_they_differ_from_those_in_use() {
    BoardPaintOptions options;
    options.marks = true;
    options.params = SearchParams{0, 10, 20, 20, 40, 0, 0, 0, 0, 15, 27};
    options.pending = true;
    options.pending_params = options.params;
    options.pending_params.end_y = 30;
    const QImage image = render_board(state(), area_.size().toSize(), options);
    const draw::BoardModel model = board_model(state(), options);
    QVERIFY(!model.pending.rectangle.empty());
    QVERIFY(!model.pending.first_point && model.pending.region.empty());
    // The share of a mark's length that its colour covers, sampled along its sides.
    const auto inked = [&](const std::vector<draw::FineSegment>& sides) {
        int on = 0, all = 0;
        for (const draw::FineSegment& side : sides)
            for (double t = 0.1; t < 0.95; t += 0.1, ++all) {
                const QRgb p = at(image, geometry_.at(side.a) + t * (geometry_.at(side.b) - geometry_.at(side.a)));
                on += qBlue(p) > qRed(p) + 40 && qGray(p) < 120;
            }
        return static_cast<double>(on) / all;
    };
    QVERIFY(inked(model.marks.rectangle) > 0.9);
    std::vector<draw::FineSegment> moved;  // the sides of the edited rectangle that are not the old one's
    for (const draw::FineSegment& side : model.pending.rectangle)
        if (std::find(model.marks.rectangle.begin(), model.marks.rectangle.end(), side) == model.marks.rectangle.end())
            moved.push_back(side);
    const double dashed = inked(moved);
    QVERIFY2(dashed > 0.25 && dashed < 0.8, qPrintable(QString::number(dashed)));
}

// The window's painter (and with it the PNG) and the SVG writer draw one model alike: the same
// background, piece colours, numbers where the model puts them, and the title.
void BoardPainterTest::svg_and_png_of_one_model_are_the_same_picture() {
    const Placement p = place_in_middle(*solver_, kHalfPiece);
    BoardPaintOptions options;
    options.piece_numbers = true;
    options.title = "zdroj.txt, 1 piece on the board, placed.txt";
    const draw::BoardModel model = board_model(state(), options);
    const QSize size = area_.size().toSize();
    const QImage png = render_board(model, size);
    const QString svg = QString::fromStdString(draw::board_svg(model, size.width(), size.height()));
    const BoardGeometry g(area_, true);

    const auto fill = [](QRgb c) { return QString("fill=\"%1\"").arg(QColor(c).name()); };
    QVERIFY(svg.contains("<rect width=\"800\" height=\"760\" " + fill(at(png, {2, 2}))));
    QVERIFY(svg.contains(fill(at(png, g.centre(16, 27, 100)))));  // a free cell
    const CoveredCell c = covered_cells(state(), p).front();
    QVERIFY(svg.contains(fill(at(png, g.centre(c.row, c.col, c.code))) + " stroke"));  // the piece

    const QPointF label = g.at(model.pieces.front().label);
    const QRegularExpression number("<text x=\"([0-9.]+)\" y=\"([0-9.]+)\" font-size=\"([0-9.]+)\"[^>]*>12</text>");
    const QRegularExpressionMatch m = number.match(svg);
    QVERIFY(m.hasMatch());
    const double font = m.captured(3).toDouble();
    QVERIFY(font >= 0.42 * g.edge());
    QVERIFY(qAbs(m.captured(1).toDouble() - label.x()) < 0.01);
    QVERIFY(qAbs(m.captured(2).toDouble() - draw::kMiddleToBaseline * font - label.y()) < 0.01);
    QVERIFY(!svg.contains("dominant-baseline"));  // which some viewers ignore
    int ink = 0;  // the number's own pixels around its place
    for (double dx = -0.3; dx <= 0.3; dx += 0.05) ink += dark(at(png, label + QPointF(dx * g.edge(), 0)));
    QVERIFY(ink >= 3);

    QVERIFY(svg.contains(">zdroj.txt, 1 piece on the board, placed.txt</text>"));
    int title_ink = 0;
    for (int x = 0; x < size.width(); ++x) title_ink += dark(png.pixel(x, qRound(g.page().title_y)));
    QVERIFY(title_ink > 20);
}

// The palette is the model's now, without Qt; the window drew piece p in the hue p times the
// golden ratio, at saturation 0.5 and value 0.95, and still does, to within a rounding.
void BoardPainterTest::the_pieces_keep_the_colours_the_window_gave_them() {
    for (int piece = 1; piece <= kPieceCount; ++piece) {
        const QColor was = QColor::fromHsvF(static_cast<float>(std::fmod(piece * 0.6180339887498949, 1.0)), 0.5f, 0.95f);
        const QColor is = piece_colour(piece);
        QVERIFY2(qAbs(is.red() - was.red()) <= 1 && qAbs(is.green() - was.green()) <= 1 &&
                     qAbs(is.blue() - was.blue()) <= 1,
                 qPrintable(QString("piece %1: %2, was %3").arg(piece).arg(is.name(), was.name())));
    }
}

QTEST_MAIN(BoardPainterTest)
#include "board_painter_test.moc"
