// Whole boards in the solve's run: `tessera solve` hands a board with more free pieces than the
// exact walk finishes to the fill, and `tessera repair` completes any placement by it. Both
// check every board before it is written, show the fill's progress, and keep the fullest
// placement found when the run ends without a full board.
#pragma once

#include <cstdint>
#include <string>

#include "solve/run.h"

namespace tessera::solve {

// Free pieces above which a whole board goes to the fill: below it the exact walk finishes gaps
// on its own (and the fill would only run the walk on every thread).
inline constexpr int kFillTakesOver = 100;

// Whether this solve is the fill's: not a count, no checkpoints, one solution, no region, and
// more than kFillTakesOver free pieces.
bool fill_takes_over(const SolveOptions& opt, const Problem& problem);

// The name beside the solution file that keeps the fullest placement of a run that found no
// board: "solved.txt" -> "solved_best.txt".
std::string best_path(const std::string& output);

// The fill for `tessera solve`; the outputs are tried already. Exit status as the solve's: 0 a
// board written, 1 a file not written or a board that failed its check, 3 stopped first.
int run_fill_solve(const SolveOptions& opt, const Solver& solver, const Problem& problem);

struct RepairOptions : ProblemOptions {
    std::string placement;               // the placement to complete (pieces may be lifted)
    std::string output = "repaired.txt";
    int threads = 0;
    double time_limit = 0;
    std::uint64_t seed = 1;
    bool quiet = false;
    double progress_every_s = 10;
    RunHooks hooks;
};

// tessera repair: 0 a full board written, 1 a file not written, 2 bad input, 3 stopped first
// (the fullest placement so far is in the output).
int run_repair(RepairOptions opt);

}  // namespace tessera::solve
