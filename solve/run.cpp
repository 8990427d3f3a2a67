#include "solve/run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "app/files.h"
#include "app/search_params.h"
#include "app/start_up.h"
#include "app/text.h"
#include "board/board.h"
#include "check/checker.h"
#include "search/atomic_file.h"
#include "search/placement_file.h"
#include "solve/fill_run.h"

namespace tessera::solve {

Region read_region(const ProblemOptions& opt) {
    MemoryPanel panel;
    fill_panel(panel, opt.limits, opt.resume, opt.pairs);
    const tessera::Region r = limit_region(read_params(panel));
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
bool covers_goal(const SolverState& s, const Problem& problem, const PlacementList& list) {
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
    const Region& g = problem.region;
    for (int x = 0; x < kBoardRows; ++x)
        for (int y = 0; y < kBoardCols; ++y) {
            const bool goal = !g.limited || (x > g.x1 && x <= g.x2 && y > g.y1 && y <= g.y2);
            if (goal && board[x][y] != kFull) return false;
        }
    return true;
}

}  // namespace

std::string solution_fault(const SolverState& s, const Problem& problem, const PlacementList& list) {
    const check::PlacementReport report = check::check_placement(s.prvky, list, "solution");
    if (!report.valid()) return check::verdict(report);
    if (!covers_goal(s, problem, list)) return "it leaves cells of the goal unfilled";
    return {};
}

std::unique_ptr<PlacementList> placement_list(const std::vector<Placement>& fixed, const Prefix& prefix) {
    auto list = std::make_unique<PlacementList>();
    for (const Prefix* part : {&fixed, &prefix})
        for (const Placement& e : *part) {
            list->entries[list->count] = e;
            list->lines[list->count] = list->count + 1;
            ++list->count;
        }
    return list;
}

std::string placement_file_text(const std::vector<Placement>& fixed, const Prefix& prefix) {
    std::vector<Placement> stack{Placement{}};
    stack.insert(stack.end(), fixed.begin(), fixed.end());
    stack.insert(stack.end(), prefix.begin(), prefix.end());
    std::string text(kPlacementTextMax, '\0');
    text.resize(placement_text(stack.data(), static_cast<int>(stack.size() - 1), text.data()));
    return text;
}

// Without the line, a piece file cut short would pass for a puzzle proved to have no board.
bool areas_match(const Problem& problem) {
    if (!problem.area_mismatch()) return true;
    std::fprintf(stderr, "the free pieces cover %lld sixths and the board leaves %lld open: no full board exists\n",
                 static_cast<long long>(problem.piece_area), static_cast<long long>(problem.primary_area));
    return false;
}

bool load_problem(const ProblemOptions& opt, MemoryPanel& panel, std::unique_ptr<Solver>& solver,
                  Problem& problem) {
    if (opt.limits) {
        MemoryPanel params;
        fill_panel(params, opt.limits, opt.resume, opt.pairs);
        if (const std::string fault = region_fault(read_params(params)); !fault.empty()) {
            std::fprintf(stderr, "%s\n", fault.c_str());
            return false;
        }
    }
    solver = start_up(panel, opt.work_dir, opt.pieces);
    if (!solver) return false;
    std::vector<Placement> fixed;
    if (!opt.resume.empty()) {
        auto list = std::make_unique<PlacementList>();
        if (!read_placements(opt.resume, *list)) return false;
        const std::string fault = resume_fault(solver->state().prvky, opt.resume.c_str(), *list);
        if (!fault.empty()) {
            std::fprintf(stderr, "%s\n", fault.c_str());
            return false;
        }
        fixed.assign(list->entries, list->entries + list->count);
    }
    build_problem(solver->state().prvky, fixed, read_region(opt), problem);
    return true;
}

bool source_of(const ProblemOptions& opt, const Problem& problem, ProblemSource& out) {
    std::vector<std::string> pairs;
    for (int i = 0; i < kPairOptions; ++i)
        if (!opt.pairs[i].empty()) pairs.push_back(pair_option(i) + " " + opt.pairs[i]);
    const std::string unreadable =
        describe_source(opt.pieces, opt.resume, opt.limits, std::move(pairs), problem.region, out);
    if (!unreadable.empty()) std::fprintf(stderr, "%s: cannot be read again to take its hash\n", unreadable.c_str());
    return unreadable.empty();
}

void options_from(const ProblemSource& source, ProblemOptions& out) {
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


void say(const RunHooks& hooks, const std::string& line) {
    if (hooks.wipe_progress) hooks.wipe_progress();
    std::fprintf(stderr, "%s\n", line.c_str());
}

namespace {

class SolutionWriter {
public:
    SolutionWriter(const Solver& solver, const Problem& problem, const SolveOptions& opt, std::uint64_t written)
        : s_(solver.state()), p_(problem), opt_(opt), written_(written) {}

    // Checks one solution with the independent checker and writes it; false after one line on
    // standard error when it fails the check or cannot be written. A solution that cannot be
    // written goes to standard output instead, and is not counted as written.
    bool operator()(const Prefix& labelled) {
        const std::unique_ptr<PlacementList> list = placement_list(p_.fixed, labelled);
        const std::string fault = solution_fault(s_, p_, *list);
        if (!fault.empty()) {
            say(opt_.hooks, "solve: a solution failed the check: " + fault);
            failed_ = true;
            return false;
        }
        if (opt_.count) return true;
        const std::string text = placement_file_text(p_.fixed, labelled);
        const std::string path = solution_path(opt_.output, written_ + 1, opt_.max_solutions != 0);
        if (const int err = write_file_atomically(path, text)) {
            say(opt_.hooks, format("Nemohu zapsat vysledny soubor: '%s' (%s); the solution is printed on standard "
                                  "output instead",
                                  path.c_str(), std::strerror(err)));
            std::fputs(text.c_str(), stdout);
            failed_ = true;
            return false;
        }
        ++written_;
        say(opt_.hooks, format("solve: solution %llu written to '%s', checked by the independent checker",
                               static_cast<unsigned long long>(written_), path.c_str()));
        return true;
    }

    std::uint64_t written() const { return written_; }
    bool failed() const { return failed_; }

private:
    const SolverState& s_;
    const Problem& p_;
    const SolveOptions& opt_;
    std::uint64_t written_;
    bool failed_ = false;
};

}  // namespace

int solve_frontier(const SolveOptions& opt, const Solver& solver, const Problem& problem, SolveRun& result) {
    const auto started = std::chrono::steady_clock::now();
    Checkpoint& state = result.state;
    // A continued run's seconds add to those of the runs before it, as its counts do.
    const double seconds_before = state.seconds;
    const std::uint64_t nodes_before = state.totals.nodes;
    const auto seconds_so_far = [&] {
        return seconds_before + std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    SolutionWriter writer(solver, problem, opt, state.written);
    RunOptions run;
    run.threads = opt.threads > 0 ? opt.threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    run.time_limit = opt.time_limit;
    run.dead_states = result.dead_states;
    run.should_stop = opt.hooks.should_stop;
    // Counting checks each tiling once; the solutions it stands for differ only in the numbers
    // of pieces of one shape.
    if (opt.count)
        run.on_tiling = [&](const Prefix& tiling) { return writer(tiling); };
    else
        run.on_solution = [&](const Prefix& labelled) { return writer(labelled); };
    const std::uint64_t wanted = opt.count ? 0 : (opt.max_solutions != 0 ? opt.max_solutions : 1);
    run.max_solutions = wanted > state.written ? wanted - state.written : 0;
    // Looking for some solutions, subproblems take turns; a count walks the tree depth first.
    if (!opt.count) run.turn_nodes = 1024;
    bool checkpoint_failed = false;
    run.checkpoint_every = opt.checkpoint_every;
    // A run killed in its first minute still leaves a checkpoint to go on from.
    if (!opt.checkpoint.empty()) run.first_checkpoint = std::min(5.0, opt.checkpoint_every);
    run.on_checkpoint = [&](const SearchTotals& totals) {
        if (opt.checkpoint.empty()) return;
        Checkpoint c = state;
        c.totals = totals;
        c.written = writer.written();
        c.seconds = seconds_so_far();
        if (const int err = write_checkpoint(opt.checkpoint, c)) {
            say(opt.hooks, format("Nemohu zapsat vysledny soubor: '%s' (%s)", opt.checkpoint.c_str(), std::strerror(err)));
            checkpoint_failed = true;
        }
    };
    run.on_progress = opt.hooks.show_progress;

    // A continued run whose solutions are all written has nothing left to do.
    const RunEnd end = wanted != 0 && state.written >= wanted ? RunEnd::MaxSolutions
                                                                     : run_search(problem, state.totals, run);
    // Also when there was nothing to search (a checkpoint that was complete, pieces that cannot fill
    // the board): the checkpoint says so.
    if (end == RunEnd::Complete) run.on_checkpoint(state.totals);
    if (opt.hooks.wipe_progress) opt.hooks.wipe_progress();
    if (!opt.quiet) {
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        // The rate is this run's: a continued run's carried nodes took other runs' time.
        const std::uint64_t nodes = state.totals.nodes - nodes_before;
        std::fprintf(stderr, "%llu nodes in %.1f s (%.0f nodes/s), deepest depth %d\n",
                     static_cast<unsigned long long>(nodes), t, t > 0 ? static_cast<double>(nodes) / t : 0.0,
                     static_cast<int>(problem.fixed.size()) + state.totals.deepest);
    }
    const bool complete = end == RunEnd::Complete;
    result.complete = complete;
    result.end = end;
    result.failed = checkpoint_failed || writer.failed();
    state.written = writer.written();
    state.seconds = seconds_so_far();
    std::printf("solutions=%s tilings=%llu nodes=%llu complete=%s\n", state.totals.solutions.text().c_str(),
                static_cast<unsigned long long>(state.totals.tilings),
                static_cast<unsigned long long>(state.totals.nodes), complete ? "yes" : "no");
    if (std::fflush(stdout) != 0 || checkpoint_failed || writer.failed()) return 1;
    if (end == RunEnd::Stopped) return 3;
    return 0;
}


namespace {

// The checkpoint to continue from, read before the problem is built: without --pieces,
// --resume or a region option, the problem is the one it names. False after one line.
bool read_carried(SolveOptions& opt, Checkpoint& carried) {
    const std::string& path = opt.continue_from;
    if (const std::string fault = read_checkpoint_file(path, carried); !fault.empty()) {
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
    if (const std::string changed = source_files_changed(carried.source); !changed.empty()) {
        std::fprintf(stderr, "%s: %s since the checkpoint\n", path.c_str(), changed.c_str());
        return false;
    }
    options_from(carried.source, opt);
    return true;
}

}  // namespace

int run_solve(SolveOptions opt) {
    if (!enter_work_dir(opt.work_dir)) return 2;
    opt.work_dir.clear();
    Checkpoint carried;
    const bool continuing = !opt.continue_from.empty();
    if (continuing && !read_carried(opt, carried)) return 2;

    MemoryPanel panel;
    std::unique_ptr<Solver> solver;
    auto problem = std::make_unique<Problem>();
    if (!load_problem(opt, panel, solver, *problem)) return 2;
    SolveRun run;
    Checkpoint& state = run.state;
    ProblemSource source;
    if (!source_of(opt, *problem, source)) return 2;
    if (!continuing && fill_takes_over(opt, *problem))
        return outputs_usable(opt) ? run_fill_solve(opt, *solver, *problem) : 2;
    if (continuing) {
        std::string fault;
        if (const std::string differs = source_difference(carried.source, source);
            carried.sealed && !differs.empty())
            fault = opt.continue_from + ": the checkpoint belongs to another problem: " + differs + " differs";
        else
            fault = check_checkpoint(opt.continue_from, carried, *problem, {});
        if (!fault.empty()) {
            std::fprintf(stderr, "%s\n", fault.c_str());
            return 2;
        }
        state = std::move(carried);
        // A continued run keeps its checkpoint up to date unless told to write another.
        if (opt.checkpoint.empty()) opt.checkpoint = opt.continue_from;
    } else if (areas_match(*problem)) {
        state.totals.frontier.push_back({});
    }
    state.fingerprint = problem->fingerprint;
    state.source = source;
    state.sealed = true;
    if (!outputs_usable(opt)) return 2;
    return solve_frontier(opt, *solver, *problem, run);
}


}  // namespace tessera::solve
