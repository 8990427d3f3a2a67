// A Problem as clauses over units. A unit is one cell with one code: the whole cell, or one of
// its six halves. Variable r + 1 stands for row r (one placement of a shape); the rest are
// helpers. Each cell is laid whole, or by two complementary halves, or (outside a limit region)
// may stay partly empty; each unit that is laid is laid by exactly one placement; a shape with
// n free pieces has at most n placements. That is the exact cover of the sixths, written over
// whole units: a SAT solver learns far more from a unit than from each of its sixths.
// Standard library only: the clauses go to a sink, so the encoding is tested without a solver.
#pragma once

#include <cstdint>
#include <vector>

#include "solve/problem.h"

namespace tessera::solve {

// How "at most one of these placements" is written.
enum class AtMostOne {
    Pairwise,    // a clause for every pair
    Sequential,  // a ladder of helpers: about 3 clauses for each placement
    Commander,   // groups of three under a helper, the helpers again in groups
};

// How "a shape with n free pieces has at most n placements" is written. On a full board the
// area then makes it exactly n; Exactly says so in clauses too.
enum class ShapeCount {
    AtMost,           // a sequential counter
    AtMostTotalizer,  // a totalizer, its outputs implied by the placements only
    Exactly,          // on a full board a totalizer both ways, at least n and at most n
};

struct EncodingOptions {
    AtMostOne at_most_one = AtMostOne::Sequential;
    ShapeCount shape_count = ShapeCount::AtMost;
};

class ClauseSink {
public:
    virtual ~ClauseSink() = default;
    // One clause of DIMACS literals (no terminating zero); an empty clause makes it unsatisfiable.
    virtual void clause(const std::vector<int>& literals) = 0;
    // Polled between cells and shapes: true abandons the encoding (a large board takes seconds).
    virtual bool abandon() { return false; }
};

struct EncodingSize {
    int row_vars = 0;  // variables 1..row_vars are the problem's rows
    int vars = 0;      // all variables
    std::uint64_t clauses = 0;
    std::uint64_t literals = 0;
    bool complete = true;  // false: abandoned part way, the clauses are not the problem's
};

// Writes the problem's clauses. A full board whose area the free pieces cannot fill gets the
// empty clause: with the shapes held to at most their counts, a tiling that leaves pieces over
// would otherwise pass for a solution.
EncodingSize encode_units(const Problem& problem, const EncodingOptions& options, ClauseSink& sink);

}  // namespace tessera::solve
