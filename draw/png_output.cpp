#include "draw/png_output.h"

#include <QGuiApplication>

#include <cstdio>
#include <memory>

#include "draw/board_painter.h"
#include "app/solver.h"

namespace tessera::cli {

namespace {

// Qt's notes about the session it runs in (no runtime folder, no display) mean nothing to a
// command that only draws into a file.
void quiet_qt_messages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg || message.startsWith("QStandardPaths:")) return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

bool draw_placement_png(const std::string& placement, const std::string& pieces, const std::string& output,
                        std::string* why) {
    MemoryPanel panel;
    auto solver = std::make_unique<Solver>(panel);
    solver->set_pieces_path(pieces);
    solver->FormCreate();
    if (solver->pieces_status() != 0 || solver->nacti_reseni(placement.c_str()) != 0) {
        if (why) *why = "the placement does not load";
        return false;
    }
    // Text on an image needs a running application, though no display.
    qInstallMessageHandler(quiet_qt_messages);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tessera-png";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    BoardPaintOptions options;
    options.piece_numbers = true;
    return save_board_png(solver->state(), output, QSize(1000, 1000), options, why);
}

}  // namespace tessera::cli
