// The window: its controls, and the button that starts and stops the search.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>

#include "app/Unit1.h"
#include "app/board_view.h"
#include "app/search_params.h"
#include "gui_test_support.h"

using namespace tessera;
using namespace tessera::guitest;

namespace {

// A window that lets the test look at the solver after every pass of the search, and keeps the
// last status and depth that the search wrote.
class TappedForm : public TForm1 {
public:
    using TForm1::TForm1;
    std::function<void(const SolverState&)> on_pass;
    std::string written_status, written_depth = "0";
    bool pump_events(const SolverState& s) override {
        if (on_pass) on_pass(s);
        return TForm1::pump_events(s);
    }
    void set_caption(Control control, std::string_view caption) override {
        if (control == Control::Label3) written_status = caption;
        if (control == Control::Label5) written_depth = caption;
        TForm1::set_caption(control, caption);
    }
};

// A shown window on the first `pieces` of the test set, with the first point in the middle.
std::unique_ptr<TappedForm> open_form(int pieces) {
    write_file("zdroj.txt", piece_file(kTwelvePieces, pieces));
    auto form = std::make_unique<TappedForm>();
    form->Edit10->setText("15");
    form->Edit11->setText("27");
    form->show();
    return form;
}

void press(TForm1& form) { QTest::mouseClick(form.Button1, Qt::LeftButton); }

// Presses the button after `ms` milliseconds, which will be inside a running search.
void press_later(TForm1& form, int ms, std::function<void()> before = {}) {
    QTimer::singleShot(ms, &form, [&form, before] {
        if (before) before();
        press(form);
    });
}

int line_count(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { write_file("zdroj.txt", piece_file(kTwelvePieces, kLongSearch)); }
    void no_control_cuts_its_text_or_reaches_past_the_panel();
    void controls_have_their_names_texts_and_defaults_data();
    void controls_have_their_names_texts_and_defaults();
    void the_status_line_is_whole_or_cut_short_with_its_full_text_at_hand_data();
    void the_status_line_is_whole_or_cut_short_with_its_full_text_at_hand();
    void controls_come_in_the_windows_order_and_tab_from_the_button_to_the_check_box();
    void window_is_titled_and_the_board_grows_with_it();
    void the_window_keeps_the_panel_and_the_strip_whole_down_to_its_least_size();
    void start_up_without_a_piece_file_says_so_and_a_press_keeps_the_result();
    void a_stopped_search_says_so_and_shows_the_depth_it_left();
    void a_stop_signal_stops_the_search_writes_the_result_and_closes_the_window();
    void a_press_starts_the_search_and_a_second_press_stops_it();
    void a_search_that_ends_by_itself_leaves_the_stop_caption();
    void the_labels_show_the_passes_and_the_depth_every_100_passes_data();
    void the_labels_show_the_passes_and_the_depth_every_100_passes();
    void the_labels_follow_a_running_search();
    void a_press_takes_effect_within_100_ms();
    void presses_after_the_stop_do_not_start_a_search_inside_the_old_one();
    void closing_during_a_search_stops_it_and_writes_the_result();
    void parameter_texts_are_read_as_their_leading_numbers();

private:
    ScratchDir dir_;
};

void WindowTest::controls_have_their_names_texts_and_defaults_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("font");
    const auto row = [](const char* name, const char* text, int font) {
        QTest::newRow(name) << QString(name) << QString::fromUtf8(text) << font;
    };
    row("Label1", "Soubor z něhož se bude načítat", 11);
    row("Label2", "Stav výpočtu :", 11);
    row("Label3", "Nezačal", 19);
    row("Label4", "Dosažený stupeň :", 11);
    row("Label5", "0", 19);
    row("Label6", "Počáteční souřednice ", 11);
    row("Label7", "Koncové souřednice ", 11);
    row("Label8", "X", 16);
    row("Label9", "Y", 16);
    row("Label10", "X", 16);
    row("Label11", "Y", 16);
    row("Label16", "Distanční mezery", 11);
    row("Label12", "Souřadnice prvního bodu :", 11);
    row("Label13", "X", 16);
    row("Label14", "Y", 16);
    row("Button1", "Pust se do toho", 11);
    row("Edit1", "", 11);
    row("Edit2", "20", 11);
    row("Edit3", "40", 11);
    row("Edit4", "0", 11);
    row("Edit5", "0", 11);
    row("Edit6", "3", 11);
    row("Edit7", "5", 11);
    row("Edit8", "0", 11);
    row("Edit9", "0", 11);
    row("Edit10", "1", 11);
    row("Edit11", "18", 11);
    row("CheckBox1", "Použít omezení", 11);
}

