#include "app/Unit1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "draw/board_painter.h"
#include "app/board_view.h"
#include "app/search_params.h"
#include "app/stop_signals.h"
#include "app/text.h"
#include "check/checker.h"

TForm1* Form1 = nullptr;

using tessera::Control;

namespace {

constexpr int kBodyFont = 11;    // the panel's font, in pixels
constexpr int kLetterFont = 16;  // the "X" and "Y" beside the fields
constexpr int kLargeFont = 19;   // the status line and the depth

struct LabelSpec {
    QLabel* TForm1::*member;
    const char* name;
    int x, y, w, h;
    const char* text;
    int font;
};

// In the window's own order.
const LabelSpec kLabels[] = {
    {&TForm1::Label1, "Label1", 10, 271, 151, 13, "Soubor z něhož se bude načítat", kBodyFont},
    {&TForm1::Label2, "Label2", 25, 199, 69, 13, "Stav výpočtu :", kBodyFont},
    {&TForm1::Label3, "Label3", 105, 191, 68, 24, "Nezačal", kLargeFont},
    {&TForm1::Label4, "Label4", 26, 231, 88, 13, "Dosažený stupeň :", kBodyFont},
    {&TForm1::Label5, "Label5", 161, 223, 10, 24, "0", kLargeFont},
    {&TForm1::Label6, "Label6", 34, 16, 108, 13, "Počáteční souřednice ", kBodyFont},
    {&TForm1::Label7, "Label7", 186, 16, 102, 13, "Koncové souřednice ", kBodyFont},
    {&TForm1::Label8, "Label8", 26, 40, 11, 20, "X", kLetterFont},
    {&TForm1::Label9, "Label9", 98, 40, 10, 20, "Y", kLetterFont},
    {&TForm1::Label10, "Label10", 178, 40, 11, 20, "X", kLetterFont},
    {&TForm1::Label11, "Label11", 250, 40, 10, 20, "Y", kLetterFont},
    {&TForm1::Label16, "Label16", 34, 72, 81, 13, "Distanční mezery", kBodyFont},
    {&TForm1::Label12, "Label12", 34, 136, 127, 13, "Souřadnice prvního bodu :", kBodyFont},
    {&TForm1::Label13, "Label13", 26, 160, 11, 20, "X", kLetterFont},
    {&TForm1::Label14, "Label14", 98, 160, 10, 20, "Y", kLetterFont},
};

struct EditSpec {
    QLineEdit* TForm1::*member;
    const char* name;
    Control control;
    int x, y;
};

// In tab order, which is also the window's own order.
const EditSpec kEdits[] = {
    {&TForm1::Edit1, "Edit1", Control::Edit1, 173, 263},   {&TForm1::Edit2, "Edit2", Control::Edit2, 194, 40},
    {&TForm1::Edit3, "Edit3", Control::Edit3, 266, 40},    {&TForm1::Edit4, "Edit4", Control::Edit4, 42, 40},
    {&TForm1::Edit5, "Edit5", Control::Edit5, 114, 40},    {&TForm1::Edit6, "Edit6", Control::Edit6, 194, 96},
    {&TForm1::Edit7, "Edit7", Control::Edit7, 266, 96},    {&TForm1::Edit8, "Edit8", Control::Edit8, 42, 96},
    {&TForm1::Edit9, "Edit9", Control::Edit9, 114, 96},    {&TForm1::Edit10, "Edit10", Control::Edit10, 42, 160},
    {&TForm1::Edit11, "Edit11", Control::Edit11, 114, 160},
};
constexpr int kEditWidth = 33, kEditHeight = 21, kEdit1Width = 145;

// The controls were laid out for MS Sans Serif; the nearest font at hand takes its place.
QFont panel_font(int pixels) {
    QFont font;
    font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "Liberation Sans", "Arial",
                      "DejaVu Sans Condensed"});
    font.setPixelSize(pixels);
    return font;
}

