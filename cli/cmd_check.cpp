// tessera check: whether a placement file is a valid placement of the pieces, and whether it
// fills the board.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>

#include "app/solver.h"
#include "cli/commands.h"
#include "search/placement_file.h"
#include "check/checker.h"

namespace tessera::cli {

namespace {

struct CheckOptions {
    std::string placement;
    std::string pieces = kPieceFile;
    std::string work_dir;
    bool full = false;
};

// Each fault line, but no more than a screenful of one kind.
void print_lines(const std::vector<std::string>& lines, std::size_t most) {
    for (std::size_t i = 0; i < lines.size() && i < most; ++i) std::printf("  %s\n", lines[i].c_str());
    if (lines.size() > most) std::printf("  ... and %zu more\n", lines.size() - most);
}

int run_check(const CheckOptions& opt) {
    MemoryPanel panel;
    const std::unique_ptr<Solver> solver = start_up(panel, opt.work_dir, opt.pieces);
    if (!solver) return 2;

    auto list = std::make_unique<PlacementList>();
    if (!read_placements(opt.placement, *list)) return 1;
    const check::PlacementReport report = check::check_placement(solver->state().prvky, *list, opt.placement);

    std::printf("%s: %d pieces placed\n", opt.placement.c_str(), report.placed);
    std::printf("cells not complete: %d\n", report.incomplete);
    if (opt.full) print_lines(report.incomplete_cells, 20);
    std::printf("cells over-full: %zu\n", report.overfull.size());
    print_lines(report.overfull, 20);
    std::printf("cells whose halves do not complete each other: %zu\n", report.unmatched.size());
    print_lines(report.unmatched, 20);
    std::printf("pieces used twice: %zu\n", report.twice.size());
    print_lines(report.twice, 20);
    const struct {
        const char* what;
        const std::vector<std::string>& lines;
    } rare[] = {{"pieces without a shape", report.shapeless},
                {"piece cells off the board", report.off_board},
                {"pieces on cells that point the other way", report.misturned}};
    for (const auto& kind : rare)
        if (!kind.lines.empty()) {
            std::printf("%s: %zu\n", kind.what, kind.lines.size());
            print_lines(kind.lines, 20);
        }

    const bool ok = opt.full ? report.complete() : report.valid();
    if (report.complete())
        std::printf("verified: a valid placement that fills the board\n");
    else if (report.valid())
        std::printf("%s: a valid placement, %d cells not complete\n", opt.full ? "not full" : "valid",
                    report.incomplete);
    else
        std::printf("not valid\n");
    std::fflush(stdout);
    return ok ? 0 : 1;
}

}  // namespace

Command add_check_command(CLI::App& app) {
    auto opt = std::make_shared<CheckOptions>();
    CLI::App* sub = app.add_subcommand(
        "check", "Check a placement file against the pieces: exit status 0 only for a valid placement");
    sub->add_option("placement", opt->placement, "placement file (lines \"piece row col orientation\")")->required();
    sub->add_option("--pieces", opt->pieces, "piece source file")->capture_default_str();
    sub->add_flag("--full", opt->full, "exit status 0 only when the placement also fills the whole board");
    sub->add_option("-C", opt->work_dir, "working directory (relative paths are taken from it)");
    return {sub, [opt] { return run_check(*opt); }};
}

}  // namespace tessera::cli
