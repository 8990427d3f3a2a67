// tessera solve: completes a board, or a limit region, by exact cover on every core. Every
// solution is verified by the independent checker before it is written or counted as written.
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "app/files.h"
#include "app/search_params.h"
#include "app/text.h"
#include "board/board.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/solve_problem.h"
#include "search/atomic_file.h"
#include "search/placement_file.h"
#include "solve/checkpoint.h"
#include "solve/units.h"
#include "check/checker.h"

namespace tessera::cli {

solve::Region read_region(const ProblemOptions& opt) {
    MemoryPanel panel;
    fill_panel(panel, opt.limits, opt.resume, opt.pairs);
    const Region r = limit_region(read_params(panel));
    const auto clamp = [](std::int64_t v, int hi) { return static_cast<int>(std::clamp<std::int64_t>(v, -1, hi)); };
    return {opt.limits, clamp(r.x1, kBoardRows), clamp(r.y1, kBoardCols), clamp(r.x2, kBoardRows),
            clamp(r.y2, kBoardCols)};
}

std::string solution_path(const std::string& output, std::uint64_t n, bool numbered) {
    if (!numbered) return output;
    const std::size_t dot = output.rfind('.');
    const std::size_t slash = output.rfind('/');
    const bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = has_ext ? output.substr(0, dot) : output;
    return stem + format("_%llu", static_cast<unsigned long long>(n)) + (has_ext ? output.substr(dot) : "");
}

namespace {

// Every cell of the board, or of the region, holds 100.
bool covers_goal(const SolverState& s, const solve::Problem& problem, const PlacementList& list) {
    BoardMatrix board;
    fill_initial_board(board);
    for (int n = 0; n < list.count; ++n) {
        const Placement& e = list.entries[n];
        const PieceRecord& rec = s.prvky[e.piece][e.orientation];
        for (int r = 0; r < kGridRows; ++r)
            for (int c = 0; c < kGridCols; ++c)
                if (rec.cells[r][c] != 0)
                    board[e.row + r - rec.anchor_row][e.col + c - rec.anchor_col] += rec.cells[r][c];
    }
    const solve::Region& g = problem.region;
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y) {
            const bool goal = !g.limited || (x > g.x1 && x <= g.x2 && y > g.y1 && y <= g.y2);
            if (goal && board[x][y] != kFull) return false;
        }
    return true;
}

}  // namespace

std::string solution_fault(const SolverState& s, const solve::Problem& problem, const PlacementList& list) {
    const check::PlacementReport report = check::check_placement(s.prvky, list, "solution");
    if (!report.valid()) return check::verdict(report);
    if (!covers_goal(s, problem, list)) return "it leaves cells of the goal unfilled";
    return {};
}

std::unique_ptr<PlacementList> placement_list(const std::vector<Placement>& fixed, const solve::Prefix& prefix) {
    auto list = std::make_unique<PlacementList>();
    for (const solve::Prefix* part : {&fixed, &prefix})
        for (const Placement& e : *part) {
            list->entries[list->count] = e;
            list->lines[list->count] = list->count + 1;
            ++list->count;
        }
    return list;
}

bool load_problem(const ProblemOptions& opt, MemoryPanel& panel, std::unique_ptr<Solver>& solver,
                  solve::Problem& problem) {
    solver = start_up(panel, opt.work_dir, opt.pieces);
    if (!solver) return false;
    std::vector<Placement> fixed;
    if (!opt.resume.empty()) {
        auto list = std::make_unique<PlacementList>();
        if (!read_placements(opt.resume, *list)) return false;
        const std::string fault = check_placements(solver->state().prvky, opt.resume.c_str(), *list);
        if (!fault.empty()) {
            std::fprintf(stderr, "%s\n", fault.c_str());
            return false;
        }
        fixed.assign(list->entries, list->entries + list->count);
    }
    solve::build_problem(solver->state().prvky, fixed, read_region(opt), problem);
    return true;
}

void add_problem_options(CLI::App& sub, ProblemOptions& opt) {
    sub.add_option("--pieces", opt.pieces, "piece source file")->capture_default_str();
    sub.add_option("--resume", opt.resume, "placement to complete: its pieces stay where they are");
    sub.add_flag("--limits", opt.limits, "complete only the limit region of the search, not the whole board");
    add_pair_options(sub, opt.pairs, false);
    sub.add_option("-C", opt.work_dir, "working directory: the files are read and written there");
}