// Labels size themselves to their text, as they did where the layout was made; with a wider
// font than that one a label grows to the right rather than cut its text, up to the board.
void fit_to_text(QLabel* label, int at_least) {
    const int wanted = std::max(at_least, label->fontMetrics().horizontalAdvance(label->text()) + 1);
    label->resize(std::min(wanted, TForm1::kPanelWidth - label->x()), label->height());
}

const char* default_text(Control control) {
    for (const tessera::ParamSpec& entry : tessera::kParamTable)
        if (entry.control == control) return entry.default_text;
    return "";
}

QString from_utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The search asks "go on?" once a pass, a microsecond or less. The window counts passes and reads
// the clock only every few dozen of them, handles its events every few milliseconds (so a press
// is seen at once), shows the labels and the strip a few times a second, and redraws the board
// at most so often that drawing takes no more than a sixtieth of the search's time, yet at least
// a few times a second.
constexpr int kPassesPerClockRead = 64;
constexpr auto kPumpInterval = std::chrono::milliseconds(5);
constexpr auto kDisplayInterval = std::chrono::milliseconds(100);
constexpr auto kBoardInterval = std::chrono::milliseconds(50);
constexpr auto kLongestBoardInterval = std::chrono::milliseconds(400);
constexpr int kBoardShare = 64;
constexpr int kStripFont = 13;

// SIGINT and SIGTERM reach the window through a pipe: the handler only writes a byte, and the
// event loop reads it.
int g_signal_pipe[2] = {-1, -1};

extern "C" void on_stop_signal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signal_pipe[1], &byte, 1);
}

std::string clock_text(double seconds) {
    const long whole = static_cast<long>(seconds);
    return tessera::format("%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
}

}  // namespace

