#include "solve/fill.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>

#include "solve/fill_exact.h"
#include "solve/fill_sweep.h"

namespace tessera::solve {

namespace {

using Clock = std::chrono::steady_clock;

// Rings from the border in get furthest on puzzles whose pieces with halves mostly lie on the
// border, and die early on those with many pairs of halves inside; sweeps drawn at random between
// rings and bands do well on both. With two threads or more every other thread sweeps in rings
// only, so a run gets the better of the two on either kind of puzzle.
std::vector<FillOptions> options_by_thread(const FillOptions& options, int threads) {
    std::vector<FillOptions> out(static_cast<std::size_t>(threads), options);
    if (!options.inward_on_odd_threads || !options.sweep_mixed) return out;
    for (std::size_t t = 1; t < out.size(); t += 2) {
        out[t].sweep_mixed = false;
        out[t].sweep_inward = true;
    }
    return out;
}

// Runs one sweeper per thread until one fills the board or the run is stopped, reporting from
// the calling thread.
FillResult run_portfolio(const Problem& problem, const std::vector<Placement>& start, const FillOptions& options) {
    const Clock::time_point started = Clock::now();
    if (problem.area_mismatch()) {
        FillResult none;
        none.impossible = true;
        return none;
    }
    FillShared shared;
    // The start is the best so far until a sweep lays more: a repair stopped early, or one whose
    // windows never get past the start's count, reports and keeps the user's placement, not none.
    if (!start.empty()) {
        FillState laid(problem);
        for (const Placement& e : start) laid.place_if_fits(e);
        shared.offer(laid, false);
    }
    const int threads = std::max(1, options.threads);
    const std::vector<FillOptions> thread_options = options_by_thread(options, threads);
    std::vector<std::unique_ptr<Sweeper>> sweepers;
    for (int t = 0; t < threads; ++t)
        sweepers.push_back(std::make_unique<Sweeper>(problem, thread_options[t], sweep_seed(options.seed, t), shared));
    // A board with few free pieces is the exact search's: every thread runs it to the end, each
    // walking the tree in another order (the first to finish ends the run, a proof too).
    // A limit region is the exact search's too: the sweep and its checks are made for a full board.
    const bool exact_first = problem.region.limited || (start.empty() && free_pieces(problem) <= options.exact_first_pieces);
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&sweepers, &start, t, exact_first] { sweepers[t]->run(start, exact_first ? t : -1); });

    double next_report = options.progress_every;
    double next_best = options.progress_every;
    int best_shown = -1;
    const auto show_best = [&] {
        if (!options.on_best || shared.best_pieces.load() <= best_shown) return;
        std::vector<Placement> best;
        {
            std::lock_guard lock(shared.mu);
            best = shared.best;
            best_shown = shared.best_pieces.load();
        }
        options.on_best(best);
    };
    for (;;) {
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        bool all_done = true;
        for (auto& s : sweepers) all_done = all_done && s->finished();
        if (all_done) break;
        if ((options.should_stop && options.should_stop()) || (options.time_limit > 0 && seconds >= options.time_limit))
            shared.stop.store(true);
        if (options.on_progress && seconds >= next_report) {
            next_report = seconds + options.progress_every;
            options.on_progress(shared.progress(seconds, sweepers));
        }
        if (seconds >= next_best) {
            next_best = seconds + options.progress_every;
            show_best();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    shared.stop.store(true);
    for (std::thread& t : pool) t.join();
    show_best();

    FillResult out;
    out.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    {
        std::lock_guard lock(shared.mu);
        out.full = shared.full;
        out.impossible = shared.impossible;
        out.placements = shared.best;
    }
    for (auto& s : sweepers) {
        out.restarts += s->restarts();
        out.exact_runs += s->exact_runs();
        out.exact_dead += s->exact_dead();
    }
    if (options.on_progress) options.on_progress(shared.progress(out.seconds, sweepers));
    return out;
}

}  // namespace

std::vector<Placement> lowest_orientations(const PieceRecord (*prvky)[kOrientations + 1], std::vector<Placement> placements) {
    for (Placement& e : placements) {
        if (e.piece < 1 || e.piece > kPieceCount || e.orientation < 1 || e.orientation > kOrientations) continue;
        const PieceRecord& mine = prvky[e.piece][e.orientation];
        for (int o = 1; o < e.orientation; ++o) {
            const PieceRecord& other = prvky[e.piece][o];
            if (std::memcmp(mine.cells, other.cells, sizeof mine.cells) == 0 && mine.anchor_row == other.anchor_row &&
                mine.anchor_col == other.anchor_col) {
                e.orientation = o;
                break;
            }
        }
    }
    return placements;
}

int free_pieces(const Problem& problem) {
    int n = 0;
    for (const ShapeClass& shape : problem.classes) n += static_cast<int>(shape.members.size());
    return n;
}

FillResult fill_board(const Problem& problem, const FillOptions& options) { return run_portfolio(problem, {}, options); }

FillResult repair(const Problem& problem, const std::vector<Placement>& start, const FillOptions& options) {
    return run_portfolio(problem, start, options);
}

}  // namespace tessera::solve
