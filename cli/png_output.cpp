#include "cli/png_output.h"

#include <QGuiApplication>

#include <cstdio>
#include <memory>

#include "app/board_painter.h"

namespace tessera::cli {

namespace {

// Qt's notes about the session it runs in (no runtime folder, no display) mean nothing to a
// command that only draws into a file.
void quiet_qt_messages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg || message.startsWith("QStandardPaths:")) return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

bool png_available() { return true; }

bool write_board_png(const SolverState& state, const std::string& path, std::string* why) {
    // Text on an image needs a running application, though no display.
    std::unique_ptr<QGuiApplication> app;
    if (!QCoreApplication::instance()) {
        qInstallMessageHandler(quiet_qt_messages);
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tessera";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    BoardPaintOptions options;
    options.piece_numbers = true;
    return save_board_png(state, path, QSize(1000, 1000), options, why);
}

}  // namespace tessera::cli
