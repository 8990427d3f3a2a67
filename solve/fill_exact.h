// The fill engine's hand-off to an exact search: what is left of its board (all of it, or a
// window of cells) as a Problem of its own, and one engine that completes such a Problem or
// proves that nothing completes it. The Problem is derived from the fill's board in
// milliseconds: its rows are the live rows of the board, not a new catalogue search.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "solve/fill_state.h"
#include "solve/problem.h"

namespace tessera::solve {

// The uncovered sixths of `state` and its free pieces as a Problem. Without a window: every
// uncovered sixth must be covered and every free piece used (a full board). With `window`
// (cells of the state's problem): only the uncovered sixths of those cells are free and must be
// covered, rows lie inside them, and any of the free pieces may be used.
void derive_problem(const FillState& state, const std::vector<std::int32_t>* window, Problem& out);
// The same with only the free pieces p where (*offered)[p] != 0 (indexed by piece number; all
// free pieces when null). With `use_all` the window is a small full board of its own: its
// uncovered sixths are covered by exactly the offered pieces, every one of them used.
// With `required` (per cell of the state's problem, a mask of sixths), only those uncovered
// sixths of the window must be covered; the others may be (a window, not a full board).
void derive_part(const FillState& state, const std::vector<std::int32_t>* window, const std::vector<char>* offered,
                 bool use_all, Problem& out, const std::vector<std::uint32_t>* required = nullptr);

struct ExactOutcome {
    enum class End { Found, None, Unknown };
    End end = End::Unknown;
    std::vector<Placement> placements;  // when found: beyond the derived problem's fixed ones
    std::uint64_t nodes = 0;
};

// Looks for one completion of `problem` within `budget` nodes (0: no limit) or until `stop`.
// None means proved: no completion exists. The exact walk today; a second engine can be raced
// beside it here. `variant` walks the same tree in another order (its subproblems taken from
// another one on, ties broken the other way first), for threads that race on one problem.
// `units`: subproblems walked in turns (1: one plain walk, cheapest for small windows).
ExactOutcome complete_exactly(const Problem& problem, std::uint64_t budget, const std::atomic<bool>& stop,
                              int variant = 0, std::size_t units = 16);

}  // namespace tessera::solve
