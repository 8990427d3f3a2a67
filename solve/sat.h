// A CDCL engine for a Problem: the units encoding (solve/sat_encoding.h) in CaDiCaL, kept between
// calls, so that a caller can fix or forbid placements and solve again without starting over:
// what the solver learned from one call's dead ends serves the next.
//
// It serves any Problem (a gap, a limit region, the end of a whole board): it sees only rows.
// A solution is decoded as the walk would lay it (rows in the problem's order, each given to the
// lowest-numbered free piece of its shape, in the orientation that piece has for the row), checked
// against the problem's sixths, then by the caller's check, before solve() reports it.
//
// One engine belongs to one thread; only terminate() may be called from another.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "solve/problem.h"
#include "solve/sat_encoding.h"
#include "solve/walker.h"

namespace tessera::solve {

struct SatOptions {
    EncodingOptions encoding;
    // Polled while solving (CaDiCaL's terminator, many times a second): true ends the call.
    std::function<bool()> should_stop;
    // The independent check of a whole solution (the placements beyond the fixed ones): empty
    // when valid. Empty function: only the engine's own check against the problem's sixths.
    std::function<std::string(const Prefix&)> check;
    int seed = 0;  // CaDiCaL's random seed: another seed walks another way
    // CaDiCaL's configuration ("default", "sat", "unsat", "plain") and further long options
    // ("--name=value"), for tuning; an unknown name is ignored.
    std::string configuration = "default";
    std::vector<std::string> cadical_options;
};

// A placement of the problem, or its absence: assumptions and clauses are written with these.
struct RowLiteral {
    std::uint32_t row;  // into Problem::rows
    bool placed = true;
};

class SatEngine {
public:
    // Builds the clauses and hands them to the solver (the first solve() does the work). A stop
    // (should_stop or terminate()) while building leaves an engine whose calls all return
    // Result::Stopped: a whole board takes seconds to build. The problem must outlive the engine.
    SatEngine(const Problem& problem, const SatOptions& options = {});
    ~SatEngine();
    SatEngine(const SatEngine&) = delete;
    SatEngine& operator=(const SatEngine&) = delete;

    enum class Result {
        Solution,    // solution() holds it, checked
        NoSolution,  // proved: none under these assumptions and the clauses added so far
        Stopped,     // should_stop, terminate(), or a conflict limit ended the call
        Failed,      // a decoded model failed a check (fault() says which): a fault of the engine
    };
    // Solves under the assumptions (for this call only). `conflicts` > 0 caps the call's conflicts.
    Result solve(const std::vector<RowLiteral>& assumptions = {}, long conflicts = 0);

    // After Result::Solution: the placements beyond the fixed ones, as the walk would lay them.
    const Prefix& solution() const { return solution_; }
    const std::string& fault() const { return fault_; }

    // For every later call: at least one of these holds (placements of the problem's rows).
    void add_clause(const std::vector<RowLiteral>& any_of);
    // For every later call: not this tiling again (some row of it is left out; every row touches
    // the goal, so no other tiling holds all of its rows). Any labelling of the tiling is
    // accepted; false when an entry is not a row of the problem.
    bool block(const Prefix& tiling);

    // The row of a placement; -1 when the placement is not a row of the problem.
    std::int64_t row_of(const Placement& e) const;

    // Ends the build or the solve() in progress, or else the next call, soon (from any thread).
    // The call it ends returns Result::Stopped; the calls after it run again (not after a build
    // that it ended).
    void terminate() { stop_requested_ = true; }

    const EncodingSize& size() const { return size_; }

private:
    struct Solver;
    Prefix decode() const;
    std::string own_check(const Prefix& rows) const;

    const Problem& p_;
    SatOptions o_;
    std::unique_ptr<Solver> s_;
    EncodingSize size_;
    Prefix solution_;
    std::string fault_;
    std::atomic<bool> stop_requested_{false};
    std::vector<std::pair<std::uint64_t, std::uint32_t>> row_index_;  // sorted (shape, orientation, anchor) -> row
};

}  // namespace tessera::solve
