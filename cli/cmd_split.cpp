// tessera split, tessera solve --manifest DIR --unit K, tessera merge: a solve cut into work
// units that any scheduler can run (a Slurm job array, MPI, a shell loop), and the units' results
// added back into the one answer of a single solve. Each unit's result is trusted only after its
// solution files pass the independent checker and its hashes match the manifest.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/files.h"
#include "app/search_params.h"
#include "app/text.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/solve_problem.h"
#include "search/placement_file.h"
#include "solve/sha256.h"
#include "solve/split.h"
#include "solve/units.h"

namespace tessera::cli {

namespace fs = std::filesystem;

namespace {

// A unit's result names its solution files: a few lines each.
constexpr std::size_t kResultLimit = std::size_t{64} << 20;

struct SplitOptions : SolveOptions {
    std::size_t units = 0;
    std::string dir;
    bool slurm = false;
    std::size_t per_task = 1;
};

std::string absolute(const std::string& path) { return fs::absolute(path).lexically_normal().string(); }

// A split's folder must be new: one that holds another split, or anything else, is left alone.
bool folder_is_free(const std::string& dir) {
    std::error_code ec;
    if (fs::exists(fs::path(dir) / solve::kManifestName, ec)) {
        std::fprintf(stderr, "%s: holds another split (%s); give a new folder\n", dir.c_str(), solve::kManifestName);
        return false;
    }
    if (fs::exists(dir, ec) && !fs::is_empty(dir, ec)) {
        std::fprintf(stderr, "%s: exists and is not empty; a split needs a new folder\n", dir.c_str());
        return false;
    }
    return true;
}

// The manifest of a problem loaded from `opt` (in the working directory it was loaded in).
bool describe(const SplitOptions& opt, const solve::Problem& problem, solve::Manifest& m) {
    if (!source_of(opt, problem, m.source)) return false;
    m.fingerprint = problem.fingerprint;
    m.count = opt.count;
    m.max_solutions = opt.max_solutions;
    return true;
}

// What each array task runs; `bin` and `own` (the split's folder) are set before it. The claims
// are made by `tessera work`, one process that solves its units one after another.
constexpr const char* kTaskCommand = R"sh(me=${SLURM_ARRAY_TASK_ID:?run this script with sbatch, as a job array}
take_over=
[ "${TESSERA_TAKE_OVER:-0}" = 1 ] && take_over=--take-over
# Folders named on the sbatch line are taken from the folder sbatch was run in.
cd "${SLURM_SUBMIT_DIR:-.}" || exit 1
exec "$bin" work --task "$me" ${SLURM_ARRAY_JOB_ID:+--job "$SLURM_ARRAY_JOB_ID"} $take_over --threads "${SLURM_CPUS_PER_TASK:-1}" -- "$own" "$@"
)sh";

std::string job_script(const std::string& dir, std::size_t units, std::size_t per_task) {
    const std::size_t tasks = (units + per_task - 1) / per_task;
    std::string t = "#!/bin/sh\n";
    t += format("# tessera split: %zu units of %s/%s, shared out by %zu array tasks (one per %zu units).\n", units,
                dir.c_str(), solve::kManifestName, tasks, per_task);
    t += "# Submit with `sbatch " + dir + "/job.sbatch`, then read the answer with `tessera merge " + dir + "`.\n";
    t += "# Each task walks the units in order and solves every unit it is the first to claim (the\n"
         "# file claims/unit_NNNNNN names the task that holds it): tasks that start early take more\n"
         "# units, and no CPU waits for the scheduler between units.\n"
         "# One array for many splits: `sbatch job.sbatch DIR2 DIR3 ...` claims the units of this\n"
         "# folder, then those of each folder named, in that order (relative names are taken from\n"
         "# the folder sbatch is run in).\n"
         "# A requeued or resubmitted task K first continues the units it holds that are not done,\n"
         "# from their checkpoints, then claims new ones: after task K was cancelled, submit\n"
         "# `sbatch --array=K job.sbatch [DIR2 ...]`. Units held by a task that will not run again\n"
         "# (cancelled, and its index not submitted again): once no task of the array runs, one\n"
         "# sweep-up task takes over every claimed unit that is not done:\n"
         "#   sbatch --array=1 --export=ALL,TESSERA_TAKE_OVER=1 job.sbatch [DIR2 ...]\n";
    t += "#SBATCH --job-name=tessera-units\n";
    t += format("#SBATCH --array=1-%zu\n", tasks);
    t += "#SBATCH --ntasks=1\n#SBATCH --cpus-per-task=1\n#SBATCH --requeue\n#SBATCH --open-mode=append\n";
    t += "#SBATCH --chdir=" + dir + "\n";
    t += "#SBATCH --output=" + dir + "/logs/task_%a.out\n";
    t += "#SBATCH --error=" + dir + "/logs/task_%a.err\n";
    t += "bin='" + own_binary() + "'\n";
    t += "own='" + dir + "'\n";
    return t + kTaskCommand;
}

int run_split(const SplitOptions& opt) {
    MemoryPanel panel;
    std::unique_ptr<Solver> solver;
    auto problem = std::make_unique<solve::Problem>();
    if (!load_problem(opt, panel, solver, *problem)) return 2;
    if (!folder_is_free(opt.dir)) return 2;
    const std::string dir = absolute(opt.dir);
    // The job script names the folder in #SBATCH lines, which take no quoting.
    if (opt.slurm && dir.find_first_of(" \t\n'\"") != std::string::npos) {
        std::fprintf(stderr, "-o: '%s' holds a blank or a quote, which a job script cannot name\n", opt.dir.c_str());
        return 2;
    }
    solve::Manifest m;
    if (!describe(opt, *problem, m)) return 2;
    const std::vector<solve::Prefix> units =
        problem->area_mismatch() ? std::vector<solve::Prefix>{} : solve::expand_frontier(*problem, opt.units);
    m.units = units.size();
    std::error_code ec;
    fs::create_directories(opt.slurm ? fs::path(dir) / "logs" : fs::path(dir), ec);
    if (ec) {
        std::fprintf(stderr, "%s: cannot be made (%s)\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    for (std::size_t k = 1; k <= units.size(); ++k) {
        const std::string text = placement_file_text(problem->fixed, units[k - 1]);
        m.depths.push_back(problem->fixed.size() + units[k - 1].size());
        m.unit_sha256.push_back(solve::sha256_hex(text));
        if (!write_or_say(dir + "/" + solve::unit_name(k, ".txt"), text)) return 1;
    }
    // The manifest comes last: a folder without one holds no split yet.
    if (!write_or_say(dir + "/" + solve::kManifestName, solve::manifest_text(m))) return 1;
    if (opt.slurm && !write_or_say(dir + "/job.sbatch", job_script(dir, units.size(), opt.per_task))) return 1;
    if (opt.slurm) std::printf("submit the job array with: sbatch %s/job.sbatch\n", dir.c_str());
    std::printf("solve unit K with: tessera solve --manifest %s --unit K; then: tessera merge %s\n", dir.c_str(),
                dir.c_str());
    std::printf("units=%zu dir=%s\n", units.size(), dir.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// A split folder opened for solving a unit or merging: its manifest, and the problem rebuilt from
// the files it names, which must be the files that were split.
struct OpenSplit {
    std::string dir;
    std::string manifest_sha256;
    solve::Manifest manifest;
    MemoryPanel panel;
    std::unique_ptr<Solver> solver;
    solve::Problem problem;
};

// The manifest only: enough to walk the units and read their results.
bool read_split(const std::string& dir, OpenSplit& out) {
    out.dir = dir;
    const std::string path = (fs::path(dir) / solve::kManifestName).string();
    const FileText file = read_text_file(path);
    if (!file.ok()) {
        std::fprintf(stderr, "%s: no manifest of a split here (%s)\n", path.c_str(), file.fault.c_str());
        return false;
    }
    out.manifest_sha256 = solve::sha256_hex(file.text);
    if (const std::string fault = solve::read_manifest(path, file.text, out.manifest); !fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return false;
    }
    return true;
}

// The problem of a split whose manifest was read, from the files it names.
bool load_split(OpenSplit& out) {
    const std::string path = (fs::path(out.dir) / solve::kManifestName).string();
    const solve::Manifest& m = out.manifest;
    if (const std::string changed = solve::source_files_changed(m.source); !changed.empty()) {
        std::fprintf(stderr, "%s: %s since the split; it is refused\n", path.c_str(), changed.c_str());
        return false;
    }
    ProblemOptions options;
    options_from(m.source, options);
    if (!load_problem(options, out.panel, out.solver, out.problem)) return false;
    if (out.problem.fingerprint != m.fingerprint) {
        std::fprintf(stderr, "%s: the problem built from it is not the one that was split\n", path.c_str());
        return false;
    }
    return true;
}

bool open_split(const std::string& dir, OpenSplit& out) { return read_split(dir, out) && load_split(out); }

std::string unit_path(const OpenSplit& split, std::size_t k, const char* suffix) {
    return (fs::path(split.dir) / solve::unit_name(k, suffix)).string();
}

// The unit's placements, the fixed ones first; an empty string or the fault.
std::string read_unit(const OpenSplit& split, std::size_t k, PlacementList& list) {
    const std::string path = unit_path(split, k, ".txt");
    const std::string& hash = split.manifest.unit_sha256[k - 1];
    std::string now;
    if (!hash.empty() && solve::sha256_of_file(path, now) && now != hash)
        return path + ": not the unit that was split (its SHA-256 differs from the manifest's)";
    std::string fault = read_placement_file(path.c_str(), list);
    if (fault.empty() && static_cast<std::size_t>(list.count) != split.manifest.depths[k - 1])
        fault = path + ": not the unit that was split (its length differs)";
    return fault;
}

// The prefix of unit k beyond the fixed placement; false after one line on standard error when
// the unit file is not an open subproblem of the problem.
bool unit_prefix(const OpenSplit& split, std::size_t k, solve::Prefix& prefix) {
    auto list = std::make_unique<PlacementList>();
    std::string fault = read_unit(split, k, *list);
    const std::vector<Placement>& fixed = split.problem.fixed;
    const auto same = [](const Placement& a, const Placement& b) {
        return a.piece == b.piece && a.row == b.row && a.col == b.col && a.orientation == b.orientation;
    };
    if (fault.empty() && !std::equal(fixed.begin(), fixed.end(), list->entries, same))
        fault = unit_path(split, k, ".txt") + ": does not begin with the resume placement";
    if (fault.empty()) {
        prefix.assign(list->entries + fixed.size(), list->entries + list->count);
        if (!solve::Walker(split.problem).enter(prefix))
            fault = unit_path(split, k, ".txt") + ": not an open subproblem of the split's problem";
    }
    if (!fault.empty()) std::fprintf(stderr, "%s\n", fault.c_str());
    return fault.empty();
}

// Reads unit k's result: an empty string when it is this split's, or what is wrong with it.
std::string read_unit_result(const OpenSplit& split, std::size_t k, solve::UnitRecord& record) {
    const FileText file = read_text_file(unit_path(split, k, ".result"), kResultLimit);
    if (!file.ok()) return "it cannot be read (" + file.fault + ")";
    const std::string fault = solve::read_result(file.text, record);
    if (!fault.empty()) return fault;
    if (record.manifest_sha256 != split.manifest_sha256 || record.unit != k)
        return "it belongs to another split or another unit";
    return {};
}

solve::UnitEnd unit_end(solve::RunEnd end) {
    return end == solve::RunEnd::Complete       ? solve::UnitEnd::Complete
           : end == solve::RunEnd::MaxSolutions ? solve::UnitEnd::MaxSolutions
                                                : solve::UnitEnd::Stopped;
}

}  // namespace

std::string placement_file_text(const std::vector<Placement>& fixed, const solve::Prefix& prefix) {
    std::vector<Placement> stack{Placement{}};
    stack.insert(stack.end(), fixed.begin(), fixed.end());
    stack.insert(stack.end(), prefix.begin(), prefix.end());
    std::string text(kPlacementTextMax, '\0');
    text.resize(placement_text(stack.data(), static_cast<int>(stack.size() - 1), text.data()));
    return text;
}

namespace {

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// Unit k has a result of this split that says it ran to its end.
bool unit_done(const OpenSplit& split, std::size_t k, solve::UnitRecord& record) {
    return exists(unit_path(split, k, ".result")) && read_unit_result(split, k, record).empty() &&
           record.end != solve::UnitEnd::Stopped;
}

// Where unit k's run starts: its checkpoint, when a run before left one, or else its prefix.
// False after one line when the checkpoint is not this unit's or not whole; it is kept for the
// user to look at (removing it solves the unit from its start).
bool unit_start(const OpenSplit& split, const solve::Scope& scope, const std::string& checkpoint, SolveRun& run) {
    solve::Checkpoint& state = run.state;
    const std::size_t k = scope.unit;
    if (exists(checkpoint)) {
        const std::string fault = solve::read_checkpoint(checkpoint, split.problem, scope, state);
        if (!fault.empty()) {
            std::fprintf(stderr, "%s; the unit is left as it is (remove the checkpoint to solve unit %zu from its "
                                 "start)\n", fault.c_str(), k);
            return false;
        }
    } else {
        state.totals.frontier.push_back(scope.prefix);
    }
    return true;
}

// Solves unit k of an open split (continuing from its checkpoint) and writes its result; the
// exit status of `tessera solve`. `table` may keep dead states from the split's earlier units.
int solve_split_unit(const OpenSplit& split, std::size_t k, const SolveOptions& opt, solve::DeadStates* table) {
    const solve::Manifest& m = split.manifest;
    solve::Scope scope{k, split.manifest_sha256, {}};
    if (!unit_prefix(split, k, scope.prefix)) return 2;

    SolveOptions unit = opt;
    options_from(m.source, unit);
    unit.count = m.count;
    unit.max_solutions = m.max_solutions;
    unit.checkpoint = unit_path(split, k, ".checkpoint");
    unit.output = unit_path(split, k, "_solved.txt");
    SolveRun run;
    run.dead_states = table;
    // A rerun (a requeued job, a second try) goes on from the unit's own checkpoint.
    if (!unit_start(split, scope, unit.checkpoint, run)) return 2;
    run.state.fingerprint = split.problem.fingerprint;
    run.state.source = m.source;
    run.state.scope = std::move(scope);
    run.state.sealed = true;
    if (!outputs_usable(unit)) return 2;
    const int status = solve_frontier(unit, *split.solver, split.problem, run);

    solve::UnitRecord record;
    record.manifest_sha256 = split.manifest_sha256;
    record.unit = k;
    record.solutions = run.state.totals.solutions;
    record.tilings = run.state.totals.tilings;
    record.nodes = run.state.totals.nodes;
    record.end = run.failed ? solve::UnitEnd::Stopped : unit_end(run.end);
    record.seconds = run.state.seconds;
    for (std::uint64_t n = 1; n <= run.state.written; ++n) {
        const std::string path = solution_path(unit.output, n, m.max_solutions != 0);
        std::string hash;
        solve::sha256_of_file(path, hash);
        record.files.emplace_back(fs::path(path).filename().string(), hash);
    }
    if (!write_or_say(unit_path(split, k, ".result"), solve::result_text(record))) return 1;
    return status;
}

}  // namespace

int run_unit(const SolveOptions& opt) {
    OpenSplit split;
    if (!open_split(opt.manifest, split)) return 2;
    const std::size_t k = opt.unit;
    if (k < 1 || k > split.manifest.units) {
        std::fprintf(stderr, "--unit: %zu is not a unit of %s (1..%zu)\n", k, opt.manifest.c_str(),
                     split.manifest.units);
        return 2;
    }
    solve::UnitRecord done;
    if (unit_done(split, k, done)) {
        std::printf("unit %zu is done already: solutions=%s nodes=%llu\n", k, done.solutions.text().c_str(),
                    static_cast<unsigned long long>(done.nodes));
        return 0;
    }
    return solve_split_unit(split, k, opt, nullptr);
}

namespace {

struct MergeOptions {
    std::string dir, output, times;
    bool list = false;
};

struct MergeTotals {
    solve::BigCount solutions;
    std::uint64_t nodes = 0;
    std::size_t done = 0, failed = 0;
    bool complete = true;
    std::vector<std::string> solution_files;  // in unit order
    std::string times;                        // seconds of each unit done, in unit order
};

// Each solution file of a unit's result: its hash, the checker, and that it extends the unit.
std::string check_solutions(const OpenSplit& split, std::size_t k, const solve::UnitRecord& record) {
    auto unit = std::make_unique<PlacementList>();
    if (std::string fault = read_unit(split, k, *unit); !fault.empty()) return fault;
    auto list = std::make_unique<PlacementList>();
    for (const auto& [name, hash] : record.files) {
        const std::string path = (fs::path(split.dir) / name).string();
        std::string now;
        if (!solve::sha256_of_file(path, now) || now != hash) return name + " is missing or changed";
        if (std::string fault = read_placement_file(path.c_str(), *list); !fault.empty()) return fault;
        if (std::string fault = solution_fault(split.solver->state(), split.problem, *list); !fault.empty())
            return name + " fails the check: " + fault;
        for (int i = 0; i < unit->count; ++i)
            if (i >= list->count || list->entries[i].piece != unit->entries[i].piece ||
                list->entries[i].row != unit->entries[i].row || list->entries[i].col != unit->entries[i].col ||
                list->entries[i].orientation != unit->entries[i].orientation)
                return name + " does not extend its unit";
    }
    return {};
}

// A unit's state in the merge: with `list`, every unit gets a line, else only those that failed.
void merge_unit(const OpenSplit& split, std::size_t k, bool list, MergeTotals& totals) {
    const std::string path = unit_path(split, k, ".result");
    if (!exists(path)) {
        totals.complete = false;
        if (list) std::printf("unit %zu: not done\n", k);
        return;
    }
    solve::UnitRecord record;
    std::string fault = read_unit_result(split, k, record);
    if (fault.empty()) fault = check_solutions(split, k, record);
    if (!fault.empty()) {
        std::printf("unit %zu: failed: %s: %s\n", k, path.c_str(), fault.c_str());
        totals.complete = false;
        ++totals.failed;
        return;
    }
    if (record.end == solve::UnitEnd::Stopped) {
        if (list) std::printf("unit %zu: not done (stopped; its rerun continues from its checkpoint)\n", k);
        totals.complete = false;
        return;
    }
    if (list) std::printf("unit %zu: done\n", k);
    ++totals.done;
    totals.complete = totals.complete && record.end == solve::UnitEnd::Complete;
    totals.solutions.add(record.solutions);
    totals.nodes += record.nodes;
    totals.times += format("%.6f\n", record.seconds);
    for (const auto& file : record.files) totals.solution_files.push_back((fs::path(split.dir) / file.first).string());
}

// The merge's outputs, tried before the units are read.
bool merge_outputs_usable(const std::string& out, bool numbered, const std::string& times) {
    const std::pair<const char*, std::string> outputs[] = {{"-o", solution_path(out, 1, numbered)}, {"--times", times}};
    for (const auto& [option, path] : outputs) {
        if (path.empty()) continue;
        if (const std::string fault = output_fault(path, OutputKind::FileOrDevice); !fault.empty()) {
            std::fprintf(stderr, "%s: cannot write '%s' (%s)\n", option, path.c_str(), fault.c_str());
            return false;
        }
    }
    return true;
}

int run_merge(const MergeOptions& opt) {
    OpenSplit split;
    if (!open_split(opt.dir, split)) return 2;
    const solve::Manifest& m = split.manifest;
    const std::string out = opt.output.empty() ? (fs::path(opt.dir) / "solved.txt").string() : opt.output;
    if (!merge_outputs_usable(out, m.max_solutions != 0, opt.times)) return 2;
    MergeTotals totals;
    for (std::size_t k = 1; k <= m.units; ++k) merge_unit(split, k, opt.list, totals);
    // The solutions in unit order, as many as a single solve would have written.
    const std::size_t wanted = m.count ? 0 : m.max_solutions != 0 ? m.max_solutions : 1;
    const std::size_t n = std::min(wanted, totals.solution_files.size());
    for (std::size_t i = 0; i < n; ++i) {
        const FileText solution = read_text_file(totals.solution_files[i]);
        if (!solution.ok()) {
            std::fprintf(stderr, "%s: cannot be read (%s)\n", totals.solution_files[i].c_str(), solution.fault.c_str());
            return 1;
        }
        if (!write_or_say(solution_path(out, i + 1, m.max_solutions != 0), solution.text)) return 1;
    }
    if (!opt.times.empty() && !write_or_say(opt.times, "# seconds of each unit done, in unit order\n" + totals.times))
        return 1;
    const bool all_done = totals.done == m.units;
    std::printf("solutions=%s nodes=%llu complete=%s units_done=%zu/%zu\n", totals.solutions.text().c_str(),
                static_cast<unsigned long long>(totals.nodes), all_done && totals.complete ? "yes" : "no",
                totals.done, m.units);
    if (std::fflush(stdout) != 0) return 1;
    if (!all_done)
        std::fprintf(stderr, "merge: %zu of %zu units are not done%s%s\n", m.units - totals.done, m.units,
                     totals.failed != 0 ? format(", %zu of them failed", totals.failed).c_str() : "",
                     opt.list ? "" : " (--list names each unit's state)");
    return all_done ? 0 : 3;
}

struct WorkOptions {
    std::string task, job;
    bool take_over = false;
    int threads = 1;
    std::vector<std::string> dirs;
};

// A task's claims in one split folder. DIR/claims/.task_ID holds "ID JOB"; the claim of unit K
// is DIR/claims/unit_NNNNNN, a hard link to it. link(2) fails when the name exists, so of two
// tasks that try one unit only one gets it, and the claim names its holder.
class Claims {
public:
    Claims(const std::string& dir, const std::string& task)
        : claims_(fs::path(dir) / "claims"), own_(claims_ / (".task_" + task)), task_(task) {}

    // Makes the claims folder and the task's own file; false after one line.
    bool open(const std::string& job) {
        std::error_code ec;
        fs::create_directories(claims_, ec);
        if (!ec && write_or_say(own_.string(), task_ + " " + job + "\n")) return true;
        std::fprintf(stderr, "%s: cannot write its claims; skipped\n", claims_.parent_path().c_str());
        return false;
    }
    // The task that holds unit k (the claim's first word); empty when none does, "?" for a claim
    // that cannot be read (it is left alone).
    std::string holder(std::size_t k) const {
        if (!exists(of(k).string())) return {};
        const FileText claim = read_text_file(of(k).string(), 4096);
        if (!claim.ok()) return "?";
        return claim.text.substr(0, claim.text.find_first_of(" \n"));
    }
    enum class Claim { Got, Taken, Failed };
    Claim claim(std::size_t k) const {
        std::error_code ec;
        fs::create_hard_link(own_, of(k), ec);
        if (!ec) return Claim::Got;
        return exists(of(k).string()) ? Claim::Taken : Claim::Failed;
    }
    // A claim held by a task that will not run again becomes this task's.
    bool take_over(std::size_t k) const {
        const fs::path next = claims_ / (".take_" + task_);
        std::error_code ec;
        fs::remove(next, ec);
        fs::create_hard_link(own_, next, ec);
        if (!ec) fs::rename(next, of(k), ec);
        return !ec;
    }
    fs::path of(std::size_t k) const { return claims_ / solve::unit_name(k, ""); }

private:
    fs::path claims_, own_;
    std::string task_;
};

// What a task did: units solved, units that failed (and were left), folders skipped.
struct WorkTally {
    std::size_t solved = 0, failed = 0, skipped = 0;
    bool stopped = false;
};

// One pass over a split folder: "held" continues the units this task holds (with --take-over,
// every claimed unit) that are not done; "new" claims and solves each unit no task holds. The
// units of one folder share a table of dead states. A unit that fails is reported and left;
// the pass goes on with the next.
void work_pass(const WorkOptions& opt, const std::string& dir, bool held, WorkTally& tally) {
    OpenSplit split;
    bool loaded = false;
    const auto skip = [&] {
        std::fprintf(stderr, "%s: skipped\n", dir.c_str());
        ++tally.skipped;
    };
    if (!read_split(dir, split)) return skip();
    const Claims claims(dir, opt.task);
    SolveOptions unit;
    unit.threads = opt.threads;
    unit.quiet = true;
    std::unique_ptr<solve::DeadStates> table;
    for (std::size_t k = 1; k <= split.manifest.units; ++k) {
        if (g_stop_signal != 0) {
            tally.stopped = true;
            return;
        }
        const std::string holder = claims.holder(k);
        const bool mine =
            held ? !holder.empty() && holder != "?" && (holder == opt.task || opt.take_over) : holder.empty();
        solve::UnitRecord record;
        if (!mine || unit_done(split, k, record)) continue;
        // The problem is built once a unit is to be solved, and before it is claimed: a folder
        // whose files have changed is left with no claim of this task.
        if (!loaded && !(loaded = load_split(split))) return skip();
        if (held && holder != opt.task) {
            std::fprintf(stderr, "task %s takes over %s from task %s\n", opt.task.c_str(), claims.of(k).c_str(),
                         holder.c_str());
            if (!claims.take_over(k)) {
                std::fprintf(stderr, "%s: cannot be taken over; the unit is left\n", claims.of(k).c_str());
                ++tally.failed;
                continue;
            }
        } else if (!held) {
            const Claims::Claim got = claims.claim(k);
            if (got == Claims::Claim::Taken) continue;
            if (got == Claims::Claim::Failed) {
                std::fprintf(stderr, "%s: cannot be made (the folder must take hard links); the folder is left\n",
                             claims.of(k).c_str());
                return skip();
            }
        }
        if (!table) table = std::make_unique<solve::DeadStates>();
        std::printf("%s unit %zu: ", dir.c_str(), k);
        std::fflush(stdout);
        const int status = solve_split_unit(split, k, unit, table.get());
        if (status == 0) {
            ++tally.solved;
        } else if (status == 3 && g_stop_signal != 0) {
            tally.stopped = true;
            return;
        } else {
            std::printf("failed\n");
            ++tally.failed;
        }
    }
}

// tessera work: what a task of a split's job array runs. The folders in order, first the units
// the task holds, then new ones: a requeued task finishes its own units before it takes more.
// Exit status 0 when nothing went wrong (also when other tasks had taken every unit), 1 when a
// unit failed or a folder was skipped, 2 when no folder could be worked on, 3 when stopped.
int run_work(const WorkOptions& opt) {
    if (opt.task.empty() || opt.task.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_-") !=
                                std::string::npos) {
        std::fprintf(stderr, "--task: '%s' is not a task name (letters, digits, - and _)\n", opt.task.c_str());
        return 2;
    }
    catch_stop_signals();
    std::vector<std::string> dirs;
    WorkTally tally;
    for (const std::string& dir : opt.dirs) {
        std::error_code ec;
        if (!fs::is_regular_file(fs::path(dir) / solve::kManifestName, ec)) {
            std::fprintf(stderr, "%s: no manifest of a split here; skipped\n", dir.c_str());
            ++tally.skipped;
        } else if (Claims(dir, opt.task).open(opt.job)) {
            dirs.push_back(dir);
        } else {
            ++tally.skipped;
        }
    }
    for (const bool held : {true, false})
        for (const std::string& dir : dirs)
            if (!tally.stopped) work_pass(opt, dir, held, tally);
    if (std::fflush(stdout) != 0) return 1;
    if (tally.stopped) return 3;
    if (dirs.empty()) {
        std::fprintf(stderr, "work: no folder could be worked on; nothing was done\n");
        return 2;
    }
    if (tally.failed != 0 || tally.skipped != 0) {
        std::fprintf(stderr, "work: %zu units solved, %zu failed, %zu folders skipped\n", tally.solved, tally.failed,
                     tally.skipped);
        return 1;
    }
    return 0;
}

}  // namespace

Command add_work_command(CLI::App& app) {
    auto opt = std::make_shared<WorkOptions>();
    CLI::App* sub = app.add_subcommand(
        "work", "Claim and solve the units of split folders one after another (what a job array task runs)");
    sub->add_option("--task", opt->task, "this task's name in DIR/claims (the array task's index)")->required();
    sub->add_option("--job", opt->job, "the job's id, noted beside the task's name");
    sub->add_flag("--take-over", opt->take_over,
                  "also continue units held by other tasks; only once no task of the array runs");
    sub->add_option("--threads", opt->threads, "threads for each unit")->check(whole_number_from(1, 1024))->capture_default_str();
    sub->add_option("DIR", opt->dirs, "split folders, in the order their units are claimed")->required();
    return {sub, [opt] { return run_work(*opt); }};
}

Command add_split_command(CLI::App& app) {
    auto opt = std::make_shared<SplitOptions>();
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
    return {sub, [opt] { return run_split(*opt); }};
}

Command add_merge_command(CLI::App& app) {
    auto opt = std::make_shared<MergeOptions>();
    CLI::App* sub = app.add_subcommand(
        "merge", "Add up the units' results of a split folder, each checked; exit status 3 while units are not done");
    sub->add_option("DIR", opt->dir, "the split folder")->required();
    sub->add_option("-o", opt->output, "where the solutions go, in unit order [DIR/solved.txt]");
    sub->add_option("--times", opt->times, "also write each done unit's seconds here, for tessera replay-units");
    sub->add_flag("--list", opt->list, "a line for every unit: done, not done, stopped or failed");
    return {sub, [opt] { return run_merge(*opt); }};
}

}  // namespace tessera::cli
