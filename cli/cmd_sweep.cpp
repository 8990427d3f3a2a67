// tessera sweep and tessera sweep-report: run the search for many first points, on this
// machine's cores or as a Slurm job array, and gather what each run reached. Each setting runs
// as a `tessera search` process of its own in its own folder, its output kept in "search.log".
#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/files.h"
#include "app/search_params.h"
#include "app/stop_signals.h"
#include "app/solver.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "search/atomic_file.h"
#include "work/sweep.h"

extern char** environ;

namespace tessera::cli {

namespace {

// A search's log: its last status lines and a few of its own.
constexpr std::size_t kLogLimit = std::size_t{16} << 20;

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

// The stop signals end the searches that run and start no more; each search ends cleanly and
// its log is kept, marked as stopped.
volatile std::sig_atomic_t g_stopped = 0;
constexpr int kMaxChildren = 256;
std::atomic<pid_t> g_children[kMaxChildren];

extern "C" void on_sweep_signal(int) {
    g_stopped = 1;
    for (std::atomic<pid_t>& child : g_children) {
        const pid_t pid = child.load();
        if (pid > 0) ::kill(pid, SIGTERM);
    }
}

void catch_sweep_signals() { tessera::catch_stop_signals(on_sweep_signal); }

// Starts `tessera ARGS` with standard output and standard error in `out_path`; 0 or an errno.
int spawn_tessera(std::vector<std::string> args, const fs::path& out_path, pid_t& pid) {
    args.insert(args.begin(), own_binary());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int err = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return err;
}

// The exit status of a child, or 128 + the signal that ended it.
int wait_status(pid_t pid) {
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0)
        if (errno != EINTR) return 127;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// Runs `tessera search` for one setting in its folder with its output in a scratch file, and
// then keeps that output, with the way it ended, as the setting's "search.log" (so a log is
// there only for a run that ended, and a rerun replaces it whole).
int run_setting(const std::string& dir, const SweepPlan& plan, std::size_t index, int slot) {
    const SweepSetting& setting = plan.settings[index];
    const fs::path folder = fs::path(dir) / work::setting_folder(setting);
    const fs::path scratch = folder / ".search.log.part";
    std::vector<std::string> args = work::search_args(plan, setting);
    args.insert(args.end(), {"-C", folder.string()});
    pid_t pid = 0;
    const int spawned = g_stopped ? ECANCELED : spawn_tessera(args, scratch, pid);
    if (spawned != 0) {
        std::fprintf(stderr, "%s: the search could not be started (%s)\n", folder.c_str(), std::strerror(spawned));
        return 1;
    }
    g_children[slot].store(pid);
    const int status = wait_status(pid);
    g_children[slot].store(0);
    const std::string log = read_text_file(scratch.string(), kLogLimit).text + (g_stopped ? "sweep: stopped\n" : "") +
                            "sweep: status=" + std::to_string(status) + "\n";
    if (!write_or_say((folder / work::kSearchLog).string(), log)) return 1;
    fs::remove(scratch);
    return status;
}

// The settings one after another on `jobs` worker threads, each waiting for its own process.
int run_locally(const std::string& dir, const SweepPlan& plan, unsigned jobs) {
    std::atomic<std::size_t> next{0};
    std::atomic<int> failed{0};
    std::mutex print;
    const unsigned workers = std::min<unsigned>({jobs, static_cast<unsigned>(plan.settings.size()), kMaxChildren});
    std::vector<std::thread> pool;
    for (unsigned w = 0; w < workers; ++w)
        pool.emplace_back([&, w] {
            for (std::size_t i = next++; i < plan.settings.size() && !g_stopped; i = next++) {
                const int status = run_setting(dir, plan, i, static_cast<int>(w));
                if (status != 0) ++failed;
                const std::lock_guard<std::mutex> lock(print);
                const std::string how = g_stopped     ? "stopped"
                                        : status == 0 ? "done"
                                                      : "exit status " + std::to_string(status);
                std::printf("%s: %s\n", work::setting_folder(plan.settings[i]).c_str(), how.c_str());
                std::fflush(stdout);
            }
        });
    for (std::thread& t : pool) t.join();
    return g_stopped ? 3 : failed != 0 ? 1 : 0;
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

// A new sweep folder: the plan, the piece file, and one folder per setting with the piece file
// linked in (copied where links cannot be made).
bool make_sweep_folder(const SweepOptions& opt, const SweepPlan& plan) {
    std::error_code ec;
    if (fs::exists(opt.dir, ec) && !fs::is_empty(opt.dir, ec)) {
        std::fprintf(stderr, "%s: exists and is not empty; a sweep needs a new folder\n", opt.dir.c_str());
        return false;
    }
    const FileText pieces = read_text_file(opt.pieces);
    if (!pieces.ok()) {
        std::fprintf(stderr, "%s: cannot be read (%s)\n", opt.pieces.c_str(), pieces.fault.c_str());
        return false;
    }
    fs::create_directories(fs::path(opt.dir) / "logs", ec);
    int err = ec ? ec.value() : write_file_atomically((fs::path(opt.dir) / kPieceFile).string(), pieces.text);
    for (std::size_t i = 0; i < plan.settings.size() && err == 0; ++i) {
        const fs::path folder = fs::path(opt.dir) / work::setting_folder(plan.settings[i]);
        fs::create_directory(folder, ec);
        if (!ec) fs::create_symlink(fs::path("..") / kPieceFile, folder / kPieceFile, ec);
        if (ec) fs::copy_file(fs::path(opt.dir) / kPieceFile, folder / kPieceFile, ec);
        err = ec.value();
    }
    if (err != 0) {
        std::fprintf(stderr, "%s: cannot be written (%s)\n", opt.dir.c_str(), std::strerror(err));
        return false;
    }
    return write_or_say((fs::path(opt.dir) / work::kPlanFile).string(), work::plan_text(plan));
}

int write_job_script(const std::string& dir, const SweepPlan& plan) {
    const std::string absolute = fs::absolute(dir).lexically_normal().string();
    const std::string path = absolute + "/job.sbatch";
    if (!write_or_say(path, work::sweep_job_script(own_binary(), absolute, plan))) return 1;
    std::printf("%zu settings; submit the job array with: sbatch %s\n", plan.settings.size(), path.c_str());
    std::printf("then read the results with: tessera sweep-report %s\n", absolute.c_str());
    return 0;
}

int run_task(const SweepOptions& opt) {
    SweepPlan plan;
    const std::string fault = work::read_plan((fs::path(opt.dir) / work::kPlanFile).string(), plan);
    if (!fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return 2;
    }
    if (opt.task < 1 || static_cast<std::size_t>(opt.task) > plan.settings.size()) {
        std::fprintf(stderr, "--task: %d is not a setting of this sweep (1..%zu)\n", opt.task, plan.settings.size());
        return 2;
    }
    catch_sweep_signals();
    const SweepSetting& setting = plan.settings[static_cast<std::size_t>(opt.task - 1)];
    const int status = run_setting(opt.dir, plan, static_cast<std::size_t>(opt.task - 1), 0);
    // The job's own output file then tells the same as the setting's log.
    std::printf("%s\n%s", work::setting_folder(setting).c_str(),
                read_text_file((fs::path(opt.dir) / work::setting_folder(setting) / work::kSearchLog).string(), kLogLimit)
                    .text.c_str());
    return status;
}

int run_sweep(const SweepOptions& opt) {
    if (opt.task != 0) return run_task(opt);
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
    if (!make_sweep_folder(opt, plan)) return 2;
    if (opt.slurm) return write_job_script(opt.dir, plan);
    catch_sweep_signals();
    return run_locally(opt.dir, plan, opt.jobs);
}

int run_report(const std::string& dir) {
    SweepPlan plan;
    const std::string fault = work::read_plan((fs::path(dir) / work::kPlanFile).string(), plan);
    if (!fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return 2;
    }
    MemoryPanel panel;
    const std::unique_ptr<Solver> solver = start_up(panel, "", (fs::path(dir) / kPieceFile).string());
    if (!solver) return 2;
    const std::vector<work::SettingReport> rows = work::sweep_report(*solver, dir, plan);
    const std::string csv = (fs::path(dir) / "report.csv").string();
    if (!write_or_say(csv, work::report_csv(rows))) return 1;
    std::size_t done = 0, found = 0, failed = 0;
    for (const work::SettingReport& row : rows) {
        done += row.state == "done" ? 1 : 0;
        for (const work::VarFile& v : row.var_files) (v.fault.empty() ? found : failed) += 1;
    }
    std::fputs(work::report_table(rows).c_str(), stdout);
    std::printf("settings=%zu done=%zu var_files=%zu failed_checks=%zu csv=%s\n", rows.size(), done, found + failed,
                failed, csv.c_str());
    return failed != 0 ? 1 : done < rows.size() ? 3 : 0;
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
    sub->add_option("--task", opt->task, "run only setting K (from 1) of the existing sweep DIR (the job array's task)")
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
    return {sub, [dir] { return run_report(*dir); }};
}

}  // namespace tessera::cli
