#include "app/Unit1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "app/board_view.h"
#include "app/search_params.h"
#include "tools/checker.h"

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

// How often the search may stop to let the window handle its events, how often at most the
// board is redrawn while it runs, and how many passes go by between two looks at the clock. A
// pass takes a few microseconds, so the clock is read every few dozen microseconds, which costs
// next to nothing, and a press is seen within the pump interval.
constexpr auto kPumpInterval = std::chrono::milliseconds(30);
constexpr auto kBoardInterval = std::chrono::milliseconds(50);
constexpr int kPassesPerClockRead = 16;
// A board full of pieces takes a few milliseconds to draw; it is drawn less often then, so that
// drawing never takes more than a twentieth of the search's time.
constexpr int kBoardShare = 20;

}  // namespace

TForm1::TForm1(const std::string& pieces_path, QWidget* parent)
    : QWidget(parent), solver_(std::make_unique<tessera::Solver>(*this)) {
    setObjectName("Form1");
    setWindowTitle("Tessera");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kPanelWidth + kBoardWidth, kPanelHeight);
    setFont(panel_font(kBodyFont));
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    make_controls();
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

    board_view = new BoardView(solver_->state(), this);
    board_view->setObjectName("BoardView");
    board_view->setGeometry(kPanelWidth, 0, kBoardWidth, kPanelHeight);
}

void TForm1::FormCreate() {
    solver_->FormCreate();
    if (solver_->pieces_status() != 0)
        show_status("Chybi " + QFileInfo(QString::fromStdString(solver_->pieces_path())).fileName());
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
    passes_since_clock_ = 0;
    next_pump_ = Clock::now() + kPumpInterval;
    next_board_draw_ = Clock::now() + kBoardInterval;
    solver_->Button1Click();
    searching_ = false;
    // A full board is checked again by code that did not build it, and the status says so.
    const tessera::SolverState& s = solver_->state();
    if (s.depth == tessera::kPieceCount)
        set_caption(Control::Label3, status_ + " " + tessera::tools::verdict(tessera::tools::check_stack(s)));
    show_pending_captions();
    board_view->update();
    if (close_pending_) {
        close_pending_ = false;
        close();
    }
}

bool TForm1::load_resume(const std::string& path) {
    Edit1->setText(QString::fromStdString(path));
    const bool loaded = solver_->nacti_reseni(path.c_str()) == 0;
    if (!loaded) show_status("Predesle reseni nelze nacist");
    board_view->update();
    return loaded;
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

void TForm1::pump_events() {
    if (++passes_since_clock_ < kPassesPerClockRead) return;
    passes_since_clock_ = 0;
    const Clock::time_point now = Clock::now();
    if (now < next_pump_) return;
    next_pump_ = now + kPumpInterval;
    show_pending_captions();
    if (now >= next_board_draw_) {
        next_board_draw_ = now + std::max<Clock::duration>(kBoardInterval, kBoardShare * board_view->paint_time());
        board_view->update();
    }
    QCoreApplication::processEvents();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!searching_) {
        event->accept();
        return;
    }
    // The search is stopped as the button stops it, so that it ends normally and writes its
    // result; the window closes once the search has returned.
    close_pending_ = true;
    if (solver_->state().running != 0) solver_->Button1Click();
    event->ignore();
}

void TForm1::show_status(const QString& text) {
    Label3->setText(text);
    fit_to_text(Label3, 0);
}

void TForm1::show_pending_captions() {
    if (status_changed_) show_status(from_utf8(status_));
    if (depth_changed_) {
        Label5->setText(from_utf8(depth_));
        fit_to_text(Label5, 0);
    }
    status_changed_ = depth_changed_ = false;
}
