// An independent check of a placement: it lays every piece's record on a fresh board with code
// of its own (not the solver's check and placing), keeps going after a fault, and sorts what it
// finds by kind, so that one run tells everything that is wrong with a placement file.
#pragma once

#include <string>
#include <vector>

#include "app/solver_state.h"
#include "search/placement_file.h"

namespace tessera::check {

struct PlacementReport {
    int placed = 0;      // entries of the placement
    int incomplete = 0;  // cells of the playing area that do not hold 100 and have no fault
    // One line per fault, naming the file and line of the placement that shows it.
    std::vector<std::string> twice;             // a piece that was already placed
    std::vector<std::string> shapeless;         // a piece that the piece file does not give
    std::vector<std::string> off_board;         // a piece cell outside the 32 x 55 matrix
    std::vector<std::string> misturned;         // a piece laid on cells that point the other way
    std::vector<std::string> overfull;          // a cell covered more than once over
    std::vector<std::string> unmatched;         // two halves in one cell that do not complete each other
    std::vector<std::string> incomplete_cells;  // "row,col holds code" for each incomplete cell

    bool valid() const {
        return twice.empty() && shapeless.empty() && off_board.empty() && misturned.empty() && overfull.empty() &&
               unmatched.empty();
    }
    bool complete() const { return valid() && incomplete == 0; }
};

// `path` names the placement in the fault lines; the line of entry n is list.lines[n].
PlacementReport check_placement(const Catalogue& prvky, const PlacementList& list,
                                const std::string& path);

// The solver's own stack (entries 1..depth) checked the same way; lines are stack positions.
PlacementReport check_stack(const SolverState& s);

// "verified" for a complete board, else a short account of the first fault or of the cells
// that are not complete: for a status line beside a search's result.
std::string verdict(const PlacementReport& report);

}  // namespace tessera::check
