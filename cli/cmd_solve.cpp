// tessera solve: completes a board, or a limit region, by exact cover on every core, or a whole
// board by the fill. Every solution is verified by the independent checker before it is written
// or counted as written.
#include <CLI/CLI.hpp>

#include <memory>

#include "cli/commands.h"
#include "cli/options.h"
#include "solve/run.h"
#include "work/split_folder.h"

namespace tessera::cli {

Command add_solve_command(CLI::App& app) {
    auto opt = std::make_shared<solve::SolveOptions>();
    CLI::App* sub = app.add_subcommand(
        "solve", "Complete the board (or the limit region) on every core; write each solution");
    add_problem_options(*sub, *opt);
    auto* max = sub->add_option("--max-solutions", opt->max_solutions,
                                "find up to N solutions, written to solved_1.txt ... solved_N.txt")
                    ->check(whole_number_from(1, 1000000000));
    sub->add_flag("--count", opt->count, "count every solution; write none")->excludes(max);
    sub->add_option("--threads", opt->threads, "threads to search on [all cores]")->check(whole_number_from(1, 1024));
    add_seconds_option(sub, "--time-limit", opt->time_limit, "stop after this many seconds");
    sub->add_option("--checkpoint", opt->checkpoint,
                    "write the open subproblems and the counts here (first after 5 s, then every --checkpoint-every "
                    "seconds, and at the end)");
    add_seconds_option(sub, "--checkpoint-every", opt->checkpoint_every, "seconds between checkpoints [60]", true);
    sub->add_option("--continue", opt->continue_from,
                    "continue from a checkpoint, with its counts, and keep it up to date; the problem is the one it "
                    "names unless --pieces, --resume or a region option is given");
    sub->add_option("-o", opt->output, "the solution file (numbered with --max-solutions)")->capture_default_str();
    sub->add_flag("--quiet", opt->quiet, "no progress line on standard error");
    add_seconds_option(sub, "--progress-every-s", opt->progress_every_s,
                       "seconds between two plain progress lines when standard error is no terminal [10]", true);
    auto* manifest = sub->add_option("--manifest", opt->manifest, "solve one work unit of this split folder (with --unit)");
    sub->add_option("--unit", opt->unit, "the unit to solve, from 1; its result goes beside it")
        ->check(whole_number_from(1, 1000000000))
        ->needs(manifest);
    sub->add_flag("--walk", opt->walk,
                  "the exact walk even where the fill takes over (a board with more than 100 free pieces)");
    sub->add_option("--seed", opt->seed, "seed of the fill's random choices: the same seed, the same board on one "
                                         "thread [1]")
        ->check(whole_number_from(0, 4000000000000000000));
    sub->footer(
        "A board with more than 100 free pieces (an empty board, a short resume placement) goes to the fill: "
        "sweeps across the board on every thread (every other one in rings from the border in), lifting and "
        "refilling windows by exact cover, the first full board ends the run; the fullest placement so far is kept "
        "in solved_best.txt (beside -o). --count, --checkpoint, --continue, --max-solutions above 1, --limits and "
        "--walk use the exact walk, which proves what it does not find.");
    return {sub, [opt, sub] {
                note_problem_given(*sub, *opt);
                opt->hooks = terminal_hooks(opt->quiet, opt->progress_every_s);
                return opt->manifest.empty() ? solve::run_solve(*opt) : work::run_unit(*opt);
            }};
}

}  // namespace tessera::cli
