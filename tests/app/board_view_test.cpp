// The board beside the panel: what it shows after start-up, after a resume, under the mouse
// and while a search runs.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "app/Unit1.h"
#include "draw/board_painter.h"
#include "app/board_view.h"
#include "gui_test_support.h"

using namespace tessera;
using namespace tessera::guitest;

namespace {

std::unique_ptr<TForm1> open_form() {
    write_file("zdroj.txt", piece_file(kTwelvePieces, kLongSearch));
    auto form = std::make_unique<TForm1>();
    form->Edit10->setText("15");
    form->Edit11->setText("27");
    form->show();
    return form;
}

QRgb pixel_of(BoardView* view, int row, int col, int code) {
    const BoardGeometry g{QRectF(view->rect())};
    return view->grab().toImage().pixel(g.centre(row, col, code).toPoint());
}

bool shows(BoardView* view, const CoveredCell& cell, QRgb colour) {
    return cell_shows(view->grab().toImage(), BoardGeometry(QRectF(view->rect())), cell, colour);
}

void move_mouse(BoardView* view, int row, int col, int code) {
    const QPointF at = BoardGeometry(QRectF(view->rect())).centre(row, col, code);
    QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
}

}  // namespace

class BoardViewTest : public QObject {
    Q_OBJECT

private slots:
    void the_view_shows_a_loaded_placement_named_in_the_resume_field();
    void a_resume_file_that_cannot_be_loaded_leaves_an_empty_board_and_says_so();
    void hovering_names_the_piece_under_the_mouse();
    void the_board_is_redrawn_while_searching_at_most_20_times_a_second_and_at_the_end();
    void the_menu_saves_the_board_as_a_picture_and_as_a_placement();
    void a_search_draws_its_own_marks_and_edited_fields_dashed_until_the_next_start();
    void the_strip_says_paused_while_the_menu_holds_the_search();

private:
    ScratchDir dir_;
};

void BoardViewTest::the_view_shows_a_loaded_placement_named_in_the_resume_field() {
    auto form = open_form();
    const Placement p = middle_placement(form->solver().state(), 12);
    write_file("placed.txt", placement_line(p));
    QVERIFY(form->load_resume("placed.txt"));
    QCOMPARE(form->Edit1->text(), QString("placed.txt"));
    QCOMPARE(form->solver().state().depth, 1);
    QCOMPARE(form->Label5->text(), QString("1"));  // the depth of the board as loaded
    for (const CoveredCell& c : covered_cells(form->solver().state(), p))
        QVERIFY(shows(form->board_view, c, piece_colour(12).rgb()));
}

void BoardViewTest::a_resume_file_that_cannot_be_loaded_leaves_an_empty_board_and_says_so() {
    auto form = open_form();
    QVERIFY(!form->load_resume("missing.txt"));
    QCOMPARE(form->status(), QString("Predesle reseni nelze nacist"));
    // The strip says why: the file is not there.
    QVERIFY2(form->info_strip->text().endsWith("Predesle reseni nelze nacist ('missing.txt') (No such file or directory)"),
             qPrintable(form->info_strip->text()));
    QCOMPARE(form->solver().state().depth, 0);
    QCOMPARE(pixel_of(form->board_view, 16, 27, 100), kEmptyColour.rgb());
    QCOMPARE(pixel_of(form->board_view, 1, 18, 85), kOutsideColour.rgb());
}

void BoardViewTest::hovering_names_the_piece_under_the_mouse() {
    auto form = open_form();
    const Placement p = place_in_middle(form->solver(), 7);
    const CoveredCell c = covered_cells(form->solver().state(), p).front();
    move_mouse(form->board_view, c.row, c.col, c.code);
    QCOMPARE(form->board_view->hovered_piece(), 7);
    QCOMPARE(form->board_view->toolTip(), QString("7"));
    move_mouse(form->board_view, 5, 8, 100);
    QCOMPARE(form->board_view->hovered_piece(), 0);
}

void BoardViewTest::the_board_is_redrawn_while_searching_at_most_20_times_a_second_and_at_the_end() {
    auto form = open_form();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCoreApplication::processEvents();
    const long before = form->board_view->paints();
    QTimer::singleShot(1500, form.get(), [&] { form->Button1->click(); });
    QElapsedTimer clock;
    clock.start();
    form->Button1->click();
    const qint64 ms = clock.elapsed();
    const long during = form->board_view->paints() - before;
    QVERIFY2(during >= 3 && during <= ms / 50 + 1, qPrintable(QString("%1 paints in %2 ms").arg(during).arg(ms)));

    // The last picture is the board that the search left.
    QCoreApplication::processEvents();
    QVERIFY(form->board_view->paints() > before + during);
    const SolverState& s = form->solver().state();
    QVERIFY(s.depth > 0);
    const Placement last = s.reseni[s.depth];
    const CoveredCell c = covered_cells(s, last).front();
    QVERIFY(shows(form->board_view, c, piece_colour(last.piece).rgb()));
}

