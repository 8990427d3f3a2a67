// tessera pieces: runs the start-up and prints the catalogue.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/solver.h"
#include "cli/commands.h"
#include "pieces/catalogue_text.h"
#include "search/atomic_file.h"
#include "draw/pictures.h"

namespace tessera::cli {

namespace {

struct PiecesOptions {
    std::string pieces = kPieceFile;
    std::string work_dir;
    std::string svg;
};

int run_pieces(const PiecesOptions& opt) {
    MemoryPanel panel;
    const std::unique_ptr<Solver> solver = start_up(panel, opt.work_dir, opt.pieces);
    if (!solver) return 2;
    if (!opt.svg.empty()) {
        if (const int err = write_file_atomically(opt.svg, draw::catalogue_svg(solver->state()))) {
            std::fprintf(stderr, "cannot write '%s' (%s)\n", opt.svg.c_str(), std::strerror(err));
            return 1;
        }
        std::printf("wrote %s\n", opt.svg.c_str());
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    write_catalogue(solver->state(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

Command add_pieces_command(CLI::App& app) {
    auto opt = std::make_shared<PiecesOptions>();
    CLI::App* sub = app.add_subcommand("pieces", "Read the piece file and print every orientation record and candidate list");
    sub->add_option("--pieces", opt->pieces, "piece source file")->capture_default_str();
    sub->add_option("--svg", opt->svg, "draw the catalogue into this SVG file instead of printing it");
    sub->add_option("-C", opt->work_dir, "working directory (relative paths are taken from it)");
    return {sub, [opt] { return run_pieces(*opt); }};
}

}  // namespace tessera::cli
