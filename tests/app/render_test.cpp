// `tessera render` from the outside: the output path is tried before anything is drawn, and SVG
// and PNG draw the same picture (faulty placements and open spots too).
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QtTest>

#include <memory>

#include "draw/board_painter.h"
#include "gui_test_support.h"

using namespace tessera;
using namespace tessera::guitest;

namespace {

struct Run {
    int status;
    QStringList errors;  // the lines of standard error
};

Run render(const QStringList& args, const QString& program = TESSERA_BIN) {
    QProcess process;
    process.start(program, QStringList{"render"} + args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) return {-1, {}};
    const QString err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return {process.exitCode(), err.isEmpty() ? QStringList() : err.split('\n')};
}

bool red(QRgb p) { return qRed(p) > 150 && qGreen(p) < 90 && qBlue(p) < 90; }

// Red pixels in a square around a point, as a spot's ring and kind leave them.
int red_around(const QImage& image, QPointF centre, double radius) {
    int n = 0;
    for (int y = qRound(centre.y() - radius); y <= qRound(centre.y() + radius); ++y)
        for (int x = qRound(centre.x() - radius); x <= qRound(centre.x() + radius); ++x) n += red(image.pixel(x, y));
    return n;
}

}  // namespace

class RenderTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void formats_data();
    void an_output_that_cannot_be_written_is_named_before_anything_is_drawn_data() { formats_data(); }
    void an_output_that_cannot_be_written_is_named_before_anything_is_drawn();
    void a_faulty_placement_is_drawn_as_it_is_data() { formats_data(); }
    void a_faulty_placement_is_drawn_as_it_is();
    void a_png_without_its_drawing_program_names_the_program_not_the_path();
    void the_png_shows_the_title_the_pieces_and_the_open_spots();

private:
    ScratchDir dir_;
    std::vector<OpenSpot> open_spots_;
    Placement placed_{};
};

void RenderTest::init() {
    write_file("zdroj.txt", piece_file(kTwelvePieces, kLongSearch));
    MemoryPanel panel;
    Solver solver(panel);
    solver.FormCreate();
    placed_ = place_in_middle(solver, 12);  // writes placed.txt
    open_spots_.clear();
    for (int k = 1; k <= solver.state().open_count; ++k)
        if (solver.state().volny[k].filled == 0) open_spots_.push_back(solver.state().volny[k]);
    write_file("doubled.txt", placement_line(placed_) + placement_line(placed_));
}

void RenderTest::formats_data() {
    QTest::addColumn<QString>("ext");
    QTest::newRow("svg") << "svg";
    QTest::newRow("png") << "png";
}

void RenderTest::an_output_that_cannot_be_written_is_named_before_anything_is_drawn() {
    QFETCH(QString, ext);
    QVERIFY(QDir().mkpath("folder." + ext));
    for (const QString& path : {"/nonexistent/x." + ext, "folder." + ext}) {
        const Run run = render({"placed.txt", "-o", path});
        QCOMPARE(run.status, 2);
        QCOMPARE(run.errors.size(), 1);
        QVERIFY2(run.errors[0].startsWith("-o: cannot write '" + path + "' ("), qPrintable(run.errors[0]));
    }
}

void RenderTest::a_faulty_placement_is_drawn_as_it_is() {
    QFETCH(QString, ext);
    const QString output = "doubled." + ext;
    const Run run = render({"doubled.txt", "-o", output, "--spots"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.errors.size(), 2);
    QVERIFY2(run.errors[0].contains("not a valid placement") && run.errors[0].endsWith("drawn as it is"),
             qPrintable(run.errors[0]));
    QCOMPARE(run.errors[1], QString("doubled.txt: open spots are drawn only for a valid placement"));
    QVERIFY(QFileInfo::exists(output));
}

// `tessera` hands a PNG to tessera-png beside it; a copy of `tessera` alone cannot draw one.
void RenderTest::a_png_without_its_drawing_program_names_the_program_not_the_path() {
    QVERIFY(QDir().mkpath("lone"));
    QVERIFY(QFile::copy(TESSERA_BIN, "lone/tessera"));
    const Run run = render({"placed.txt", "-o", "board.png"}, "lone/tessera");
    QCOMPARE(run.status, 1);
    QCOMPARE(run.errors.size(), 1);
    QVERIFY2(run.errors[0].startsWith("-o board.png: the PNG is drawn by ") && run.errors[0].contains("lone/tessera-png") &&
                 run.errors[0].endsWith("write an .svg file"),
             qPrintable(run.errors[0]));
    QVERIFY(!QFileInfo::exists("board.png"));
}

void RenderTest::the_png_shows_the_title_the_pieces_and_the_open_spots() {
    QVERIFY(!open_spots_.empty());
    const Run run = render({"placed.txt", "-o", "board.png", "--spots"});
    QVERIFY2(run.status == 0 && run.errors.isEmpty(), qPrintable(run.errors.join('\n')));
    const QImage image("board.png");
    QCOMPARE(image.size(), QSize(1000, 1000));
    const BoardGeometry g(QRectF(0, 0, 1000, 1000), true);
    for (const CoveredCell& c : [&] {
             MemoryPanel panel;
             Solver solver(panel);
             solver.FormCreate();
             return covered_cells(solver.state(), placed_);
         }())
        QVERIFY(cell_shows(image, g, c, piece_colour(12).rgb()));
    for (const OpenSpot& spot : open_spots_)
        QVERIFY2(red_around(image, g.centre(spot.row, spot.col, 100), g.edge() * 0.35) > 10,
                 qPrintable(QString("spot %1,%2").arg(spot.row).arg(spot.col)));
    int title_ink = 0;
    for (int x = 0; x < image.width(); ++x) title_ink += qGray(image.pixel(x, qRound(g.page().title_y))) < 60;
    QVERIFY(title_ink > 20);

    // The SVG marks the same spots.
    QCOMPARE(render({"placed.txt", "-o", "board.svg", "--spots"}).status, 0);
    const QString svg = QString::fromStdString(read_file("board.svg"));
    QCOMPARE(svg.mid(svg.indexOf("class=\"spots\"")).count("<circle"), static_cast<int>(open_spots_.size()));
}

QTEST_MAIN(RenderTest)
#include "render_test.moc"
