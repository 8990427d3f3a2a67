// tessera sweep and tessera sweep-report: run the search for many first points, on this
// machine's cores or as a Slurm job array, and gather what each run reached. Each setting runs
// as a `tessera search` process of its own in its own folder, its output kept in "search.log".
#include <CLI/CLI.hpp>


#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "app/files.h"
#include "app/search_params.h"
#include "app/solver.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "work/sweep.h"
#include "work/sweep_run.h"


namespace tessera::cli {

namespace {

namespace fs = std::filesystem;
using work::SweepPlan;
using work::SweepSetting;

struct SweepOptions {
    std::vector<std::string> firsts;
    bool first_all = false;
    bool limits = false;
    std::string pairs[4];  // --start, --end, --margin-start, --margin-end as "X,Y"
    std::string pieces = kPieceFile;
    double time_limit = 0;
    std::string dir;
    bool slurm = false;
    unsigned jobs = std::max(1u, std::thread::hardware_concurrency());
    int task = 0;  // with a value: run only this setting (from 1) of the existing sweep
};

// The limit options that every setting shares, in the order of SweepOptions::pairs.
std::array<const ParamSpec*, 4> shared_pair_entries() {
    std::array<const ParamSpec*, 4> entries{};
    std::size_t n = 0;
    for (const ParamSpec& entry : kParamTable)
        if (entry.part == 0 && std::string_view(entry.option) != "--first" && n < entries.size()) entries[n++] = &entry;
    return entries;
}

// The limit pairs that every setting shares, the window's defaults where not given.
bool shared_params_from_options(const SweepOptions& opt, SearchParams& params) {
    params.use_limits = opt.limits ? 1 : 0;
    const auto entries = shared_pair_entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ParamSpec& x = *entries[i];
        const ParamSpec& y = *(&x + 1);
        params.*x.field = atol_rule(x.default_text);
        params.*y.field = atol_rule(y.default_text);
        if (!opt.pairs[i].empty() && !work::parse_pair(opt.pairs[i], params.*x.field, params.*y.field)) {
            std::fprintf(stderr, "%s: '%s' is not a pair X,Y of whole numbers\n", x.option, opt.pairs[i].c_str());
            return false;
        }
    }
    return true;
}

// One setting per --first, each on the board and none twice.
bool settings_from_options(const SweepOptions& opt, SweepPlan& plan) {
    for (const std::string& text : opt.firsts) {
        SweepSetting s;
        if (!work::parse_pair(text, s.first_x, s.first_y)) {
            std::fprintf(stderr, "--first: '%s' is not a pair X,Y of whole numbers\n", text.c_str());
            return false;
        }
        const std::string fault = params_fault(work::setting_params(plan, s)).line;
        const bool twice = std::any_of(plan.settings.begin(), plan.settings.end(), [&](const SweepSetting& e) {
            return e.first_x == s.first_x && e.first_y == s.first_y;
        });
        if (!fault.empty() || twice) {
            std::fprintf(stderr, "--first: %s\n", twice ? (text + " is given twice").c_str() : fault.c_str());
            return false;
        }
        plan.settings.push_back(s);
    }
    return true;
}

// The plan from the options; one line and false on a fault.
bool plan_from_options(const SweepOptions& opt, SweepPlan& plan) {
    plan.time_limit = opt.time_limit;
    return shared_params_from_options(opt, plan.params) && settings_from_options(opt, plan);
}

int run_sweep(const SweepOptions& opt) {
    if (opt.task != 0) return work::run_sweep_task(opt.dir, opt.task);
    SweepPlan plan;
    if (!plan_from_options(opt, plan)) return 2;
    MemoryPanel panel;
    const std::unique_ptr<Solver> solver = start_up(panel, "", opt.pieces);
    if (!solver) return 2;
    if (opt.first_all) plan.settings = work::anchor_cells(*solver, plan.params);
    if (plan.settings.empty()) {
        std::fprintf(stderr, "%s: no board cell can take a first piece\n", opt.pieces.c_str());
        return 2;
    }
    // The job script names the folder in #SBATCH lines, which take no quoting.
    if (opt.slurm && fs::absolute(opt.dir).string().find_first_of(" \t\n'\"") != std::string::npos) {
        std::fprintf(stderr, "-o: '%s' holds a blank or a quote, which a job script cannot name\n", opt.dir.c_str());
        return 2;
    }
    if (!work::make_sweep_folder(opt.dir, opt.pieces, plan)) return 2;
    if (opt.slurm) return work::write_sweep_job(opt.dir, plan);
    return work::run_sweep_locally(opt.dir, plan, opt.jobs);
}


}  // namespace

Command add_sweep_command(CLI::App& app) {
    auto opt = std::make_shared<SweepOptions>();
    CLI::App* sub = app.add_subcommand(
        "sweep", "Run the search for many first points, on this machine's cores or as a Slurm job array");
    CLI::Option* first = sub->add_option("--first", opt->firsts, "a first point X,Y (repeat for more settings)")
                             ->type_name("X,Y");
    sub->add_flag("--first-all", opt->first_all, "every board cell on which some piece can lie as the first piece")
        ->excludes(first);
    sub->add_flag("--limits", opt->limits, "switch the limit rectangle on, in every setting");
    const auto entries = shared_pair_entries();
    for (int i = 0; i < 4; ++i)
        sub->add_option(entries[i]->option, opt->pairs[i],
                        std::string(entries[i]->help) + " [" + entries[i]->default_text + "," +
                            (entries[i] + 1)->default_text + "]")
            ->type_name("X,Y");
    sub->add_option("--pieces", opt->pieces, "piece source file")->capture_default_str();
    add_seconds_option(sub, "--time-limit", opt->time_limit, "seconds of search per setting", true);
    sub->add_option("-o", opt->dir, "the sweep folder (new, or empty): one working folder per setting")->required();
    sub->add_flag("--slurm", opt->slurm,
                  "write DIR/job.sbatch, a job array with one task per setting, and run nothing");
    sub->add_option("--jobs", opt->jobs, "settings run at once on this machine [the number of cores]")
        ->check(whole_number_from(1, 1000000000));
    sub->add_option("--task", opt->task, "run only setting N (from 1) of the existing sweep DIR (the job array's task)")
        ->check(whole_number_from(1, 1000000000));
    return {sub, [opt]() {
                if (opt->task == 0 && (opt->time_limit <= 0 || (opt->firsts.empty() && !opt->first_all))) {
                    std::fprintf(stderr, "sweep: needs --time-limit and --first X,Y or --first-all\n");
                    return 2;
                }
                return run_sweep(*opt);
            }};
}

Command add_sweep_report_command(CLI::App& app) {
    auto dir = std::make_shared<std::string>();
    CLI::App* sub = app.add_subcommand(
        "sweep-report",
        "Per setting of a sweep: state, passes, deepest depth, fewest unfilled region cells and the \"var_\" files, "
        "each checked; also written to DIR/report.csv. Exit status 3 while settings are not done, 1 when a file "
        "fails its check");
    sub->add_option("DIR", *dir, "the sweep folder")->required();
    return {sub, [dir] { return work::report_sweep(*dir); }};
}

}  // namespace tessera::cli
