#include "draw/png_output.h"

#include <QGuiApplication>

#include <cstdio>
#include <memory>

#include "app/solver.h"
#include "app/start_up.h"
#include "draw/board_painter.h"
#include "draw/pictures.h"

namespace tessera::cli {

namespace {

// Qt's notes about the session it runs in (no runtime folder, no display) mean nothing to a
// command that only draws into a file.
void quiet_qt_messages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg || message.startsWith("QStandardPaths:")) return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

bool draw_placement_png(const PngRequest& request, std::string* why) {
    MemoryPanel panel;
    auto solver = std::make_unique<Solver>(panel);
    solver->set_pieces_path(request.pieces);
    solver->FormCreate();
    auto list = std::make_unique<PlacementList>();
    // Both say why on standard error themselves.
    if (solver->pieces_status() != 0 || !read_placements(request.placement, *list)) return false;
    const draw::BoardModel model =
        draw::placement_picture(*solver, *list, request.placement, request.pieces, request.spots);

    // Text on an image needs a running application, though no display.
    qInstallMessageHandler(quiet_qt_messages);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tessera-png";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    std::string fault;
    const QImage image = render_board(model, QSize(draw::kPictureWidth, draw::kPictureHeight));
    if (save_png(image, request.output, &fault)) return true;
    if (why) *why = "cannot write it (" + fault + ")";
    return false;
}

}  // namespace tessera::cli
