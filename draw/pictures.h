// Pictures as SVG text: a placement on the board, and the catalogue of every piece record.
#pragma once

#include <string>

#include "app/solver_state.h"
#include "search/placement_file.h"

namespace tessera::draw {

struct BoardPicture {
    std::string title;
    // The open spots to mark (entries 1..count of the solver's list), or none.
    const OpenSpot* spots = nullptr;
    int spot_count = 0;
};

// The board: its outline, every cell of the playing area whole or half, each placed piece in its
// own colour with its number (one group of class "piece" per placement), the borders between
// pieces, and the open spots that are not yet filled.
std::string board_svg(const Catalogue& prvky, const PlacementList& list,
                      const BoardPicture& options);

// Every piece in its six orientation records, as they lie in the record grid: the anchor cell
// marked with a dot and every hole with a ring and its kind.
std::string catalogue_svg(const SolverState& s);

}  // namespace tessera::draw
