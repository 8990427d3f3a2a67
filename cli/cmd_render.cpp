// tessera render: a picture of a placement on the board.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/files.h"
#include "app/solver.h"
#include "app/start_up.h"
#include "app/text.h"
#include "cli/commands.h"
#include "draw/png_output.h"
#include "search/atomic_file.h"
#include "search/placement_file.h"
#include "check/checker.h"
#include "draw/pictures.h"

namespace tessera::cli {

namespace {

struct RenderOptions {
    std::string placement;
    std::string pieces = kPieceFile;
    std::string output;
    std::string work_dir;
    bool spots = false;
};

bool ends_with(const std::string& s, const char* tail) {
    const std::size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

int wrote(const RenderOptions& opt, const check::PlacementReport& report) {
    std::printf("wrote %s: %d pieces, %d cells not complete\n", opt.output.c_str(), report.placed, report.incomplete);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// Both formats draw the same picture of the same model; PNG is drawn by tessera-png.
int write_picture(Solver& solver, const RenderOptions& opt, const PlacementList& list, bool spots) {
    if (ends_with(opt.output, ".png")) {
        std::string why;
        if (draw_placement_png({opt.placement, opt.pieces, opt.output, spots}, &why)) return 0;
        if (!why.empty()) std::fprintf(stderr, "-o %s: %s\n", opt.output.c_str(), why.c_str());
        return 1;
    }
    const draw::BoardModel model = draw::placement_picture(solver, list, opt.placement, opt.pieces, spots);
    if (const int err = write_file_atomically(opt.output, draw::board_svg(model))) {
        std::fprintf(stderr, "cannot write '%s' (%s)\n", opt.output.c_str(), std::strerror(err));
        return 1;
    }
    return 0;
}

int run_render(const RenderOptions& opt) {
    if (!ends_with(opt.output, ".png") && !ends_with(opt.output, ".svg")) {
        std::fprintf(stderr, "-o %s: the picture's name must end in .svg (or .png)\n", opt.output.c_str());
        return 2;
    }
    MemoryPanel panel;
    const std::unique_ptr<Solver> solver = start_up(panel, opt.work_dir, opt.pieces);
    if (!solver) return 2;
    // The output is tried before anything is drawn, so that a path that cannot be written is
    // named as the fault rather than the drawing.
    if (const std::string fault = output_fault(opt.output, OutputKind::FileOrDevice); !fault.empty()) {
        std::fprintf(stderr, "-o: cannot write '%s' (%s)\n", opt.output.c_str(), fault.c_str());
        return 2;
    }

    auto list = std::make_unique<PlacementList>();
    if (!read_placements(opt.placement, *list)) return 1;
    const check::PlacementReport report = check::check_placement(solver->state().prvky, *list, opt.placement);
    // A faulty placement is still drawn, overlaps and all: that is when a picture helps most.
    if (!report.valid())
        std::fprintf(stderr, "%s: not a valid placement (%s); drawn as it is\n", opt.placement.c_str(),
                     check::verdict(report).c_str());
    // The open spots are those the solver itself rebuilds when it resumes from the file.
    if (opt.spots && !report.valid())
        std::fprintf(stderr, "%s: open spots are drawn only for a valid placement\n", opt.placement.c_str());
    if (const int status = write_picture(*solver, opt, *list, opt.spots && report.valid())) return status;
    return wrote(opt, report);
}

}  // namespace

Command add_render_command(CLI::App& app) {
    auto opt = std::make_shared<RenderOptions>();
    CLI::App* sub = app.add_subcommand("render", "Draw a placement file on the board as an SVG or PNG picture");
    sub->add_option("placement", opt->placement, "placement file (lines \"piece row col orientation\")")->required();
    sub->add_option("--pieces", opt->pieces, "piece source file")->capture_default_str();
    sub->add_option("-o", opt->output, "picture to write: FILE.svg or FILE.png")->required();
    sub->add_flag("--spots", opt->spots, "mark the open spots that the placement leaves, with their kinds");
    sub->add_option("-C", opt->work_dir, "working directory (relative paths are taken from it)");
    return {sub, [opt] { return run_render(*opt); }};
}

}  // namespace tessera::cli
