// A puzzle of our own: the board cut into 209 pieces, each written to the piece file in a
// random turn and numbered in random order, with the placement that solves it and partial
// placements with a compact group of pieces taken out. The solution is found through the
// solver's own loader and records, never through the generator's geometry, and is then loaded
// back as a resume file and checked before the generator reports success.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/solver_state.h"
#include "tools/cutter.h"
#include "tools/distinct.h"
#include "tools/lattice.h"

namespace tessera::tools {

struct Puzzle {
    // Indexed by piece number - 1.
    std::vector<std::vector<CellCode>> board_cells;  // where the piece lies in the solution
    std::vector<std::vector<CellCode>> file_cells;   // its shape in the piece file's grid
    std::vector<int> orientation;                    // the orientation it was turned for
    std::vector<int> cut_order;                      // piece numbers, from the top of the board down
    CutStats stats;
    DistinctStats distinct;
};

struct PuzzleOptions {
    // No two pieces congruent under the turns the solver tries (see tools/distinct.h). The cut
    // is first made as without it, so the same seed starts from the same board.
    bool distinct = false;
    long distinct_tries = kDistinctTries;
};

// Cuts the board and turns and numbers the pieces; deterministic for a seed and options.
std::string make_puzzle(std::uint64_t seed, Puzzle& out, const PuzzleOptions& options = {});

// The piece file's text: one line "piece row col code" per cell, by piece number.
std::string pieces_text(const Puzzle& puzzle);

// For every piece, the (orientation, row, col) at which the catalogue's record covers exactly
// the piece's board cells with the same codes, looked for over every orientation and every
// board cell; the meant orientation is taken when several match. In cut order.
std::string find_placements(const Catalogue& prvky, const Puzzle& puzzle,
                            std::vector<Placement>& out);

// Piece numbers in the order in which they are taken out for the partial placements: a random
// first piece near the middle of the board, then always the neighbouring piece nearest to it,
// so that every prefix is one compact area.
std::vector<int> removal_order(std::uint64_t seed, const Puzzle& puzzle);

struct GenerateReport {
    int turned_as_meant = 0;  // pieces found in the orientation they were turned for
    int cut_cells = 0;        // cells shared by two pieces, outline cells not counted
    int shapes = 0;           // different shapes among the pieces as loaded, up to turns
    std::vector<std::string> files;
    CutStats stats;
    DistinctStats distinct;
};

// How many different shapes the catalogue's pieces have, up to the orientations it holds: told
// from the loaded records alone, apart from the generator's own geometry.
int count_loaded_shapes(const Catalogue& prvky);

// Writes dir/zdroj.txt, dir/solution.txt and dir/partial_K.txt for each K, creating dir if
// needed, and verifies them through the solver. Returns an empty string, or one line saying
// what failed; a board that cannot be cut leaves no file and no new folder.
std::string generate_puzzle_files(const std::string& dir, std::uint64_t seed, const std::vector<int>& remove,
                                  GenerateReport& report, const PuzzleOptions& options = {});

}  // namespace tessera::tools
