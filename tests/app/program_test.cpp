// The tessera-gui command line: the piece file, the working directory, the resume file and
// the picture of the window.
#include <QImage>
#include <QProcess>
#include <QtTest>

#include <memory>

#include "app/Unit1.h"
#include "draw/board_painter.h"
#include "gui_test_support.h"

using namespace tessera;
using namespace tessera::guitest;

namespace {

struct Run {
    int status;
    QString errors;
};

Run run_gui(const QStringList& args) {
    QProcess gui;
    gui.start(TESSERA_GUI_PROGRAM, args);
    if (!gui.waitForFinished(30000)) return {-1, "did not finish"};
    return {gui.exitStatus() == QProcess::NormalExit ? gui.exitCode() : -1, gui.readAllStandardError()};
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void a_screenshot_shows_the_window_with_the_resumed_board();
    void a_screenshot_without_the_piece_file_shows_the_status();
    void a_resume_file_that_cannot_be_loaded_fails_the_run();
    void usage_errors_end_with_status_two();

private:
    ScratchDir dir_;
};

void ProgramTest::a_screenshot_shows_the_window_with_the_resumed_board() {
    // The files lie in a folder of their own, named with -C, and are named relative to it.
    QVERIFY(QDir().mkpath("work"));
    write_file("work/mine.txt", piece_file(kTwelvePieces, kLongSearch));
    std::vector<CoveredCell> cells;
    {
        MemoryPanel panel;
        Solver solver(panel);
        solver.set_pieces_path("work/mine.txt");
        solver.FormCreate();
        const Placement p = middle_placement(solver.state(), 12);
        cells = covered_cells(solver.state(), p);
        write_file("work/placed.txt", placement_line(p));
    }
    const Run run = run_gui({"-C", "work", "--pieces", "mine.txt", "--resume", "placed.txt", "--screenshot", "shot.png"});
    QVERIFY2(run.status == 0, qPrintable(run.errors));

    const QImage shot("work/shot.png");
    QCOMPARE(shot.size(), QSize(TForm1::kPanelWidth + TForm1::kBoardWidth, TForm1::kBoardHeight + TForm1::kStripHeight));
    const BoardGeometry g(QRectF(TForm1::kPanelWidth, 0, TForm1::kBoardWidth, TForm1::kBoardHeight));
    for (const CoveredCell& c : cells) QVERIFY(cell_shows(shot, g, c, piece_colour(12).rgb()));
    QCOMPARE(shot.pixel(g.centre(5, 8, 100).toPoint()), kEmptyColour.rgb());
}

void ProgramTest::a_screenshot_without_the_piece_file_shows_the_status() {
    const Run run = run_gui({"--screenshot", "empty.png"});
    QCOMPARE(run.status, 0);
    QVERIFY(run.errors.contains("zdroj.txt"));
    QVERIFY(!QImage("empty.png").isNull());
}

void ProgramTest::a_resume_file_that_cannot_be_loaded_fails_the_run() {
    write_file("zdroj.txt", piece_file(kTwelvePieces, kLongSearch));
    const Run run = run_gui({"--resume", "missing.txt", "--screenshot", "failed.png"});
    QCOMPARE(run.status, 1);
    QVERIFY(!QImage("failed.png").isNull());
    QCOMPARE(run_gui({"-C", "no-such-folder", "--screenshot", "x.png"}).status, 2);
}

void ProgramTest::usage_errors_end_with_status_two() {
    const QStringList wrong[] = {{"--no-such-option"}, {"stray-word"}, {"--pieces"}};
    for (const QStringList& args : wrong) {
        const Run run = run_gui(args);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.errors.contains("see --help"), qPrintable(run.errors));
    }
    QCOMPARE(run_gui({"--version"}).status, 0);
}

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
