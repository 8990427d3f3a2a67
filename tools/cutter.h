// Cutting the playing area of the board into 209 connected pieces of twelve halves each, every
// one small enough for the piece records in all six orientations.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/lattice.h"

namespace tessera::tools {

struct CutStats {
    long attempts = 0;    // pieces grown, kept or not
    long backtracks = 0;  // pieces taken back because the next one could not be grown
    int restarts = 0;     // times the whole board was started again
};

// Fills `pieces` with the cells of each piece on the board, in the order the pieces were cut
// (from the top of the board down). A whole cell has code 100; a cell cut between two pieces
// appears in both with complementary halves. Returns an empty string, or why it failed.
std::string cut_board(std::uint64_t seed, std::vector<std::vector<CellCode>>& pieces, CutStats* stats = nullptr);

}  // namespace tessera::tools
