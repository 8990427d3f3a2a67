// The run of a solve, below every front end: the problem built from its files and options, the
// outputs tried before the work, and the walk of a frontier with its solution files, checkpoints
// and summary line. `tessera solve`, the work units and `tessera-mpi` all run it; a front end
// hands in the progress line and its "go on?" through RunHooks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/solver.h"
#include "app/search_params.h"
#include "search/placement_file.h"
#include "solve/checkpoint.h"
#include "solve/problem.h"
#include "solve/source.h"
#include "solve/units.h"

namespace tessera::solve {

struct ProblemOptions {
    std::string pieces = kPieceFile;
    std::string resume;
    bool limits = false;
    std::string pairs[kPairOptions];
    std::string work_dir;
    // Whether --pieces, --resume, --limits or a pair was given (a continued run takes them from
    // its checkpoint otherwise).
    bool problem_given = false;
};

// What a front end hands in: its "go on?" and its progress line.
struct RunHooks {
    std::function<bool()> should_stop;                   // polled a few times a second; null: never
    std::function<void(const Progress&)> show_progress;  // null: no progress line
    std::function<void()> wipe_progress;                 // before a message, when a line is shown
    std::function<void(const std::string&)> show_text;   // a progress line made by the caller
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
    double progress_every_s = 10;
    std::string manifest;  // a split folder: solve one of its units
    std::size_t unit = 0;
    // A whole board (or a placement with more free pieces than the walk finishes) goes to the
    // fill unless the walk is asked for or needed (a count, checkpoints, several solutions).
    bool walk = false;
    std::uint64_t seed = 1;
    RunHooks hooks;
};

// A message during a run, on a line of its own: the progress line is wiped first.
void say(const RunHooks& hooks, const std::string& line);

// The files and options the problem was built from (in the working directory it was loaded in);
// false after one line when a file cannot be read again.
bool source_of(const ProblemOptions& opt, const Problem& problem, ProblemSource& out);
// The options that build the problem a source names.
void options_from(const ProblemSource& source, ProblemOptions& out);

// The region as the search reads it from the window's fields, cut to the board.
Region read_region(const ProblemOptions& opt);

// Whether the free pieces cover exactly what the board leaves open (always, in a region); when
// not, one line on standard error says so: no full board exists. The fill and repair refuse such
// a board before any work; the walk reports it proved without a solution, and a split makes no
// units of it.
bool areas_match(const Problem& problem);

// Loads the pieces and the resume placement and builds the problem; false after one line on
// standard error.
bool load_problem(const ProblemOptions& opt, MemoryPanel& panel, std::unique_ptr<Solver>& solver,
                  Problem& problem);

// The independent checker's verdict on a whole placement (the fixed placement first): empty when
// it is valid and fills the board, or the problem's region.
std::string solution_fault(const SolverState& s, const Problem& problem, const PlacementList& list);

// The name of the n-th solution file: "solved.txt" as it is, or "solved_N.txt" when several.
std::string solution_path(const std::string& output, std::uint64_t n, bool numbered);

// Tries the outputs of a solve before any work: the solution file (or the first numbered one)
// and the checkpoint can be written, and neither names an input. False after one line.
bool outputs_usable(const SolveOptions& opt);

// A solve of a frontier with solve's solution files, checkpoints, progress and summary line.
struct SolveRun {
    // in: where to start (fingerprint, source, scope, frontier, counts, seconds); out: the end
    Checkpoint state;
    bool complete = false;
    bool failed = false;  // a solution failed its check, or a file could not be written
    RunEnd end = RunEnd::Complete;
    // in: a table of dead states kept across runs of one problem, or null
    DeadStates* dead_states = nullptr;
};
// Returns the exit status of `tessera solve`: 0, 1 (a file not written), 3 (stopped). A solution
// is counted in a checkpoint only once its file is in place.
int solve_frontier(const SolveOptions& opt, const Solver& solver, const Problem& problem, SolveRun& run);

// A placement list of the fixed placement, then the prefix.
std::unique_ptr<PlacementList> placement_list(const std::vector<Placement>& fixed, const Prefix& prefix);

// The text of a placement file: the fixed placement, then the prefix.
std::string placement_file_text(const std::vector<Placement>& fixed, const Prefix& prefix);

// tessera solve without --manifest: the whole problem, or the one a checkpoint to continue
// names. Returns the exit status.
int run_solve(SolveOptions opt);

}  // namespace tessera::solve