TForm1::TForm1(const std::string& pieces_path, QWidget* parent)
    : QWidget(parent), solver_(std::make_unique<tessera::Solver>(*this)) {
    setObjectName("Form1");
    setWindowTitle("Tessera");
    setFont(panel_font(kBodyFont));
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    make_controls();
    make_board();
    setMinimumSize(kPanelWidth + kPanelHeight / 2, kPanelHeight);
    resize(kPanelWidth + kBoardWidth, std::max(kPanelHeight, kBoardHeight + kStripHeight));
    solver_->set_pieces_path(pieces_path);
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::make_controls() {
    for (const LabelSpec& entry : kLabels) {
        QLabel* label = new QLabel(QString::fromUtf8(entry.text), this);
        label->setObjectName(entry.name);
        label->setFont(panel_font(entry.font));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(entry.x, entry.y, entry.w, entry.h);
        fit_to_text(label, entry.w);
        this->*entry.member = label;
    }
    Button1 = new QPushButton("Pust se do toho", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(7, 295, 313, 33);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    for (const EditSpec& entry : kEdits) {
        QLineEdit* edit = new QLineEdit(default_text(entry.control), this);
        edit->setObjectName(entry.name);
        edit->setGeometry(entry.x, entry.y, entry.control == Control::Edit1 ? kEdit1Width : kEditWidth, kEditHeight);
        this->*entry.member = edit;
    }
    CheckBox1 = new QCheckBox(QString::fromUtf8("Použít omezení"), this);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(208, 136, 97, 17);

    QWidget* previous = Button1;
    for (const EditSpec& entry : kEdits) {
        setTabOrder(previous, this->*entry.member);
        previous = this->*entry.member;
    }
    setTabOrder(previous, CheckBox1);
    Button1->setFocus();
}

// The board, its marks following the fields as they change, its menu, and the strip under it.
void TForm1::make_board() {
    board_view = new BoardView(solver_->state(), this);
    board_view->setObjectName("BoardView");
    const auto mark = [this] { board_view->set_marks(tessera::read_params(*this)); };
    for (const EditSpec& entry : kEdits)
        if (entry.control != Control::Edit1) connect(this->*entry.member, &QLineEdit::textChanged, this, mark);
    connect(CheckBox1, &QCheckBox::toggled, this, mark);
    mark();
    board_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(board_view, &QWidget::customContextMenuRequested, this, &TForm1::show_board_menu);

    info_strip = new QLabel(this);
    info_strip->setObjectName("InfoStrip");
    info_strip->setFont(panel_font(kStripFont));
    info_strip->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    info_strip->setWordWrap(true);
    info_strip->setTextInteractionFlags(Qt::TextSelectableByMouse);
    info_strip->setContentsMargins(6, 2, 6, 2);
}

void TForm1::resizeEvent(QResizeEvent*) {
    const int board_width = std::max(1, width() - kPanelWidth);
    board_view->setGeometry(kPanelWidth, 0, board_width, std::max(1, height() - kStripHeight));
    info_strip->setGeometry(kPanelWidth, height() - kStripHeight, board_width, kStripHeight);
}

void TForm1::FormCreate() {
    solver_->FormCreate();
    if (solver_->pieces_status() != 0) {
        show_status(QString::fromStdString(solver_->missing_pieces_status()));
        message_ = solver_->pieces_fault();
    }
    show_info();
    board_view->update();
}

void TForm1::Button1Click() {
    if (searching_) {
        // A press from inside the running search's event pump. Once the search has been told to
        // stop, further presses wait for it to end rather than start a search inside it.
        if (solver_->state().running != 0) solver_->Button1Click();
        return;
    }
    searching_ = true;
    message_.clear();
    passes_since_clock_ = 0;
    const Clock::time_point last_start = search_started_;
    search_started_ = Clock::now();
    next_pump_ = search_started_ + kPumpInterval;
    next_display_ = search_started_ + kDisplayInterval;
    next_board_draw_ = search_started_ + kBoardInterval;
    const tessera::ClickResult result = solver_->Button1Click();
    searching_ = false;
    if (result == tessera::ClickResult::SearchEnded) {
        search_seconds_ = std::chrono::duration<double>(Clock::now() - search_started_).count();
        show_end_of_search();
    } else {
        search_started_ = last_start;  // a refused press leaves the figures of the last search
    }
    if (result == tessera::ClickResult::NoPieces) message_ = solver_->pieces_fault();
    show_pending_captions();
    show_info();
    board_view->update();
    if (close_pending_) {
        close_pending_ = false;
        close();
    }
}

// The labels tell how the search ended: the depth it left on the board, a full board checked
// again by code that did not build it, and a stopped search as stopped rather than a bare count.
void TForm1::show_end_of_search() {
    const tessera::SolverState& s = solver_->state();
    TForm1::set_caption(Control::Label5, std::to_string(s.depth));
    if (s.depth == tessera::kPieceCount)
        TForm1::set_caption(Control::Label3, status_ + " " + tessera::check::verdict(tessera::check::check_stack(s)));
    else if (s.first_piece != tessera::kPieceCount + 1)
        TForm1::set_caption(Control::Label3, "Zastaveno");
}

bool TForm1::load_resume(const std::string& path) {
    Edit1->setText(QString::fromStdString(path));
    const bool loaded = solver_->nacti_reseni(path.c_str()) == 0;
    if (!loaded) show_status("Predesle reseni nelze nacist");
    show_info();
    board_view->update();
    return loaded;
}

bool TForm1::save_picture(const std::string& path) {
    tessera::BoardPaintOptions options = board_view->paint_options();
    options.highlight_piece = 0;
    options.piece_numbers = true;
    std::string why;
    const bool saved = tessera::save_board_png(solver_->state(), path, QSize(1000, 1000), options, &why);
    if (!saved) report(tessera::format("cannot write '%s' (%s)", path.c_str(), why.c_str()));
    return saved;
}

bool TForm1::save_placement(const std::string& path) { return !path.empty() && solver_->ulozit(path.c_str()) == 0; }

void TForm1::show_board_menu(const QPoint& at) {
    QMenu menu(this);
    const QAction* picture = menu.addAction("Save picture");
    const QAction* placement = menu.addAction("Save placement");
    const QAction* chosen = menu.exec(board_view->mapToGlobal(at));
    if (!chosen) return;
    const bool png = chosen == picture;
    const QString path = QFileDialog::getSaveFileName(this, chosen->text(), png ? "board.png" : "placement.txt",
                                                      png ? "PNG (*.png)" : "Placement (*.txt)");
    if (path.isEmpty()) return;
    if (png) save_picture(path.toStdString());
    if (chosen == placement) save_placement(path.toStdString());
}

void TForm1::close_on_stop_signals() {
    if (g_signal_pipe[0] < 0) {
        if (::pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        tessera::catch_stop_signals(on_stop_signal);
    }
    auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_signal_pipe[0], bytes, sizeof bytes) > 0) {
        }
        close();
    });
}

