// The program's window: the control panel with the search parameters, the start/stop button,
// the status line and the reached depth; beside it the board, which grows with the window, and
// under the board a strip of what the search is doing and the last message of the solver. It
// maps its controls onto ControlPanel; everything else is the solver's.
#pragma once

#include <QSize>
#include <QString>
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
    // The board's size when the window opens; it grows and shrinks with the window.
    static constexpr int kBoardWidth = 640;
    static constexpr int kBoardHeight = 620;
    // The strip's least height; it grows when its lines need more.
    static constexpr int kStripHeight = 48;

    // Runs FormCreate, which reads the piece file, before it returns.
    explicit TForm1(const std::string& pieces_path = tessera::kPieceFile, QWidget* parent = nullptr);
    ~TForm1() override;

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10, *Label11,
        *Label12, *Label13, *Label14, *Label16;
    QPushButton* Button1;
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11;
    QCheckBox* CheckBox1;
    BoardView* board_view;
    QLabel* info_strip;

    void FormCreate();
    void Button1Click();

    // Names the file in Edit1, as a user would type it, and loads it so that the board shows
    // it before the first press. False when it cannot be loaded.
    bool load_resume(const std::string& path);

    // What the board's context menu does once a file is chosen: a PNG of the board as the view
    // draws it, at the size shown or larger, under a title line; and the placement on the board
    // as a placement file. False (after a message in the strip) when the file cannot be written.
    bool save_picture(const std::string& path);
    bool save_placement(const std::string& path);
    // The size of the picture that save_picture writes.
    QSize picture_size() const;

    // The status line in full; Label3 shows it cut short, with the full text as its tooltip,
    // when it is wider than the room beside its caption.
    const QString& status() const { return status_text_; }

    // The search waits while a menu or a dialog of the window runs its own event loop; the
    // strip says so for as long as the returned guard lives.
    class Pause;
    [[nodiscard]] std::unique_ptr<Pause> pause_search(const char* while_what);

    // From now on SIGINT and SIGTERM close the window as its close button does: a running
    // search stops and writes its result first.
    void close_on_stop_signals();

    tessera::Solver& solver() { return *solver_; }
    bool searching() const { return searching_; }
    // The last line the solver reported, as the strip shows it.
    const std::string& last_message() const { return message_; }

    std::string text(tessera::Control edit) override;
    bool checked(tessera::Control box) override;
    void set_caption(tessera::Control control, std::string_view caption) override;
    bool pump_events(const tessera::SolverState& state) override;
    void report(std::string_view line) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    using Clock = std::chrono::steady_clock;

    void make_controls();
    void make_board();
    void lay_out();
    void fields_changed();
    void show_marks();
    std::string notes() const;
    std::string board_source() const;
    void show_status(const QString& text);
    void show_pending_captions();
    void show_end_of_search();
    void show_info();
    void show_board_menu(const QPoint& at);

    std::unique_ptr<tessera::Solver> solver_;
    bool searching_ = false;
    bool close_pending_ = false;

    // The search writes the status and the depth every 100 passes, far more often than anyone
    // can read them; they are kept here and shown when the window next handles its events.
    std::string status_, depth_;
    bool status_changed_ = false, depth_changed_ = false;

    std::string message_;
    QString status_text_;
    Clock::time_point search_started_;
    double search_seconds_ = 0;
    // Time spent paused in this search, and what the search waits for ("" while it runs).
    Clock::duration paused_for_{};
    Clock::time_point pause_started_;
    std::string paused_while_;
    // Whether the marks show the parameters of the running search yet.
    bool marks_follow_search_ = false;
    // The first point in the fields when the board last came to be (start-up, a load, a start):
    // a first point edited since then applies only once the board is empty again.
    tessera::i32 board_first_x_ = 0, board_first_y_ = 0;
    std::string loaded_from_;  // the placement file the board was loaded from, until a search
    bool searched_ = false;

    int passes_since_clock_ = 0;
    Clock::time_point next_pump_, next_display_, next_board_draw_;
};

extern TForm1* Form1;
