// Shapes up to the turns in which the solver places a piece, and a cut of the board in which no
// two pieces have the same shape. The solver tries each piece in six orientations, the file's
// shape turned by multiples of 60 degrees, and never turns a piece over: a piece and its mirror
// image are different pieces unless a turn lays one onto the other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/lattice.h"

namespace tessera::tools {

// The shape's cells in one form shared by all its turns and places on the board: of the six
// turns, each moved to the top-left corner of the lattice and sorted, the least. Two shapes can
// be laid exactly onto each other by a turn exactly when their forms are equal.
std::vector<CellCode> canonical_shape(const std::vector<CellCode>& cells);

// How many different shapes the pieces have, up to turns.
int count_shapes(const std::vector<std::vector<CellCode>>& pieces);

struct DistinctStats {
    int shapes_before = 0;  // different shapes in the cut as it came
    int recuts = 0;         // pairs of neighbouring pieces cut again
    long tries = 0;         // ways of cutting a pair tried, kept or not
};

// Random ways of cutting a pair tried in all before the board is given up.
inline constexpr long kDistinctTries = 200000;

// Cuts pairs of neighbouring pieces of a complete cut again, each pair into two new shapes that
// no other piece has, until no two pieces share a shape. The pieces keep their places in the
// list and cover the same area. Deterministic for a seed. Returns an empty string, or why it
// gave up after `max_tries` (the pieces are then left as a valid cut with shapes repeated).
std::string make_shapes_distinct(std::uint64_t seed, std::vector<std::vector<CellCode>>& pieces,
                                 DistinctStats& stats, long max_tries = kDistinctTries);

}  // namespace tessera::tools
