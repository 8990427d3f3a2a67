// tessera split, tessera merge, tessera work: the options of the work units, handed to work/.
#include <CLI/CLI.hpp>

#include <memory>

#include "cli/commands.h"
#include "cli/options.h"
#include "work/claims.h"
#include "work/merge.h"
#include "work/split_folder.h"

namespace tessera::cli {

Command add_work_command(CLI::App& app) {
    auto opt = std::make_shared<work::WorkOptions>();
    CLI::App* sub = app.add_subcommand(
        "work", "Claim and solve the units of split folders one after another (what a job array task runs)");
    sub->add_option("--task", opt->task, "this task's name in DIR/claims (the array task's index)")->required();
    sub->add_option("--job", opt->job, "the job's id, noted beside the task's name");
    sub->add_flag("--take-over", opt->take_over,
                  "also continue units held by other tasks; only once no task of the array runs");
    sub->add_option("--threads", opt->threads, "threads for each unit")->check(whole_number_from(1, 1024))->capture_default_str();
    sub->add_option("DIR", opt->dirs, "split folders, in the order their units are claimed")->required();
    return {sub, [opt] { return work::run_work(*opt); }};
}

Command add_split_command(CLI::App& app) {
    auto opt = std::make_shared<work::SplitOptions>();
    CLI::App* sub = app.add_subcommand(
        "split", "Cut a solve into work units in a new folder: one placement file per unit and a manifest");
    add_problem_options(*sub, *opt);
    auto* max = sub->add_option("--max-solutions", opt->max_solutions, "solutions each unit (and the merge) writes")
                    ->check(whole_number_from(1, 1000000000));
    sub->add_flag("--count", opt->count, "the units count every solution and write none")->excludes(max);
    sub->add_option("--units", opt->units, "at least this many units (fewer when the tree is smaller)")
        ->required()
        ->check(whole_number_from(1, 10000000));
    sub->add_option("-o", opt->dir, "the split folder (new, or empty)")->required();
    sub->add_flag("--slurm", opt->slurm, "also write DIR/job.sbatch: a job array whose tasks claim and solve the units");
    sub->add_option("--units-per-task", opt->per_task, "the job array has one task per this many units")
        ->check(whole_number_from(1, 10000000))
        ->capture_default_str();
    return {sub, [opt] { return work::run_split(*opt); }};
}

Command add_merge_command(CLI::App& app) {
    auto opt = std::make_shared<work::MergeOptions>();
    CLI::App* sub = app.add_subcommand(
        "merge", "Add up the units' results of a split folder, each checked; exit status 3 while units are not done");
    sub->add_option("DIR", opt->dir, "the split folder")->required();
    sub->add_option("-o", opt->output, "where the solutions go, in unit order [DIR/solved.txt]");
    sub->add_option("--times", opt->times, "also write each done unit's seconds here, for tessera replay-units");
    sub->add_flag("--list", opt->list, "a line for every unit: done, not done, stopped or failed");
    return {sub, [opt] { return work::run_merge(*opt); }};
}

}  // namespace tessera::cli