void note_problem_given(const CLI::App& sub, ProblemOptions& opt) {
    std::size_t given = sub.count("--pieces") + sub.count("--resume") + sub.count("--limits");
    for (int i = 0; i < kPairOptions; ++i) given += opt.pairs[i].empty() ? 0 : 1;
    opt.problem_given = given != 0;
}

bool source_of(const ProblemOptions& opt, const solve::Problem& problem, solve::ProblemSource& out) {
    std::vector<std::string> pairs;
    for (int i = 0; i < kPairOptions; ++i)
        if (!opt.pairs[i].empty()) pairs.push_back(pair_option(i) + " " + opt.pairs[i]);
    const std::string unreadable =
        solve::describe_source(opt.pieces, opt.resume, opt.limits, std::move(pairs), problem.region, out);
    if (!unreadable.empty()) std::fprintf(stderr, "%s: cannot be read again to take its hash\n", unreadable.c_str());
    return unreadable.empty();
}

void options_from(const solve::ProblemSource& source, ProblemOptions& out) {
    out.pieces = source.pieces;
    out.resume = source.resume;
    out.limits = source.limits;
    for (const std::string& pair : source.pairs) {
        const std::size_t blank = pair.find(' ');
        const int index = pair_index(pair.substr(0, blank).c_str());
        if (index >= 0 && blank != std::string::npos) out.pairs[index] = pair.substr(blank + 1);
    }
}

bool outputs_usable(const SolveOptions& opt) {
    const bool numbered = opt.max_solutions != 0;
    struct Output {
        const char* option;
        std::string path;
        OutputKind kind;
    };
    std::vector<Output> outputs;
    if (!opt.count) {
        if (numbered && is_special_file(opt.output)) {
            std::fprintf(stderr, "-o: '%s' is a device or a pipe, which takes one file; --max-solutions writes "
                                 "numbered files beside it, so give a file name\n", opt.output.c_str());
            return false;
        }
        outputs.push_back({"-o", solution_path(opt.output, 1, numbered), OutputKind::FileOrDevice});
    }
    if (!opt.checkpoint.empty()) outputs.push_back({"--checkpoint", opt.checkpoint, OutputKind::File});
    const std::pair<const char*, std::string> inputs[] = {{"the piece file", opt.pieces},
                                                          {"the resume placement", opt.resume}};
    for (const Output& out : outputs) {
        if (const std::string fault = output_fault(out.path, out.kind); !fault.empty()) {
            std::fprintf(stderr, "%s: cannot write '%s' (%s)\n", out.option, out.path.c_str(), fault.c_str());
            return false;
        }
        for (const auto& [what, input] : inputs)
            if (!input.empty() && same_file(out.path, input)) {
                std::fprintf(stderr, "%s: '%s' is %s; an output never overwrites an input\n", out.option,
                             out.path.c_str(), what);
                return false;
            }
    }
    if (outputs.size() == 2 && same_file(outputs[0].path, outputs[1].path)) {
        std::fprintf(stderr, "-o: '%s' is the checkpoint too; give them different names\n", outputs[0].path.c_str());
        return false;
    }
    if (!opt.continue_from.empty() && !opt.count && same_file(outputs[0].path, opt.continue_from)) {
        std::fprintf(stderr, "-o: '%s' is the checkpoint to continue from; give the solution another name\n",
                     outputs[0].path.c_str());
        return false;
    }
    return true;
}

namespace {

// Messages during a run start on a line of their own: the progress line is wiped first.
void say(bool progress, const std::string& line) {
    std::fprintf(stderr, "%s%s\n", progress ? "\r\033[K" : "", line.c_str());
}

class SolutionWriter {
public:
    SolutionWriter(const Solver& solver, const solve::Problem& problem, const SolveOptions& opt, std::uint64_t written,
                   bool progress)
        : s_(solver.state()), p_(problem), opt_(opt), written_(written), progress_(progress) {}

    // Checks one solution with the independent checker and writes it; false after one line on
    // standard error when it fails the check or cannot be written. A solution that cannot be
    // written goes to standard output instead, and is not counted as written.
    bool operator()(const solve::Prefix& labelled) {
        const std::unique_ptr<PlacementList> list = placement_list(p_.fixed, labelled);
        const std::string fault = solution_fault(s_, p_, *list);
        if (!fault.empty()) {
            say(progress_, "solve: a solution failed the check: " + fault);
            failed_ = true;
            return false;
        }
        if (opt_.count) return true;
        const std::string text = placement_file_text(p_.fixed, labelled);
        const std::string path = solution_path(opt_.output, written_ + 1, opt_.max_solutions != 0);
        if (const int err = write_file_atomically(path, text)) {
            say(progress_, format("Nemohu zapsat vysledny soubor: '%s' (%s); the solution is printed on standard "
                                  "output instead",
                                  path.c_str(), std::strerror(err)));
            std::fputs(text.c_str(), stdout);
            failed_ = true;
            return false;
        }
        ++written_;
        return true;
    }

