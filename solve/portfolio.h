// A race for one solution of a Problem: the exact walk (run_search, on its threads) beside the
// CDCL engine (SatEngine, on one thread of its own). The two fail on different instances: the
// walk's turns find solutions that sit shallow in some subtree, the engine's learned clauses
// carry what one dead end taught into every other branch. The first answer wins and the other
// racer is stopped (within about a quarter of a second: the walk polls four times a second,
// CaDiCaL's terminator far more often).
//
// "No solution" from either is exact: the walk searched its whole tree, or the engine proved
// the clauses unsatisfiable. It is reported as the walk reports it, RunEnd::Complete with no
// solution (tessera solve's "solutions=0 complete=yes").
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "solve/sat.h"
#include "solve/units.h"

namespace tessera::solve {

enum class Engine { Walk, Sat };
enum class Racers { Both, WalkOnly, SatOnly };

struct PortfolioOptions {
    // Both racers: the engine takes one thread and the walk the others; with one thread they
    // take turns on it (each `first_turn` seconds, twice as long every later turn; the walk goes
    // on from its open subproblems, the engine from what it learned).
    int threads = 2;
    // Both racers: > 0 runs the walk on this many threads beside the engine's one, whatever
    // `threads` says (walk_threads = cores: the walk keeps every core and shares them with the
    // engine). 0: threads - 1, or turns when that is 0.
    int walk_threads = 0;
    Racers racers = Racers::Both;
    double time_limit = 0;               // seconds, 0: none
    std::function<bool()> should_stop;   // polled by both, a few times a second at least
    // The independent check of a solution (the placements beyond the fixed ones): empty when it
    // is valid. Every solution passes it before it is returned.
    std::function<std::string(const Prefix&)> check;
    // The engine's clauses and CaDiCaL's settings; the portfolio sets its should_stop and check.
    SatOptions sat;
    std::uint64_t turn_nodes = 1024;  // the walk's turns, as tessera solve takes them
    double first_turn = 1;
};

struct PortfolioResult {
    // MaxSolutions: `solution` holds one. Complete: proved that there is none. Stopped: the
    // time limit or should_stop came first, or a solution failed its check (`fault`).
    RunEnd end = RunEnd::Stopped;
    Engine by = Engine::Walk;  // which racer decided (when not Stopped)
    Prefix solution;           // labelled as the walk labels a tiling's first solution
    std::string fault;         // a solution that failed the check: a fault of the racer `by`
    std::uint64_t walk_nodes = 0;
    double seconds = 0;
};

PortfolioResult solve_portfolio(const Problem& problem, const PortfolioOptions& options);

}  // namespace tessera::solve
