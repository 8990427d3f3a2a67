#include "work/split_folder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/files.h"
#include "app/text.h"
#include "search/placement_file.h"
#include "solve/sha256.h"
#include "work/job_script.h"

namespace tessera::work {

namespace fs = std::filesystem;

namespace {

// A unit's result names its solution files: a few lines each.
constexpr std::size_t kResultLimit = std::size_t{64} << 20;

std::string absolute(const std::string& path) { return fs::absolute(path).lexically_normal().string(); }

// A split's folder must be new: one that holds another split, or anything else, is left alone.
bool folder_is_free(const std::string& dir) {
    std::error_code ec;
    if (fs::exists(fs::path(dir) / kManifestName, ec)) {
        std::fprintf(stderr, "%s: holds another split (%s); give a new folder\n", dir.c_str(), kManifestName);
        return false;
    }
    if (fs::exists(dir, ec) && !fs::is_empty(dir, ec)) {
        std::fprintf(stderr, "%s: exists and is not empty; a split needs a new folder\n", dir.c_str());
        return false;
    }
    return true;
}

// The manifest of a problem loaded from `opt` (in the working directory it was loaded in).
bool describe(const SplitOptions& opt, const solve::Problem& problem, Manifest& m) {
    if (!solve::source_of(opt, problem, m.source)) return false;
    m.fingerprint = problem.fingerprint;
    m.count = opt.count;
    m.max_solutions = opt.max_solutions;
    return true;
}

}  // namespace

int run_split(const SplitOptions& opt) {
    MemoryPanel panel;
    std::unique_ptr<Solver> solver;
    auto problem = std::make_unique<solve::Problem>();
    if (!solve::load_problem(opt, panel, solver, *problem)) return 2;
    if (!folder_is_free(opt.dir)) return 2;
    const std::string dir = absolute(opt.dir);
    // The job script names the folder in #SBATCH lines, which take no quoting.
    if (opt.slurm && dir.find_first_of(" \t\n'\"") != std::string::npos) {
        std::fprintf(stderr, "-o: '%s' holds a blank or a quote, which a job script cannot name\n", opt.dir.c_str());
        return 2;
    }
    Manifest m;
    if (!describe(opt, *problem, m)) return 2;
    const std::vector<solve::Prefix> units =
        solve::areas_match(*problem) ? solve::expand_frontier(*problem, opt.units) : std::vector<solve::Prefix>{};
    m.units = units.size();
    std::error_code ec;
    fs::create_directories(opt.slurm ? fs::path(dir) / "logs" : fs::path(dir), ec);
    if (ec) {
        std::fprintf(stderr, "%s: cannot be made (%s)\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    for (std::size_t k = 1; k <= units.size(); ++k) {
        const std::string text = solve::placement_file_text(problem->fixed, units[k - 1]);
        m.depths.push_back(problem->fixed.size() + units[k - 1].size());
        m.unit_sha256.push_back(solve::sha256_hex(text));
        if (!write_or_say(dir + "/" + unit_name(k, ".txt"), text)) return 1;
    }
    // The manifest comes last: a folder without one holds no split yet.
    if (!write_or_say(dir + "/" + kManifestName, manifest_text(m))) return 1;
    if (opt.slurm && !write_or_say(dir + "/job.sbatch", split_job_script(dir, units.size(), opt.per_task))) return 1;
    if (opt.slurm) std::printf("submit the job array with: sbatch %s/job.sbatch\n", dir.c_str());
    std::printf("solve unit K with: tessera solve --manifest %s --unit K; then: tessera merge %s\n", dir.c_str(),
                dir.c_str());
    std::printf("units=%zu dir=%s\n", units.size(), dir.c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// The manifest only: enough to walk the units and read their results.
bool read_split(const std::string& dir, OpenSplit& out) {
    out.dir = dir;
    const std::string path = (fs::path(dir) / kManifestName).string();
    const FileText file = read_text_file(path);
    if (!file.ok()) {
        std::fprintf(stderr, "%s: no manifest of a split here (%s)\n", path.c_str(), file.fault.c_str());
        return false;
    }
    out.manifest_sha256 = solve::sha256_hex(file.text);
    if (const std::string fault = read_manifest(path, file.text, out.manifest); !fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return false;
    }
    return true;
}

// The problem of a split whose manifest was read, from the files it names.
bool load_split(OpenSplit& out) {
    const std::string path = (fs::path(out.dir) / kManifestName).string();
    const Manifest& m = out.manifest;
    if (const std::string changed = solve::source_files_changed(m.source); !changed.empty()) {
        std::fprintf(stderr, "%s: %s since the split; it is refused\n", path.c_str(), changed.c_str());
        return false;
    }
    solve::ProblemOptions options;
    solve::options_from(m.source, options);
    if (!solve::load_problem(options, out.panel, out.solver, out.problem)) return false;
    if (out.problem.fingerprint != m.fingerprint) {
        std::fprintf(stderr, "%s: the problem built from it is not the one that was split\n", path.c_str());
        return false;
    }
    return true;
}

bool open_split(const std::string& dir, OpenSplit& out) { return read_split(dir, out) && load_split(out); }

std::string unit_path(const OpenSplit& split, std::size_t k, const char* suffix) {
    return (fs::path(split.dir) / unit_name(k, suffix)).string();
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

namespace {

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

}  // namespace

// Reads unit k's result: an empty string when it is this split's, or what is wrong with it.
std::string read_unit_result(const OpenSplit& split, std::size_t k, UnitRecord& record) {
    const FileText file = read_text_file(unit_path(split, k, ".result"), kResultLimit);
    if (!file.ok()) return "it cannot be read (" + file.fault + ")";
    const std::string fault = read_result(file.text, record);
    if (!fault.empty()) return fault;
    if (record.manifest_sha256 != split.manifest_sha256 || record.unit != k)
        return "it belongs to another split or another unit";
    return {};
}

namespace {

UnitEnd unit_end(solve::RunEnd end) {
    return end == solve::RunEnd::Complete       ? UnitEnd::Complete
           : end == solve::RunEnd::MaxSolutions ? UnitEnd::MaxSolutions
                                                : UnitEnd::Stopped;
}

}  // namespace

bool file_exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// Unit k has a result of this split that says it ran to its end.
bool unit_done(const OpenSplit& split, std::size_t k, UnitRecord& record) {
    return file_exists(unit_path(split, k, ".result")) && read_unit_result(split, k, record).empty() &&
           record.end != UnitEnd::Stopped;
}

namespace {

// Where unit k's run starts: its checkpoint, when a run before left one, or else its prefix.
// False after one line when the checkpoint is not this unit's or not whole; it is kept for the
// user to look at (removing it solves the unit from its start).
bool unit_start(const OpenSplit& split, const solve::Scope& scope, const std::string& checkpoint, solve::SolveRun& run) {
    solve::Checkpoint& state = run.state;
    const std::size_t k = scope.unit;
    if (file_exists(checkpoint)) {
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

}  // namespace

// Solves unit k of an open split (continuing from its checkpoint) and writes its result; the
// exit status of `tessera solve`. `table` may keep dead states from the split's earlier units.
int solve_split_unit(const OpenSplit& split, std::size_t k, const solve::SolveOptions& opt, solve::DeadStates* table) {
    const Manifest& m = split.manifest;
    solve::Scope scope{k, split.manifest_sha256, {}};
    if (!unit_prefix(split, k, scope.prefix)) return 2;

    solve::SolveOptions unit = opt;
    solve::options_from(m.source, unit);
    unit.count = m.count;
    unit.max_solutions = m.max_solutions;
    unit.checkpoint = unit_path(split, k, ".checkpoint");
    unit.output = unit_path(split, k, "_solved.txt");
    solve::SolveRun run;
    run.dead_states = table;
    // A rerun (a requeued job, a second try) goes on from the unit's own checkpoint.
    if (!unit_start(split, scope, unit.checkpoint, run)) return 2;
    run.state.fingerprint = split.problem.fingerprint;
    run.state.source = m.source;
    run.state.scope = std::move(scope);
    run.state.sealed = true;
    if (!solve::outputs_usable(unit)) return 2;
    const int status = solve::solve_frontier(unit, *split.solver, split.problem, run);

    UnitRecord record;
    record.manifest_sha256 = split.manifest_sha256;
    record.unit = k;
    record.solutions = run.state.totals.solutions;
    record.tilings = run.state.totals.tilings;
    record.nodes = run.state.totals.nodes;
    record.end = run.failed ? UnitEnd::Stopped : unit_end(run.end);
    record.seconds = run.state.seconds;
    for (std::uint64_t n = 1; n <= run.state.written; ++n) {
        const std::string path = solve::solution_path(unit.output, n, m.max_solutions != 0);
        std::string hash;
        solve::sha256_of_file(path, hash);
        record.files.emplace_back(fs::path(path).filename().string(), hash);
    }
    if (!write_or_say(unit_path(split, k, ".result"), result_text(record))) return 1;
    return status;
}

int run_unit(const solve::SolveOptions& opt) {
    OpenSplit split;
    if (!open_split(opt.manifest, split)) return 2;
    const std::size_t k = opt.unit;
    if (k < 1 || k > split.manifest.units) {
        std::fprintf(stderr, "--unit: %zu is not a unit of %s (1..%zu)\n", k, opt.manifest.c_str(),
                     split.manifest.units);
        return 2;
    }
    UnitRecord done;
    if (unit_done(split, k, done)) {
        std::printf("unit %zu is done already: solutions=%s nodes=%llu\n", k, done.solutions.text().c_str(),
                    static_cast<unsigned long long>(done.nodes));
        return 0;
    }
    return solve_split_unit(split, k, opt, nullptr);
}

}  // namespace tessera::work