// The captions and the fields' defaults as the window has always had them; where each control
// sits is left to the checks of clipping and order below.
void WindowTest::controls_have_their_names_texts_and_defaults() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, font);
    TForm1 form;
    QWidget* control = form.findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &form);
    QCOMPARE(control->font().pixelSize(), font);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        QCOMPARE(label->text(), text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        QCOMPARE(edit->text(), text);
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        QCOMPARE(box->text(), text);
        QVERIFY(!box->isChecked());
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        QCOMPARE(button->text(), text);
    } else {
        QFAIL("unexpected kind of control");
    }
}

// Every control lies in the panel and shows its whole text: a wider font than the one the layout
// was made for must not cut a caption.
void WindowTest::no_control_cuts_its_text_or_reaches_past_the_panel() {
    TForm1 form;
    form.show();
    int controls = 0;
    for (QWidget* control : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control == form.board_view || control == form.info_strip) continue;
        ++controls;
        const QString name = control->objectName();
        QVERIFY2(QRect(0, 0, TForm1::kPanelWidth, TForm1::kPanelHeight).contains(control->geometry()),
                 qPrintable(name));
        QString text;
        int room = control->width();
        if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
        if (qobject_cast<QCheckBox*>(control)) room -= 20;  // the box beside the text
        QVERIFY2(control->fontMetrics().horizontalAdvance(text) <= room, qPrintable(name + ": " + text));
    }
    QCOMPARE(controls, 28);
}

// A status wider than the room beside its caption is cut short with its full text at hand.
void WindowTest::the_status_line_is_whole_or_cut_short_with_its_full_text_at_hand_data() {
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("cut");
    for (const char* status : {"Nezačal", "Tak a je to v prdeli !!!", "Chybne parametry"})
        QTest::newRow(status) << QString::fromUtf8(status) << false;
    for (const char* status : {"Predesle reseni nelze nacist", "Tak a je to tam !!! verified"})
        QTest::newRow(status) << QString::fromUtf8(status) << true;
}

void WindowTest::the_status_line_is_whole_or_cut_short_with_its_full_text_at_hand() {
    QFETCH(QString, status);
    QFETCH(bool, cut);
    TForm1 form;
    form.show();
    form.set_caption(Control::Label3, status.toStdString());
    QLabel* label = form.Label3;
    QVERIFY(label->geometry().right() < TForm1::kPanelWidth);
    QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
    QCOMPARE(form.status(), status);
    QCOMPARE(label->text() != status, cut);
    QCOMPARE(label->toolTip(), cut ? status : QString());
    QCOMPARE(form.info_strip->text().contains(status), cut);  // the strip says it in full
}

void WindowTest::controls_come_in_the_windows_order_and_tab_from_the_button_to_the_check_box() {
    TForm1 form;
    QStringList order;
    for (QObject* child : form.children())
        if (child->isWidgetType() && child->objectName() != "BoardView" && child->objectName() != "InfoStrip") order << child->objectName();
    QCOMPARE(order, QStringList({"Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7", "Label8",
                                 "Label9", "Label10", "Label11", "Label16", "Label12", "Label13", "Label14", "Button1",
                                 "Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8", "Edit9",
                                 "Edit10", "Edit11", "CheckBox1"}));

    QStringList tabs;
    QWidget* w = form.Button1;
    do {
        if (w->focusPolicy() & Qt::TabFocus) tabs << w->objectName();
        w = w->nextInFocusChain();
    } while (w != form.Button1);
    QCOMPARE(tabs, QStringList({"Button1", "Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8",
                                "Edit9", "Edit10", "Edit11", "CheckBox1"}));
    QCOMPARE(form.focusWidget(), form.Button1);
}

void WindowTest::window_is_titled_and_the_board_grows_with_it() {
    TForm1 form;
    QCOMPARE(form.objectName(), QString("Form1"));
    // Which puzzle, and the folder where the window reads and writes its files.
    QCOMPARE(form.windowTitle(), "Tessera: zdroj.txt in " + QDir::currentPath());
    form.show();
    QVERIFY(form.board_view->width() >= 600 && form.board_view->height() >= 600);
    const int strip = form.info_strip->height();
    QVERIFY(strip >= TForm1::kStripHeight);
    QCOMPARE(form.board_view->geometry(), QRect(327, 0, form.width() - 327, form.height() - strip));
    QCOMPARE(form.info_strip->geometry().top(), form.board_view->geometry().bottom() + 1);
    form.resize(1200, 900);
    QCOMPARE(form.board_view->size(), QSize(1200 - 327, 900 - strip));
    QCOMPARE(form.Button1->geometry(), QRect(7, 295, 313, 33));  // the panel keeps its place and size
}

