// tessera-gui-speed: how many passes per second the search makes inside the window, with its
// event pump and its live board, for comparison with `tessera search --max-steps N`.
//
//   tessera-gui-speed PIECES N [X Y]
//
// Starts the window on PIECES in the current directory (X, Y: the first point), presses the
// button, stops the search after N passes as the command line's step limit does (by answering
// the search's "go on?"), and prints the passes, the time and the rate.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>

#include "app/Unit1.h"
#include "app/board_view.h"

namespace {

class TimedForm : public TForm1 {
public:
    TimedForm(const char* pieces, long long passes) : TForm1(pieces), passes_(passes) {}

    bool pump_events(const tessera::SolverState& s) override {
        return TForm1::pump_events(s) && s.step_count < passes_;
    }

private:
    long long passes_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s PIECES N [X Y]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TimedForm form(argv[1], std::atoll(argv[2]));
    if (argc == 5) {
        form.Edit10->setText(argv[3]);
        form.Edit11->setText(argv[4]);
    }
    form.show();
    QCoreApplication::processEvents();

    const auto drawn_before = form.board_view->total_paint_time();
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpu_start = std::clock();
    form.Button1->click();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double cpu_seconds = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;

    const long long passes = form.solver().state().step_count;
    const double drawing = std::chrono::duration<double>(form.board_view->total_paint_time() - drawn_before).count();
    std::printf("%lld passes in %.2f s (%.0f passes/s, %.0f per CPU second), board drawn %ld times (%.1f%% of the "
                "time)\n",
                passes, seconds, seconds > 0 ? static_cast<double>(passes) / seconds : 0.0,
                cpu_seconds > 0 ? static_cast<double>(passes) / cpu_seconds : 0.0, form.board_view->paints(),
                seconds > 0 ? 100 * drawing / seconds : 0.0);
    return 0;
}
