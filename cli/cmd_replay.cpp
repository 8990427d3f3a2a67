// tessera replay-units: how busy would P ranks be with these work-unit times under the dynamic
// hand-out, with and without re-splitting the big units at the end?
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>

#include "cli/commands.h"
#include "cli/options.h"
#include "work/replay.h"

namespace tessera::cli {

namespace {

struct ReplayOptions {
    std::string times_file;
    std::vector<int> ranks = {16, 256, 1024};
    bool resplit = false;
    double min_piece = 1.0;
};

int run_replay(const ReplayOptions& opt) {
    std::vector<double> times;
    const std::string fault = work::read_unit_times(opt.times_file, times);
    if (!fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return 2;
    }
    std::fputs(work::time_distribution(times).c_str(), stdout);
    for (const int p : opt.ranks) {
        const work::ReplayResult plain = work::replay_units(times, p);
        std::printf("ranks=%d makespan=%.6g efficiency=%.4f", p, plain.makespan, plain.efficiency);
        if (opt.resplit) {
            const work::ReplayResult split = work::replay_units(times, p, opt.min_piece);
            std::printf(" resplit_makespan=%.6g resplit_efficiency=%.4f splits=%ld", split.makespan, split.efficiency,
                        split.splits);
        }
        std::printf("\n");
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

Command add_replay_units_command(CLI::App& app) {
    auto opt = std::make_shared<ReplayOptions>();
    CLI::App* sub = app.add_subcommand(
        "replay-units",
        "Replay work-unit times through the dynamic hand-out (each idle rank takes the next unit in order) and print "
        "the efficiency, total time / (P x the time the last unit ends), for each number of ranks P");
    sub->add_option("TIMES_FILE", opt->times_file, "unit times in seconds, in hand-out order; '#' starts a comment")
        ->required();
    sub->add_option("--ranks", opt->ranks, "numbers of ranks P, comma-separated")
        ->delimiter(',')
        ->check(whole_number_from(1, work::kMostRanks))
        ->capture_default_str();
    sub->add_flag("--resplit", opt->resplit,
                  "also replay with re-splitting: once the queue is empty, an idle rank takes half of what is left of "
                  "the running unit with the most left, if that half is at least --min-piece seconds (a free, even "
                  "split: the best re-splitting can do)");
    add_seconds_option(sub, "--min-piece", opt->min_piece, "smallest half worth handing out, in seconds [1]", true);
    return {sub, [opt] { return run_replay(*opt); }};
}

}  // namespace tessera::cli