// However small the window is made, the panel stays whole, the strip's lines of figures stay
// on one line each, and the strip is as high as all its lines need.
void WindowTest::the_window_keeps_the_panel_and_the_strip_whole_down_to_its_least_size() {
    auto form = open_form(kLongSearch);
    form->CheckBox1->setChecked(true);
    form->Edit3->setText("54");
    form->Edit7->setText("0");
    form->on_pass = [&](const SolverState& s) {
        if (s.step_count == 3000) press(*form);
    };
    press(*form);
    form->Edit10->setText("16");  // adds a note to the strip
    form->resize(10, 10);
    QCOMPARE(form->size(), form->minimumSize());
    QVERIFY(form->height() >= TForm1::kPanelHeight);
    QLabel* strip = form->info_strip;
    const int room = strip->contentsRect().width();
    QVERIFY(strip->height() >= strip->heightForWidth(strip->width()));
    const QStringList lines = strip->text().split('\n');
    QVERIFY2(lines.size() >= 4 && lines[2].startsWith("region"), qPrintable(strip->text()));
    for (int i = 0; i < 3; ++i) QVERIFY2(strip->fontMetrics().horizontalAdvance(lines[i]) <= room, qPrintable(lines[i]));
    QVERIFY(form->board_view->height() > 100);
}

void WindowTest::start_up_without_a_piece_file_says_so_and_a_press_keeps_the_result() {
    ScratchDir empty;
    write_file("tuton.txt", "1 10 21 1\n");
    TForm1 form;
    QCOMPARE(form.Label3->text(), QString("Chybi zdroj.txt"));
    QCOMPARE(TForm1("mine.txt").Label3->text(), QString("Chybi mine.txt"));

    form.show();
    press(form);
    QCOMPARE(form.Label3->text(), QString("Chybi zdroj.txt"));
    QCOMPARE(form.Button1->text(), QString("Pust se do toho"));
    QCOMPARE(form.solver().state().running, 0);
    QCOMPARE(read_file("tuton.txt"), std::string("1 10 21 1\n"));
    QVERIFY(form.info_strip->text().contains("no pieces were loaded from 'zdroj.txt'"));
}

void WindowTest::a_press_starts_the_search_and_a_second_press_stops_it() {
    auto form = open_form(kLongSearch);
    QString caption_during;
    int running_during = -1;
    press_later(*form, 150, [&] {
        caption_during = form->Button1->text();
        running_during = form->solver().state().running;
    });
    press(*form);

    QCOMPARE(caption_during, QString("Zastav to"));
    QCOMPARE(running_during, 1);
    const SolverState& s = form->solver().state();
    QCOMPARE(form->Button1->text(), QString("Pust se do toho"));
    QCOMPARE(s.running, 0);
    QVERIFY(s.step_count > 1000);
    QVERIFY(!form->searching());
    QCOMPARE(line_count(read_file("tuton.txt")), s.depth);
}

void WindowTest::a_search_that_ends_by_itself_leaves_the_stop_caption() {
    auto form = open_form(kShortSearch);
    int depth_at_last_hundred = -1;
    form->on_pass = [&](const SolverState& s) {
        if (s.step_count % 100 == 0) depth_at_last_hundred = s.depth;
    };
    for (int search = 0; search < 2; ++search) {  // the next press starts a new search
        press(*form);
        const SolverState& s = form->solver().state();
        QVERIFY(s.step_count > 100);
        QCOMPARE(s.first_piece, 210);
        QCOMPARE(s.running, 0);
        QCOMPARE(form->Button1->text(), QString("Zastav to"));
        QCOMPARE(form->Label3->text(), QString("Tak a je to v prdeli !!!"));
        QCOMPARE(form->written_depth, std::to_string(depth_at_last_hundred));
        QCOMPARE(form->Label5->text(), QString::number(s.depth));  // the depth left, not the last written
    }
}

void WindowTest::a_stopped_search_says_so_and_shows_the_depth_it_left() {
    auto form = open_form(kLongSearch);
    form->on_pass = [&](const SolverState& s) {
        if (s.step_count == 1234) press(*form);
    };
    press(*form);
    const SolverState& s = form->solver().state();
    QCOMPARE(form->written_status, std::string("1200"));
    QCOMPARE(form->Label3->text(), QString("Zastaveno"));
    QCOMPARE(form->Label5->text(), QString::number(s.depth));
    QVERIFY(form->info_strip->text().contains("1,234 passes"));
}

