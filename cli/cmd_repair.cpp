// tessera repair: completes any placement to a full board, lifting as few of its pieces as it
// can; the fullest placement so far is kept in the output all along.
#include <CLI/CLI.hpp>

#include <memory>

#include "cli/commands.h"
#include "cli/options.h"
#include "solve/fill_run.h"

namespace tessera::cli {

Command add_repair_command(CLI::App& app) {
    auto opt = std::make_shared<solve::RepairOptions>();
    CLI::App* sub = app.add_subcommand(
        "repair", "Complete a placement that does not close to a full board, lifting as few pieces as needed");
    sub->add_option("placement", opt->placement, "the placement to repair (lines \"piece row col orientation\")")
        ->required()
        ->type_name("FILE");
    sub->add_option("--pieces", opt->pieces, "piece source file")->capture_default_str()->type_name("FILE");
    sub->add_option("-o", opt->output, "the repaired board, and the fullest placement so far until there is one")
        ->capture_default_str()
        ->type_name("FILE");
    sub->add_option("--threads", opt->threads, "threads to work on [all cores]")->check(whole_number_from(1, 1024));
    add_seconds_option(sub, "--time-limit", opt->time_limit, "stop after this many seconds");
    sub->add_option("--seed", opt->seed, "seed of the random choices: the same seed, the same board on one thread [1]")
        ->check(whole_number_from(0, 4000000000000000000));
    sub->add_flag("--quiet", opt->quiet, "no progress line on standard error");
    add_seconds_option(sub, "--progress-every-s", opt->progress_every_s,
                       "seconds between two plain progress lines when standard error is no terminal [10]", true);
    sub->add_option("-C", opt->work_dir, "working directory: the files are read and written there")->type_name("DIR");
    return {sub, [opt] {
                opt->hooks = terminal_hooks(opt->quiet, opt->progress_every_s);
                return solve::run_repair(*opt);
            }};
}

}  // namespace tessera::cli
