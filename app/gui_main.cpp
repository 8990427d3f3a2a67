// tessera-gui: the solver's window.
#include <QApplication>
#include <QCommandLineParser>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "app/Unit1.h"
#include "draw/board_painter.h"

namespace {

struct Options {
    std::string pieces, dir, screenshot, resume;
};

// The platform has to be chosen before the application object exists, so this one option is
// looked for before the others are parsed.
bool asks_for_screenshot(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--screenshot") == 0 || std::strncmp(argv[i], "--screenshot=", 13) == 0) return true;
    return false;
}

// A usage error ends the program with status 2 and one line, as the command line does.
[[noreturn]] void usage_error(const QString& what) {
    std::fprintf(stderr, "tessera-gui: %s (see --help)\n", what.toLocal8Bit().constData());
    std::exit(2);
}

Options parse(const QApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Tessera: the solver's window");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption pieces("pieces", "Piece source file, read at start-up.", "FILE", tessera::kPieceFile);
    const QCommandLineOption dir("C", "Working directory: every file is read and written there.", "DIR");
    const QCommandLineOption screenshot(
        "screenshot", "Save a picture of the window after start-up (and after --resume) and exit.", "FILE.png");
    const QCommandLineOption resume("resume", "Placement file to show on the board and to name in the resume field.",
                                    "FILE");
    parser.addOptions({pieces, dir, screenshot, resume});
    if (!parser.parse(app.arguments())) usage_error(parser.errorText());
    if (parser.isSet("help")) parser.showHelp(0);
    if (parser.isSet("version")) parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        usage_error("'" + parser.positionalArguments().first() + "' is not an option");
    return {parser.value(pieces).toStdString(), parser.value(dir).toStdString(), parser.value(screenshot).toStdString(),
            parser.value(resume).toStdString()};
}

int save_screenshot(TForm1& form, const std::string& path) {
    form.show();
    QCoreApplication::processEvents();
    std::string why;
    if (tessera::save_png(form.grab().toImage(), path, &why)) return 0;
    std::fprintf(stderr, "cannot write '%s' (%s)\n", path.c_str(), why.c_str());
    return 1;
}

int run(QApplication& app, const Options& opt) {
    if (!opt.dir.empty() && ::chdir(opt.dir.c_str()) != 0) {
        std::fprintf(stderr, "cannot use '%s' as the working directory (%s)\n", opt.dir.c_str(), std::strerror(errno));
        return 2;
    }
    TForm1 form(opt.pieces);
    Form1 = &form;
    const bool loaded = opt.resume.empty() || form.load_resume(opt.resume);
    int status = 0;
    if (!opt.screenshot.empty()) {
        status = save_screenshot(form, opt.screenshot);
        if (status == 0 && !loaded) status = 1;
    } else {
        form.close_on_stop_signals();
        form.show();
        status = app.exec();
    }
    Form1 = nullptr;
    return status;
}

}  // namespace

// Without a display, the answers that need no window (help, version, usage errors) are given
// offscreen instead of the platform refusing to start.
bool has_display() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int main(int argc, char** argv) {
    const bool no_window = !asks_for_screenshot(argc, argv) && !has_display();
    if ((asks_for_screenshot(argc, argv) || no_window) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("tessera-gui");
    QApplication::setApplicationVersion(TESSERA_VERSION);
    const Options opt = parse(app);
    if (no_window && qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        std::fprintf(stderr, "tessera-gui: no display to show the window on (set DISPLAY, or save a picture with "
                             "--screenshot FILE.png)\n");
        return 2;
    }
    try {
        return run(app, opt);
    } catch (const std::exception& e) {
        // Reported, and the program ends as it does when its window is closed.
        std::fprintf(stderr, "tessera-gui: %s\n", e.what());
        return 0;
    }
}
