#include "solve/fill_run.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <tuple>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "app/files.h"
#include "app/progress_line.h"
#include "app/start_up.h"
#include "app/text.h"
#include "search/atomic_file.h"
#include "solve/fill.h"

namespace tessera::solve {

namespace {

// The most a repair spends on the gap as it stands before it lifts pieces.
constexpr double kCloseAsGivenSeconds = 30;

std::string fill_progress_text(const FillProgress& p, int fixed) {
    return progress_text(p.seconds, "sweeps", p.restarts, fixed + p.pieces, fixed + p.best_pieces,
                         format("  open %lld sixths  exact %llu", static_cast<long long>(p.open_area),
                                static_cast<unsigned long long>(p.exact_runs)));
}

FillOptions fill_options(int threads, double time_limit, std::uint64_t seed, const RunHooks& hooks, int fixed) {
    FillOptions f;
    f.threads = threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    f.time_limit = time_limit;
    f.seed = seed;
    f.should_stop = hooks.should_stop;
    if (hooks.show_text)
        f.on_progress = [show = hooks.show_text, fixed](const FillProgress& p) { show(fill_progress_text(p, fixed)); };
    return f;
}

// Checks a full board with the independent checker and writes it; a board that cannot be
// written goes to standard output. Returns the exit status: 0, or 1 after one line.
int write_board(const RunHooks& hooks, const SolverState& s, const Problem& problem, const Prefix& laid,
                const std::string& path) {
    const std::unique_ptr<PlacementList> list = placement_list(problem.fixed, laid);
    if (const std::string fault = solution_fault(s, problem, *list); !fault.empty()) {
        say(hooks, "a board failed the check: " + fault);
        return 1;
    }
    const std::string text = placement_file_text(problem.fixed, laid);
    if (const int err = write_file_atomically(path, text)) {
        say(hooks, format("Nemohu zapsat vysledny soubor: '%s' (%s); the board is printed on standard output instead",
                          path.c_str(), std::strerror(err)));
        std::fputs(text.c_str(), stdout);
        return 1;
    }
    say(hooks, format("full board written to '%s', checked by the independent checker", path.c_str()));
    return 0;
}

// Keeps the fullest placement so far in `path`, whole or not at all; says once if it cannot.
class BestKeeper {
public:
    BestKeeper(const RunHooks& hooks, const Problem& problem, std::string path)
        : hooks_(hooks), problem_(problem), path_(std::move(path)) {}
    void operator()(const Prefix& laid) {
        if (laid.size() <= kept_ && wrote_) return;
        if (const int err = write_file_atomically(path_, placement_file_text(problem_.fixed, laid))) {
            if (!failed_) say(hooks_, format("Nemohu zapsat vysledny soubor: '%s' (%s)", path_.c_str(), std::strerror(err)));
            failed_ = true;
            return;
        }
        kept_ = laid.size();
        wrote_ = true;
    }
    bool failed() const { return failed_; }
    std::size_t kept() const { return kept_; }

private:
    const RunHooks& hooks_;
    const Problem& problem_;
    std::string path_;
    std::size_t kept_ = 0;
    bool wrote_ = false;
    bool failed_ = false;
};

void print_summary(const FillResult& r, int fixed) {
    std::printf("solutions=%d tilings=%d complete=%s fill=yes pieces=%d seconds=%.1f\n", r.full ? 1 : 0, r.full ? 1 : 0,
                r.impossible ? "yes" : "no", fixed + static_cast<int>(r.placements.size()), r.seconds);
}

}  // namespace

bool fill_takes_over(const SolveOptions& opt, const Problem& problem) {
    return !opt.walk && !opt.count && opt.checkpoint.empty() && opt.continue_from.empty() && opt.max_solutions <= 1 &&
           opt.manifest.empty() && !problem.region.limited && free_pieces(problem) > kFillTakesOver;
}

std::string best_path(const std::string& output) {
    const std::size_t slash = output.rfind('/');
    const std::size_t dot = output.rfind('.');
    if (dot == std::string::npos || dot == 0 || (slash != std::string::npos && dot < slash + 2))
        return output + "_best";
    return output.substr(0, dot) + "_best" + output.substr(dot);
}

int run_fill_solve(const SolveOptions& opt, const Solver& solver, const Problem& problem) {
    if (!areas_match(problem)) return 2;
    const std::string keep = best_path(opt.output);
    if (const std::string fault = output_fault(keep, OutputKind::File); !fault.empty()) {
        std::fprintf(stderr, "-o: cannot write '%s' beside it for the fullest placement (%s)\n", keep.c_str(),
                     fault.c_str());
        return 2;
    }
    const int fixed = static_cast<int>(problem.fixed.size());
    FillOptions f = fill_options(opt.threads, opt.time_limit, opt.seed, opt.hooks, fixed);
    // The fullest placement is kept all along: a run that is killed leaves it too.
    BestKeeper best(opt.hooks, problem, keep);
    f.on_best = [&best](const std::vector<Placement>& laid) { best(laid); };
    const FillResult r = fill_board(problem, f);
    if (opt.hooks.wipe_progress) opt.hooks.wipe_progress();
    int status = 0;
    if (r.full) {
        status = write_board(opt.hooks, solver.state(), problem, r.placements, opt.output);
        if (status == 0) std::remove(keep.c_str());  // the board stands for it
    } else if (!r.impossible) {
        best(r.placements);
        if (!best.failed())
            say(opt.hooks, format("no full board yet; the fullest placement (%d of %d pieces) is in '%s' (tessera repair "
                                  "goes on from it)", fixed + static_cast<int>(r.placements.size()), kPieceCount,
                                  keep.c_str()));
        status = best.failed() ? 1 : 3;
    }
    print_summary(r, fixed);
    if (std::fflush(stdout) != 0) return 1;
    return status;
}

namespace {

// The placement to repair, checked as a resume file is, and the whole board's problem without
// it. False after one line.
bool load_repair(const RepairOptions& opt, MemoryPanel& panel, std::unique_ptr<Solver>& solver, Problem& problem,
                 std::vector<Placement>& start, Problem& with_start) {
    ProblemOptions given = opt;
    given.resume = opt.placement;
    given.limits = false;
    if (!load_problem(given, panel, solver, with_start)) return false;
    start = lowest_orientations(solver->state().prvky, with_start.fixed);
    given.resume.clear();
    build_problem(solver->state().prvky, {}, read_region(given), problem);
    return areas_match(problem);
}

// The pieces of the start that lie where they lay.
std::size_t pieces_kept(std::vector<Placement> start, std::vector<Placement> end) {
    const auto order = [](const Placement& a, const Placement& b) {
        return std::tie(a.piece, a.row, a.col, a.orientation) < std::tie(b.piece, b.row, b.col, b.orientation);
    };
    std::sort(start.begin(), start.end(), order);
    std::sort(end.begin(), end.end(), order);
    std::vector<Placement> both;
    std::set_intersection(start.begin(), start.end(), end.begin(), end.end(), std::back_inserter(both), order);
    return both.size();
}

bool repair_output_usable(const RepairOptions& opt) {
    if (const std::string fault = output_fault(opt.output, OutputKind::File); !fault.empty()) {
        std::fprintf(stderr, "-o: cannot write '%s' (%s)\n", opt.output.c_str(), fault.c_str());
        return false;
    }
    for (const std::string& input : {opt.pieces, opt.placement})
        if (same_file(opt.output, input)) {
            std::fprintf(stderr, "-o: '%s' is an input; an output never overwrites an input\n", opt.output.c_str());
            return false;
        }
    return true;
}

// A gap the exact walk finishes is closed with every piece of the placement kept: the walk on
// every thread for a share of the time. Returns the exit status, or -1 to go on lifting pieces.
int close_as_given(const RepairOptions& opt, const SolverState& s, const Problem& as_given) {
    if (as_given.area_mismatch() || free_pieces(as_given) > kFillTakesOver) return -1;
    const int fixed = static_cast<int>(as_given.fixed.size());
    const double share = opt.time_limit > 0 ? opt.time_limit / 4 : kCloseAsGivenSeconds;
    FillOptions f = fill_options(opt.threads, std::min(share, kCloseAsGivenSeconds), opt.seed, opt.hooks, fixed);
    const FillResult r = fill_board(as_given, f);
    if (opt.hooks.wipe_progress) opt.hooks.wipe_progress();
    if (!r.full || (opt.hooks.should_stop && opt.hooks.should_stop())) return -1;
    const int status = write_board(opt.hooks, s, as_given, r.placements, opt.output);
    std::printf("full=yes pieces=%d kept=%d of %d seconds=%.1f\n", kPieceCount, fixed, fixed, r.seconds);
    return std::fflush(stdout) != 0 ? 1 : status;
}

}  // namespace

int run_repair(RepairOptions opt) {
    if (!enter_work_dir(opt.work_dir)) return 2;
    opt.work_dir.clear();
    MemoryPanel panel;
    std::unique_ptr<Solver> solver;
    auto problem = std::make_unique<Problem>();
    auto as_given = std::make_unique<Problem>();
    std::vector<Placement> start;
    if (!load_repair(opt, panel, solver, *problem, start, *as_given) || !repair_output_usable(opt)) return 2;
    if (const int done = close_as_given(opt, solver->state(), *as_given); done >= 0) return done;

    // The output holds the fullest placement from the start on: the user's own until the fill
    // has laid more.
    BestKeeper best(opt.hooks, *problem, opt.output);
    best(start);
    FillOptions f = fill_options(opt.threads, opt.time_limit, opt.seed, opt.hooks, 0);
    f.on_best = [&best](const std::vector<Placement>& laid) { best(laid); };
    const FillResult r = repair(*problem, start, f);
    if (opt.hooks.wipe_progress) opt.hooks.wipe_progress();
    int status = 0;
    if (r.full) {
        status = write_board(opt.hooks, solver->state(), *problem, r.placements, opt.output);
    } else {
        best(r.placements);
        if (r.impossible)
            say(opt.hooks, "the pieces cannot fill the board");
        else
            say(opt.hooks, format("no full board yet; the fullest placement (%zu of %d pieces) is in '%s'", best.kept(),
                                  kPieceCount, opt.output.c_str()));
        status = best.failed() ? 1 : (r.impossible ? 0 : 3);
    }
    std::printf("full=%s pieces=%zu kept=%zu of %zu seconds=%.1f\n", r.full ? "yes" : "no",
                r.full ? r.placements.size() : best.kept(), pieces_kept(start, r.placements), start.size(), r.seconds);
    if (std::fflush(stdout) != 0) return 1;
    return status;
}

}  // namespace tessera::solve
