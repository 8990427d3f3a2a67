// The program's window: the control panel with the search parameters, the start/stop button,
// the status line and the reached depth, and the board beside it. It maps its controls onto
// ControlPanel; everything else is the solver's.
#pragma once

#include <QWidget>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "app/control_panel.h"
#include "app/solver.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class BoardView;

class TForm1 : public QWidget, public tessera::ControlPanel {
    Q_OBJECT

public:
    static constexpr int kPanelWidth = 327;
    static constexpr int kPanelHeight = 336;
    static constexpr int kBoardWidth = 336;

    // Runs FormCreate, which reads the piece file, before it returns.
    explicit TForm1(const std::string& pieces_path = "zdroj.txt", QWidget* parent = nullptr);
    ~TForm1() override;

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10, *Label11,
        *Label12, *Label13, *Label14, *Label16;
    QPushButton* Button1;
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11;
    QCheckBox* CheckBox1;
    BoardView* board_view;

    void FormCreate();
    void Button1Click();

    // Names the file in Edit1, as a user would type it, and loads it so that the board shows
    // it before the first press. False when it cannot be loaded.
    bool load_resume(const std::string& path);

    tessera::Solver& solver() { return *solver_; }
    bool searching() const { return searching_; }

    std::string text(tessera::Control edit) override;
    bool checked(tessera::Control box) override;
    void set_caption(tessera::Control control, std::string_view caption) override;
    void pump_events() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    using Clock = std::chrono::steady_clock;

    void make_controls();
    void show_status(const QString& text);
    void show_pending_captions();

    std::unique_ptr<tessera::Solver> solver_;
    bool searching_ = false;
    bool close_pending_ = false;

    // The search writes the status and the depth every 100 passes, far more often than anyone
    // can read them; they are kept here and shown when the window next handles its events.
    std::string status_, depth_;
    bool status_changed_ = false, depth_changed_ = false;

    int passes_since_clock_ = 0;
    Clock::time_point next_pump_, next_board_draw_;
};

extern TForm1* Form1;
