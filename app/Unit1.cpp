#include "app/Unit1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "draw/board_painter.h"
#include "draw/pictures.h"
#include "app/board_view.h"
#include "app/files.h"
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

// 12,345,678: counts of millions are read at a glance.
std::string grouped(long long n) {
    std::string digits = std::to_string(n < 0 ? -n : n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return n < 0 ? "-" + out : out;
}

// The widest lines of figures that the strip shows: the window is never narrower than they are.
constexpr const char* kWidestFigures[] = {
    "99:59:59  ·  9,999,999,999 passes  ·  9,999,999/s",
    "209 pieces on the board, deepest 209",
    "region: 1,760 cells unfilled at best",
};

bool same_params(const tessera::SearchParams& a, const tessera::SearchParams& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
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
    // Narrower than the strip's widest line of figures, the strip would wrap them out of sight.
    int figures = 0;
    for (const char* line : kWidestFigures)
        figures = std::max(figures, info_strip->fontMetrics().horizontalAdvance(QString::fromUtf8(line)));
    const QMargins margins = info_strip->contentsMargins();
    setMinimumSize(kPanelWidth + figures + margins.left() + margins.right() + 8, kPanelHeight);
    resize(kPanelWidth + kBoardWidth, std::max(kPanelHeight, kBoardHeight + kStripHeight));
    solver_->set_pieces_path(pieces_path);
    // Which puzzle, and the folder that every file of the window is read from and written to.
    setWindowTitle(QString("Tessera: %1 in %2")
                       .arg(QString::fromStdString(pieces_path), QDir::toNativeSeparators(QDir::currentPath())));
    FormCreate();
}

// While a menu or a dialog runs its own event loop, the search's "go on?" is not asked: the
// search waits, and says so, and the time waited is not counted as the search's.
class TForm1::Pause {
public:
    Pause(TForm1& form, const char* while_what) : form_(form), active_(form.searching_) {
        if (!active_) return;
        form_.pause_started_ = Clock::now();
        form_.paused_while_ = while_what;
        form_.show_info();
        form_.info_strip->repaint();
    }
    ~Pause() {
        if (!active_) return;
        form_.paused_for_ += Clock::now() - form_.pause_started_;
        form_.paused_while_.clear();
        form_.show_info();
    }
    Pause(const Pause&) = delete;
    Pause& operator=(const Pause&) = delete;

private:
    TForm1& form_;
    bool active_;
};

std::unique_ptr<TForm1::Pause> TForm1::pause_search(const char* while_what) {
    return std::make_unique<Pause>(*this, while_what);
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
    // The resume field too: what the strip says about the next start depends on it.
    for (const EditSpec& entry : kEdits)
        connect(this->*entry.member, &QLineEdit::textChanged, this, &TForm1::fields_changed);
    connect(CheckBox1, &QCheckBox::toggled, this, &TForm1::fields_changed);
    show_marks();
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

void TForm1::resizeEvent(QResizeEvent*) { lay_out(); }

// The strip takes the height that its lines need, the board the rest.
void TForm1::lay_out() {
    const int board_width = std::max(1, width() - kPanelWidth);
    const int strip = std::max(kStripHeight, info_strip->heightForWidth(board_width));
    const QRect board(kPanelWidth, 0, board_width, std::max(1, height() - strip));
    if (board_view->geometry() != board) board_view->setGeometry(board);
    info_strip->setGeometry(kPanelWidth, height() - strip, board_width, strip);
}

void TForm1::fields_changed() {
    show_marks();
    show_info();
}

// The board shows the rectangle, the region and the first point that a search works with:
// while one runs, those it started with, and the fields' values dashed where they differ; else
// the fields', which the next start reads.
void TForm1::show_marks() {
    const tessera::SearchParams fields = tessera::read_params(*this);
    if (searching_ && marks_follow_search_)
        board_view->set_marks(solver_->state().params, &fields);
    else
        board_view->set_marks(fields, nullptr);
}

// What the strip says besides the figures: that the search waits, that edited fields apply
// only at the next start, and that a first point applies only to an empty board.
std::string TForm1::notes() const {
    std::string out;
    const tessera::SolverState& s = solver_->state();
    const tessera::SearchParams fields = tessera::read_params(const_cast<TForm1&>(*this));
    if (!paused_while_.empty()) out += "\nPaused while the " + paused_while_ + " is open: the search waits.";
    if (searching_ && marks_follow_search_ && !same_params(fields, s.params))
        out += "\nEdited fields (dashed on the board) apply at the next start; this search keeps its own.";
    const bool first_moved = searching_ && marks_follow_search_
                                 ? fields.first_x != s.params.first_x || fields.first_y != s.params.first_y
                                 : fields.first_x != board_first_x_ || fields.first_y != board_first_y_;
    if (!first_moved || s.depth == 0) return out;
    // A start reads the resume field again when it names a file, and goes on from that.
    const std::string resume = Edit1->text().toStdString();
    const std::string from = !resume.empty() ? "the pieces in " + resume
                                             : s.depth == 1 ? std::string("the piece on it")
                                                            : "the " + grouped(s.depth) + " pieces on it";
    out += "\nThe first point applies only to an empty board; the next start goes on from " + from + ".";
    return out;
}

void TForm1::FormCreate() {
    solver_->FormCreate();
    const tessera::SearchParams fields = tessera::read_params(*this);
    board_first_x_ = fields.first_x;
    board_first_y_ = fields.first_y;
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
    marks_follow_search_ = false;
    paused_for_ = {};
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
        search_seconds_ = std::chrono::duration<double>(Clock::now() - search_started_ - paused_for_).count();
        searched_ = true;
        loaded_from_.clear();
        const tessera::SearchParams& used = solver_->state().params;
        board_first_x_ = used.first_x;
        board_first_y_ = used.first_y;
        show_end_of_search();
    } else {
        search_started_ = last_start;  // a refused press leaves the figures of the last search
    }
    if (result == tessera::ClickResult::NoPieces) message_ = solver_->pieces_fault();
    show_pending_captions();
    show_marks();
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
    if (!loaded) {
        show_status("Predesle reseni nelze nacist");
    } else {
        loaded_from_ = path;
        const tessera::SearchParams fields = tessera::read_params(*this);
        board_first_x_ = fields.first_x;
        board_first_y_ = fields.first_y;
        // The depth is the board's as loaded, as it is after a search.
        TForm1::set_caption(Control::Label5, std::to_string(solver_->state().depth));
        show_pending_captions();
    }
    show_info();
    board_view->update();
    return loaded;
}

// Where the board on screen came from, for the title of its picture.
std::string TForm1::board_source() const {
    if (searching_) return tessera::format("searching, pass %s", grouped(solver_->state().step_count).c_str());
    if (!loaded_from_.empty()) return loaded_from_;
    return searched_ ? std::string("as the last search left it, in tuton.txt") : std::string();
}

QSize TForm1::picture_size() const {
    // At least as large as shown, and never so small that the numbers cannot be read.
    constexpr double kLeast = 1000;
    const QSizeF shown = QSizeF(board_view->size()) * board_view->devicePixelRatioF();
    const double scale = std::max(1.0, kLeast / std::max(shown.width(), shown.height()));
    const double height = shown.height() * scale;
    return QSize(static_cast<int>(std::ceil(shown.width() * scale)),
                 static_cast<int>(std::ceil(tessera::draw::titled_page_height(height))));
}

bool TForm1::save_picture(const std::string& path) {
    tessera::BoardPaintOptions options = board_view->paint_options();
    options.highlight_piece = 0;
    options.piece_numbers = true;
    options.title = tessera::draw::board_title(solver_->pieces_path(), solver_->state().depth, board_source());
    std::string why;
    const bool saved = tessera::save_board_png(solver_->state(), path, picture_size(), options, &why);
    if (!saved) report(tessera::format("cannot write '%s' (%s)", path.c_str(), why.c_str()));
    return saved;
}

bool TForm1::save_placement(const std::string& path) { return !path.empty() && solver_->ulozit(path.c_str()) == 0; }

void TForm1::show_board_menu(const QPoint& at) {
    QMenu menu(this);
    const QAction* picture = menu.addAction("Save picture");
    const QAction* placement = menu.addAction("Save placement");
    const QAction* chosen = nullptr;
    {
        const auto pause = pause_search("menu");
        chosen = menu.exec(board_view->mapToGlobal(at));
    }
    if (!chosen) return;
    const bool png = chosen == picture;
    QString path;
    {
        const auto pause = pause_search("save dialog");
        path = QFileDialog::getSaveFileName(this, chosen->text(), png ? "board.png" : "placement.txt",
                                            png ? "PNG (*.png)" : "Placement (*.txt)");
    }
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
    // Outside a search nothing comes soon to show them.
    if (!searching_ && (status_changed_ || depth_changed_)) {
        show_pending_captions();
        show_info();
    }
}

bool TForm1::pump_events(const tessera::SolverState&) {
    if (!marks_follow_search_) {
        // The search has read its parameters: from now on the board shows those.
        marks_follow_search_ = true;
        show_marks();
    }
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
    // The solver names a resume file that is not there without the reason; the strip has room
    // for it, and "not there" is what the user needs to read.
    const std::string resume = text(Control::Edit1);
    if (message_ == tessera::format("Predesle reseni nelze nacist ('%s')", resume.c_str())) {
        std::string reason;
        bool refused = false;
        const int fd = tessera::open_regular_file(resume.c_str(), reason, refused);
        if (fd >= 0) ::close(fd);
        if (!reason.empty()) message_ += " (" + reason + ")";
    }
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

// The status gets the room beside its caption up to the board; a longer one is cut short with
// "…", its full text in the tooltip and in the strip.
void TForm1::show_status(const QString& text) {
    status_text_ = text;
    const int room = kPanelWidth - Label3->x();
    const QFontMetrics metrics = Label3->fontMetrics();
    const bool fits = metrics.horizontalAdvance(text) < room;
    Label3->setText(fits ? text : metrics.elidedText(text, Qt::ElideRight, room - 1));
    Label3->setToolTip(fits ? QString() : text);
    fit_to_text(Label3, 0);
}

// Elapsed time, passes and speed of the search; pieces on the board and the deepest depth of
// this search, the best fill of the limit region; then the notes, the status when Label3 shows
// it cut short, and the last message of the solver.
void TForm1::show_info() {
    const tessera::SolverState& s = solver_->state();
    const Clock::duration paused =
        paused_for_ + (paused_while_.empty() ? Clock::duration{} : Clock::now() - pause_started_);
    const double seconds = searching_
                               ? std::chrono::duration<double>(Clock::now() - search_started_ - paused).count()
                               : search_seconds_;
    const bool ran = searching_ || search_started_ != Clock::time_point{};
    std::string text;
    if (ran)
        text = tessera::format("%s  ·  %s passes  ·  %s/s\n", clock_text(seconds).c_str(),
                               grouped(s.step_count).c_str(),
                               grouped(std::llround(seconds > 0 ? static_cast<double>(s.step_count) / seconds : 0.0))
                                   .c_str());
    text += tessera::format("%s %s on the board", grouped(s.depth).c_str(), s.depth == 1 ? "piece" : "pieces");
    if (ran) text += tessera::format(", deepest %s", grouped(std::max(solver_->deepest(), s.depth)).c_str());
    if (s.params.use_limits != 0 && s.best_unfilled < 10000)
        text += tessera::format("\nregion: %s cells unfilled at best", grouped(s.best_unfilled).c_str());
    text += notes();
    const std::string status = status_text_.toStdString();
    if (!Label3->toolTip().isEmpty() && message_.find(status) == std::string::npos) text += "\n" + status;
    if (!message_.empty()) text += "\n" + message_;
    const QString shown = from_utf8(text);
    if (info_strip->text() == shown) return;
    info_strip->setText(shown);
    lay_out();
}

void TForm1::show_pending_captions() {
    if (status_changed_) show_status(from_utf8(status_));
    if (depth_changed_) {
        Label5->setText(from_utf8(depth_));
        fit_to_text(Label5, 0);
    }
    status_changed_ = depth_changed_ = false;
}