    std::uint64_t written() const { return written_; }
    bool failed() const { return failed_; }

private:
    const SolverState& s_;
    const solve::Problem& p_;
    const SolveOptions& opt_;
    std::uint64_t written_;
    bool progress_;
    bool failed_ = false;
};

void draw_progress(const solve::Progress& p) {
    const long whole = static_cast<long>(p.seconds);
    std::fprintf(stderr, "\r\033[K%ld:%02ld:%02ld  nodes %llu  %.0f/s  deepest %d  tilings %llu", whole / 3600,
                 whole / 60 % 60, whole % 60, static_cast<unsigned long long>(p.nodes),
                 p.seconds > 0 ? static_cast<double>(p.nodes) / p.seconds : 0.0, p.deepest,
                 static_cast<unsigned long long>(p.tilings));
    if (p.fraction >= 0) std::fprintf(stderr, "  done ~%.3g%%", 100 * p.fraction);
    std::fflush(stderr);
}

}  // namespace

int solve_frontier(const SolveOptions& opt, const Solver& solver, const solve::Problem& problem, SolveRun& result) {
    const auto started = std::chrono::steady_clock::now();
    solve::Checkpoint& state = result.state;
    // A continued run's seconds add to those of the runs before it, as its counts do.
    const double seconds_before = state.seconds;
    const auto seconds_so_far = [&] {
        return seconds_before + std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    catch_stop_signals();
    const bool progress = !opt.quiet && ::isatty(STDERR_FILENO);
    SolutionWriter writer(solver, problem, opt, state.written, progress);
    solve::RunOptions run;
    run.threads = opt.threads > 0 ? opt.threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    run.time_limit = opt.time_limit;
    run.dead_states = result.dead_states;
    run.should_stop = [] { return g_stop_signal != 0; };
    // Counting checks each tiling once; the solutions it stands for differ only in the numbers
    // of pieces of one shape.
    if (opt.count)
        run.on_tiling = [&](const solve::Prefix& tiling) { return writer(tiling); };
    else
        run.on_solution = [&](const solve::Prefix& labelled) { return writer(labelled); };
    const std::uint64_t wanted = opt.count ? 0 : (opt.max_solutions != 0 ? opt.max_solutions : 1);
    run.max_solutions = wanted > state.written ? wanted - state.written : 0;
    // Looking for some solutions, subproblems take turns; a count walks the tree depth first.
    if (!opt.count) run.turn_nodes = 1024;
    bool checkpoint_failed = false;
    run.checkpoint_every = opt.checkpoint_every;
    // A run killed in its first minute still leaves a checkpoint to go on from.
    if (!opt.checkpoint.empty()) run.first_checkpoint = std::min(5.0, opt.checkpoint_every);
    run.on_checkpoint = [&](const solve::SearchTotals& totals) {
        if (opt.checkpoint.empty()) return;
        solve::Checkpoint c = state;
        c.totals = totals;
        c.written = writer.written();
        c.seconds = seconds_so_far();
        if (const int err = solve::write_checkpoint(opt.checkpoint, c)) {
            say(progress, format("Nemohu zapsat vysledny soubor: '%s' (%s)", opt.checkpoint.c_str(), std::strerror(err)));
            checkpoint_failed = true;
        }
    };
    if (progress) run.on_progress = draw_progress;

    // A continued run whose solutions are all written has nothing left to do.
    const solve::RunEnd end = wanted != 0 && state.written >= wanted ? solve::RunEnd::MaxSolutions
                                                                     : solve::run_search(problem, state.totals, run);
    // Also when there was nothing to search (a checkpoint that was complete, pieces that cannot fill
    // the board): the checkpoint says so.
    if (end == solve::RunEnd::Complete) run.on_checkpoint(state.totals);
    if (progress) std::fputs("\r\033[K", stderr);
    if (!opt.quiet) {
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::fprintf(stderr, "%llu nodes in %.1f s (%.0f nodes/s), deepest depth %d\n",
                     static_cast<unsigned long long>(state.totals.nodes), t,
                     t > 0 ? static_cast<double>(state.totals.nodes) / t : 0.0,
                     static_cast<int>(problem.fixed.size()) + state.totals.deepest);
    }
    const bool complete = end == solve::RunEnd::Complete;
    result.complete = complete;
    result.end = end;
    result.failed = checkpoint_failed || writer.failed();
    state.written = writer.written();
    state.seconds = seconds_so_far();
    std::printf("solutions=%s tilings=%llu nodes=%llu complete=%s\n", state.totals.solutions.text().c_str(),
                static_cast<unsigned long long>(state.totals.tilings),
                static_cast<unsigned long long>(state.totals.nodes), complete ? "yes" : "no");
    if (std::fflush(stdout) != 0 || checkpoint_failed || writer.failed()) return 1;
    if (end == solve::RunEnd::Stopped) return 3;
    return 0;
}

namespace {

// The checkpoint to continue from, read before the problem is built: without --pieces,
// --resume or a region option, the problem is the one it names. False after one line.
bool read_carried(SolveOptions& opt, solve::Checkpoint& carried) {
    const std::string& path = opt.continue_from;
    if (const std::string fault = solve::read_checkpoint_file(path, carried); !fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        return false;
    }
    if (!carried.sealed)
        std::fprintf(stderr, "%s: a checkpoint of an earlier version, without a seal: its counts are taken as they "
                             "stand\n", path.c_str());
    if (carried.scope.unit != 0) {
        std::fprintf(stderr, "%s: the checkpoint covers unit %zu of a split; go on with tessera solve --manifest DIR "
                             "--unit %zu\n", path.c_str(), carried.scope.unit, carried.scope.unit);
        return false;
    }
    if (opt.problem_given || !carried.sealed) return true;
    if (const std::string changed = solve::source_files_changed(carried.source); !changed.empty()) {
        std::fprintf(stderr, "%s: %s since the checkpoint\n", path.c_str(), changed.c_str());
        return false;
    }
    options_from(carried.source, opt);
    return true;
}

int run_solve(SolveOptions opt) {
    if (!enter_work_dir(opt.work_dir)) return 2;
    opt.work_dir.clear();
    solve::Checkpoint carried;
    const bool continuing = !opt.continue_from.empty();
    if (continuing && !read_carried(opt, carried)) return 2;

    MemoryPanel panel;
    std::unique_ptr<Solver> solver;
    auto problem = std::make_unique<solve::Problem>();
    if (!load_problem(opt, panel, solver, *problem)) return 2;
    SolveRun run;
    solve::Checkpoint& state = run.state;
    solve::ProblemSource source;
    if (!source_of(opt, *problem, source)) return 2;
    if (continuing) {
        std::string fault;
        if (const std::string differs = solve::source_difference(carried.source, source);
            carried.sealed && !differs.empty())
            fault = opt.continue_from + ": the checkpoint belongs to another problem: " + differs + " differs";
        else
            fault = solve::check_checkpoint(opt.continue_from, carried, *problem, {});
        if (!fault.empty()) {
            std::fprintf(stderr, "%s\n", fault.c_str());
            return 2;
        }
        state = std::move(carried);
        // A continued run keeps its checkpoint up to date unless told to write another.
        if (opt.checkpoint.empty()) opt.checkpoint = opt.continue_from;
    } else if (!problem->area_mismatch()) {
        state.totals.frontier.push_back({});
    }
    state.fingerprint = problem->fingerprint;
    state.source = source;
    state.sealed = true;
    if (!outputs_usable(opt)) return 2;
    return solve_frontier(opt, *solver, *problem, run);
}

}  // namespace

Command add_solve_command(CLI::App& app) {
    auto opt = std::make_shared<SolveOptions>();
    CLI::App* sub = app.add_subcommand(
        "solve", "Complete the board (or the limit region) by exact cover on every core; write each solution");
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
    auto* manifest = sub->add_option("--manifest", opt->manifest, "solve one work unit of this split folder (with --unit)");
    sub->add_option("--unit", opt->unit, "the unit to solve, from 1; its result goes beside it")
        ->check(whole_number_from(1, 1000000000))
        ->needs(manifest);
    return {sub, [opt, sub] {
                note_problem_given(*sub, *opt);
                return opt->manifest.empty() ? run_solve(*opt) : run_unit(*opt);
            }};
}

}  // namespace tessera::cli
