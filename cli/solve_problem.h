// What `tessera solve`, `split`, `merge` and `tessera-mpi` share: the options that state the
// problem, building it, the check of a solution, and the run of a frontier with solve's files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/solver.h"
#include "cli/commands.h"
#include "solve/checkpoint.h"
#include "solve/problem.h"
#include "solve/source.h"
#include "solve/units.h"

namespace tessera::cli {

struct ProblemOptions {
    std::string pieces = "zdroj.txt";
    std::string resume;
    bool limits = false;
    std::string pairs[kPairOptions];
    std::string work_dir;
    // Whether --pieces, --resume, --limits or a pair was given (a continued run takes them from
    // its checkpoint otherwise).
    bool problem_given = false;
};

struct SolveOptions : ProblemOptions {
    std::uint64_t max_solutions = 0;
    bool count = false;
    int threads = 0;
    double time_limit = 0;
    std::string checkpoint;
    double checkpoint_every = 60;
    std::string continue_from;
    std::string output = "solved.txt";
    bool quiet = false;
    std::string manifest;  // a split folder: solve one of its units
    std::size_t unit = 0;
};

// --pieces, --resume, --limits and the region's pairs.
void add_problem_options(CLI::App& sub, ProblemOptions& opt);
// After the parse: notes in `opt` whether any of them was given.
void note_problem_given(const CLI::App& sub, ProblemOptions& opt);

// The files and options the problem was built from (in the working directory it was loaded in);
// false after one line when a file cannot be read again.
bool source_of(const ProblemOptions& opt, const solve::Problem& problem, solve::ProblemSource& out);
// The options that build the problem a source names.
void options_from(const solve::ProblemSource& source, ProblemOptions& out);

// The region as the search reads it from the window's fields, cut to the board.
solve::Region read_region(const ProblemOptions& opt);

// Loads the pieces and the resume placement and builds the problem; false after one line on
// standard error.
bool load_problem(const ProblemOptions& opt, MemoryPanel& panel, std::unique_ptr<Solver>& solver,
                  solve::Problem& problem);

// The independent checker's verdict on a whole placement (the fixed placement first): empty when
// it is valid and fills the board, or the problem's region.
std::string solution_fault(const SolverState& s, const solve::Problem& problem, const PlacementList& list);

// The name of the n-th solution file: "solved.txt" as it is, or "solved_N.txt" when several.
std::string solution_path(const std::string& output, std::uint64_t n, bool numbered);

// Tries the outputs of a solve before any work: the solution file (or the first numbered one)
// and the checkpoint can be written, and neither names an input. False after one line.
bool outputs_usable(const SolveOptions& opt);

// A solve of a frontier with solve's solution files, checkpoints, progress and summary line.
struct SolveRun {
    // in: where to start (fingerprint, source, scope, frontier, counts, seconds); out: the end
    solve::Checkpoint state;
    bool complete = false;
    bool failed = false;  // a solution failed its check, or a file could not be written
    solve::RunEnd end = solve::RunEnd::Complete;
    // in: a table of dead states kept across runs of one problem, or null
    solve::DeadStates* dead_states = nullptr;
};
// Returns the exit status of `tessera solve`: 0, 1 (a file not written), 3 (stopped). A solution
// is counted in a checkpoint only once its file is in place.
int solve_frontier(const SolveOptions& opt, const Solver& solver, const solve::Problem& problem, SolveRun& run);

// A placement list of the fixed placement, then the prefix.
std::unique_ptr<PlacementList> placement_list(const std::vector<Placement>& fixed, const solve::Prefix& prefix);

// The text of a placement file: the fixed placement, then the prefix.
std::string placement_file_text(const std::vector<Placement>& fixed, const solve::Prefix& prefix);

// tessera solve --manifest DIR --unit K: one work unit of a split, its checkpoint and solution
// files beside it, and its result file.
int run_unit(const SolveOptions& opt);

}  // namespace tessera::cli