std::string TForm1::text(Control edit) {
    for (const EditSpec& entry : kEdits)
        if (entry.control == edit) return (this->*entry.member)->text().toStdString();
    return {};
}

bool TForm1::checked(Control box) { return box == Control::CheckBox1 && CheckBox1->isChecked(); }

void TForm1::set_caption(Control control, std::string_view caption) {
    switch (control) {
        case Control::Button1:
            Button1->setText(from_utf8(caption));
            break;
        case Control::Label3:
            status_.assign(caption);
            status_changed_ = true;
            break;
        case Control::Label5:
            depth_.assign(caption);
            depth_changed_ = true;
            break;
        default:
            break;
    }
}

bool TForm1::pump_events(const tessera::SolverState&) {
    if (++passes_since_clock_ < kPassesPerClockRead) return true;
    passes_since_clock_ = 0;
    const Clock::time_point now = Clock::now();
    if (now < next_pump_) return true;
    next_pump_ = now + kPumpInterval;
    if (now >= next_display_) {
        next_display_ = now + kDisplayInterval;
        show_pending_captions();
        show_info();
    }
    if (now >= next_board_draw_) {
        next_board_draw_ = now + std::clamp<Clock::duration>(kBoardShare * board_view->paint_time(), kBoardInterval,
                                                             kLongestBoardInterval);
        board_view->update();
    }
    QCoreApplication::processEvents();
    return !close_pending_;
}

void TForm1::report(std::string_view line) {
    ControlPanel::report(line);
    message_.assign(line);
    if (!searching_) show_info();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!searching_) {
        event->accept();
        return;
    }
    // The search is told to stop at its next "go on?", so that it ends normally and writes its
    // result; the window closes once the search has returned.
    close_pending_ = true;
    event->ignore();
}

void TForm1::show_status(const QString& text) {
    Label3->setText(text);
    fit_to_text(Label3, 0);
}

// Elapsed time, speed, pieces on the board and the deepest depth of this search, the best fill
// of the limit region, and the last message of the solver.
void TForm1::show_info() {
    const tessera::SolverState& s = solver_->state();
    const double seconds =
        searching_ ? std::chrono::duration<double>(Clock::now() - search_started_).count() : search_seconds_;
    const bool ran = searching_ || search_started_ != Clock::time_point{};
    std::string line = !ran ? tessera::format("%d pieces on the board", s.depth)
                            : tessera::format("%s  ·  %lld passes, %.0f/s  ·  %d pieces, deepest %d",
                                              clock_text(seconds).c_str(), static_cast<long long>(s.step_count),
                                              seconds > 0 ? static_cast<double>(s.step_count) / seconds : 0.0,
                                              s.depth, std::max(solver_->deepest(), s.depth));
    if (s.params.use_limits != 0 && s.best_unfilled < 10000)
        line += tessera::format("  ·  region: %d cells unfilled at best", s.best_unfilled);
    if (!message_.empty()) line += "\n" + message_;
    info_strip->setText(from_utf8(line));
}

void TForm1::show_pending_captions() {
    if (status_changed_) show_status(from_utf8(status_));
    if (depth_changed_) {
        Label5->setText(from_utf8(depth_));
        fit_to_text(Label5, 0);
    }
    status_changed_ = depth_changed_ = false;
}