void BoardViewTest::the_menu_saves_the_board_as_a_picture_and_as_a_placement() {
    auto form = open_form();
    const Placement p = place_in_middle(form->solver(), 12);
    QVERIFY(form->save_placement("saved.txt"));
    QCOMPARE(read_file("saved.txt"), placement_line(p));
    // At the size shown or larger, the board at least as large as on screen, under a title.
    form->resize(1500, 1150);
    QVERIFY(form->save_picture("saved.png"));
    const QImage image("saved.png");
    const QSize shown = form->board_view->size();
    QVERIFY(image.width() >= shown.width() && image.height() >= shown.height());
    const BoardGeometry g(QRectF(QPointF(), image.size()), true);
    QVERIFY(g.edge() >= BoardGeometry(QRectF(form->board_view->rect())).edge());
    for (const CoveredCell& c : covered_cells(form->solver().state(), p))
        QVERIFY(cell_shows(image, g, c, piece_colour(12).rgb()));
    int title_ink = 0;
    for (int x = 0; x < image.width(); ++x) title_ink += qGray(image.pixel(x, qRound(g.page().title_y))) < 60;
    QVERIFY(title_ink > 20);

    // A file that cannot be written is named in the strip, and nothing is left behind.
    QVERIFY(!form->save_placement("no-such-folder/saved.txt"));
    QVERIFY(form->info_strip->text().contains("'no-such-folder/saved.txt'"));
    QVERIFY(!form->save_picture("no-such-folder/saved.png"));
    QVERIFY(form->info_strip->text().contains("'no-such-folder/saved.png'"));
    QCOMPARE(QDir().entryList({"saved*"}), QStringList({"saved.png", "saved.txt"}));
}

// Fields edited during a search apply at the next start: the board keeps the search's marks and
// shows the edited ones dashed, and the strip says when they apply. A first point edited over
// a board with pieces applies only once the board is empty, which the strip says too.
void BoardViewTest::a_search_draws_its_own_marks_and_edited_fields_dashed_until_the_next_start() {
    auto form = open_form();
    form->CheckBox1->setChecked(true);
    BoardPaintOptions during;
    QString strip_during;
    QTimer::singleShot(200, form.get(), [&] {
        form->Edit3->setText("30");
        form->Edit7->setText("2");
        during = form->board_view->paint_options();
        strip_during = form->info_strip->text();
        form->Button1->click();
    });
    form->Button1->click();
    QCOMPARE(during.params.end_y, 40);
    QCOMPARE(during.params.margin_end_y, 5);
    QVERIFY(during.pending);
    QCOMPARE(during.pending_params.end_y, 30);
    QCOMPARE(during.pending_params.margin_end_y, 2);
    QVERIFY2(strip_during.contains("apply at the next start"), qPrintable(strip_during));

    // Stopped: the fields are what the next start reads.
    const BoardPaintOptions after = form->board_view->paint_options();
    QCOMPARE(after.params.end_y, 30);
    QVERIFY(!after.pending);
    QVERIFY(!form->info_strip->text().contains("next start"));
    QVERIFY(form->solver().state().depth > 0);
    form->Edit11->setText("26");
    QVERIFY2(form->info_strip->text().contains("The first point applies only to an empty board; the next start goes "
                                               "on from the " + QString::number(form->solver().state().depth)),
             qPrintable(form->info_strip->text()));
    form->Edit1->setText("placed.txt");  // a start loads it again
    QVERIFY2(form->info_strip->text().contains("goes on from the pieces in placed.txt."),
             qPrintable(form->info_strip->text()));
    form->Edit1->clear();
    form->Edit11->setText("27");
    QVERIFY(!form->info_strip->text().contains("first point"));
}

// The menu and the save dialog run their own event loops, in which the search does not go on.
void BoardViewTest::the_strip_says_paused_while_the_menu_holds_the_search() {
    auto form = open_form();
    QString strip_during;
    long long passes_at_open = -1, passes_later = -2;
    QTimer::singleShot(150, form.get(), [&] {
        QTimer::singleShot(100, form.get(), [&] {
            strip_during = form->info_strip->text();
            passes_at_open = form->solver().state().step_count;
            QTimer::singleShot(100, form.get(), [&] {
                passes_later = form->solver().state().step_count;
                if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
            });
        });
        emit form->board_view->customContextMenuRequested(QPoint(50, 50));
        form->Button1->click();
    });
    form->Button1->click();
    QVERIFY2(strip_during.contains("Paused while the menu is open"), qPrintable(strip_during));
    QCOMPARE(passes_later, passes_at_open);
    QVERIFY(!form->info_strip->text().contains("Paused"));
}

QTEST_MAIN(BoardViewTest)
#include "board_view_test.moc"