void WindowTest::a_stop_signal_stops_the_search_writes_the_result_and_closes_the_window() {
    for (const int signal : {SIGTERM, SIGINT}) {
        auto form = open_form(kLongSearch);
        form->close_on_stop_signals();
        write_file("tuton.txt", "");
        QTimer::singleShot(150, form.get(), [signal] { ::raise(signal); });
        press(*form);
        const SolverState& s = form->solver().state();
        QCOMPARE(s.running, 0);
        QVERIFY(s.depth > 0);
        QCOMPARE(line_count(read_file("tuton.txt")), s.depth);
        QVERIFY(!form->isVisible());
    }
}

void WindowTest::the_labels_show_the_passes_and_the_depth_every_100_passes_data() {
    QTest::addColumn<int>("stop_at");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("depth_from");  // the pass whose depth Label5 shows; 0: still the initial "0"
    QTest::newRow("before the 100th pass") << 99 << "Uz to zacalo !!!!" << 0;
    QTest::newRow("at the 100th pass") << 100 << "100" << 100;
    QTest::newRow("between hundreds") << 250 << "200" << 200;
}

void WindowTest::the_labels_show_the_passes_and_the_depth_every_100_passes() {
    QFETCH(int, stop_at);
    QFETCH(QString, status);
    QFETCH(int, depth_from);
    auto form = open_form(kLongSearch);
    int depth_then = 0;
    form->on_pass = [&](const SolverState& s) {
        if (s.step_count == depth_from) depth_then = s.depth;
        if (s.step_count == stop_at) press(*form);
    };
    press(*form);
    QCOMPARE(form->solver().state().step_count, stop_at);
    QCOMPARE(QString::fromStdString(form->written_status), status);
    QCOMPARE(form->written_depth, std::to_string(depth_then));
}

void WindowTest::the_labels_follow_a_running_search() {
    auto form = open_form(kLongSearch);
    QString status, depth;
    press_later(*form, 300, [&] {
        status = form->Label3->text();
        depth = form->Label5->text();
    });
    press(*form);
    bool number = false;
    const long long passes = status.toLongLong(&number);
    QVERIFY2(number && passes >= 100 && passes % 100 == 0, qPrintable(status));
    QVERIFY(depth.toInt() > 0);
}

void WindowTest::a_press_takes_effect_within_100_ms() {
    auto form = open_form(kLongSearch);
    QElapsedTimer clock;
    constexpr int kPressAt = 200;
    press_later(*form, kPressAt);
    clock.start();
    press(*form);
    const qint64 late = clock.elapsed() - kPressAt;
    QVERIFY2(late < 100, qPrintable(QString("the search ended %1 ms after the press was due").arg(late)));
}

void WindowTest::presses_after_the_stop_do_not_start_a_search_inside_the_old_one() {
    auto form = open_form(kLongSearch);
    int starts = 0;
    form->on_pass = [&](const SolverState& s) {
        if (s.step_count == 1) ++starts;
        if (s.step_count == 500) {
            press(*form);  // stops
            press(*form);  // comes before the search has seen the stop
        }
    };
    press(*form);
    QCOMPARE(starts, 1);
    QCOMPARE(form->solver().state().step_count, 500);
    QCOMPARE(form->Button1->text(), QString("Pust se do toho"));
}

void WindowTest::closing_during_a_search_stops_it_and_writes_the_result() {
    auto form = open_form(kLongSearch);
    QTimer::singleShot(150, form.get(), [&] { form->close(); });
    press(*form);
    const SolverState& s = form->solver().state();
    QCOMPARE(s.running, 0);
    QVERIFY(!form->isVisible());
    QVERIFY(s.depth > 0);
    QCOMPARE(line_count(read_file("tuton.txt")), s.depth);
}

void WindowTest::parameter_texts_are_read_as_their_leading_numbers() {
    auto form = open_form(kShortSearch);
    form->Edit10->setText(" 15abc");
    form->Edit4->setText("x5");
    form->Edit7->setText("-2");
    form->CheckBox1->setChecked(false);
    press(*form);
    const SearchParams& p = form->solver().state().params;
    QCOMPARE(p.first_x, 15);
    QCOMPARE(p.first_y, 27);
    QCOMPARE(p.start_x, 0);
    QCOMPARE(p.margin_end_y, -2);
    QCOMPARE(p.end_x, 20);
    QCOMPARE(p.use_limits, 0);
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
