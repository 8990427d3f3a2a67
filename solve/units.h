// Subproblems of the exact-cover tree and the parallel run over them. A subproblem is a
// placement prefix (pieces chosen beyond the fixed placement, in the order the walk chose them);
// the same prefixes are the threads' work, the checkpoint, and the work units of other machines.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "solve/count.h"
#include "solve/problem.h"
#include "solve/walker.h"

namespace tessera::solve {

// Expands the tree breadth-first, each node into its children in the walk's order, until at
// least `n` subproblems are open or nothing is left to expand. The result is in search order.
// Guarantee: every solution of the problem extends exactly one returned prefix. The children of
// a node are the live rows of one column, and an exact cover holds exactly one row of each
// column, so the children's trees partition the node's tree; a node found dead (no solution can
// extend it) is dropped, and a node that is already a tiling stays as its own subproblem.
std::vector<Prefix> expand_frontier(const Problem& problem, std::size_t n);
// The same, from the subproblems `units` (in search order) instead of the whole problem.
std::vector<Prefix> expand_frontier(const Problem& problem, std::vector<Prefix> units, std::size_t n);

struct UnitResult {
    BigCount solutions;  // labelled solutions of the tilings found
    std::uint64_t tilings = 0;
    std::uint64_t nodes = 0;
    bool complete = false;
    std::vector<Prefix> open;  // when not complete: what is left, in search order
};

struct UnitOptions {
    const std::atomic<bool>* stop = nullptr;  // set from outside to end the walk early
    // Each tiling found; return false to stop. May be empty.
    Walker::TilingSink on_tiling;
    // A walker of the same problem kept by the caller for its units one after another: a new one
    // for each unit builds its tables again, and a table of dead states shared with it
    // (`Walker::share_dead_states`) skips what earlier units searched. Null: a walker of its own.
    Walker* walker = nullptr;
};

// Searches the whole tree below one prefix. A prefix that is not a live path of the problem
// gives a complete result with nothing found.
UnitResult solve_unit(const Problem& problem, const Prefix& prefix, const UnitOptions& options);

// A search in progress: the open subproblems and what the finished ones found.
struct SearchTotals {
    std::vector<Prefix> frontier;  // in search order
    // While a run takes turns: each frontier unit's next share of nodes (not kept in checkpoints).
    std::vector<std::uint64_t> budgets;
    BigCount solutions;
    std::uint64_t tilings = 0;
    std::uint64_t nodes = 0;
    int deepest = 0;  // placements beyond the fixed ones, in this process
};

// Knuth's estimate of the whole tree's size from random paths down from the root: the mean of
// the paths' products of branching factors, and the relative standard error of that mean.
struct TreeEstimate {
    std::uint64_t probes = 0;
    double sum = 0, sum_of_squares = 0;
    void add(double nodes);
    // The estimate once it means something (at least 200 paths, a standard error of at most
    // half the mean); false until then. The estimate's spread is wide, and a first guess from a
    // few paths can be off by orders of magnitude either way.
    bool stable(double& nodes, double& spread) const;
};

struct Progress {
    double seconds = 0;         // of this run
    std::uint64_t nodes = 0;    // including those carried over
    std::uint64_t carried = 0;  // nodes of the runs before this one
    int deepest = 0;
    std::uint64_t tilings = 0;
    double tree = -1;    // the estimated nodes of the whole tree, -1 while not stable
    double spread = -1;  // its relative standard error
};

struct RunOptions {
    int threads = 1;
    std::uint64_t max_solutions = 0;  // tilings to hand to on_solution; 0: all
    double time_limit = 0;            // seconds, 0: none
    double checkpoint_every = 60;     // seconds
    double first_checkpoint = 0;      // seconds to the first checkpoint; 0: checkpoint_every
    // Taking turns, for runs that look for some solutions rather than all: the frontier is first
    // widened to `turn_units` subproblems, then each gets `turn_nodes` nodes in its turn, twice as
    // many in every later turn, and a unit that ends its turn with nothing found starts again from
    // its prefix. The first solution in a depth-first order can sit under a huge dead subtree
    // while another subproblem holds one a few thousand nodes deep; the repeats cost at most as
    // much again as the work itself. 0: depth first throughout.
    std::uint64_t turn_nodes = 0;
    std::size_t turn_units = 64;
    std::function<bool()> should_stop;  // polled a few times a second: a signal, end cleanly
    // Called for each tiling found, one at a time; return false to stop (a failed check).
    std::function<bool(const Prefix&)> on_tiling;
    // Called for each tiling in the order found (as the walk lays it, each shape's lowest free
    // pieces first), one at a time, until max_solutions are out. Return false to stop (a solution
    // that fails the check or cannot be written).
    std::function<bool(const Prefix&)> on_solution;
    // Called at each checkpoint and at the end, but not after a solution failed or could not be
    // written: the last checkpoint then stays as it was, with nothing counted that did not land.
    std::function<void(const SearchTotals&)> on_checkpoint;
    std::function<void(const Progress&)> on_progress;  // a few times a second
    // A table of dead states kept by the caller for runs of one problem one after another (the
    // units of a split): each run skips what the earlier ones searched. Null: one of its own.
    DeadStates* dead_states = nullptr;
};

enum class RunEnd { Complete, MaxSolutions, Stopped };

// Runs the frontier of `totals` to its end or to a stop, on `threads` threads. Idle threads get
// work by asking a busy one to hand over what it has not yet searched. `totals` holds the state
// at the end: an empty frontier when complete.
RunEnd run_search(const Problem& problem, SearchTotals& totals, const RunOptions& options);

}  // namespace tessera::solve
