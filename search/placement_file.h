// The placement file: one line "piece row col orientation" per stack entry. Reading it checks
// that it describes a placement that can lie on the board, so that a damaged or mistyped file
// is refused before anything of the current state is touched.
#pragma once

#include <string>

#include "app/solver_state.h"

namespace tessera {

struct PlacementList {
    Placement entries[kPieceCount + 1];  // entries 0..count-1
    long lines[kPieceCount + 1];         // line of each entry's first number
    int count = 0;
};

// Reads the groups of four numbers. Returns an empty string, or one line naming file, line and
// fault (a file that cannot be opened, text that is not a number, a group cut off by the end
// of the file, more than 209 groups, a piece or orientation out of range).
std::string read_placement_file(const char* path, PlacementList& out);

// Lays the entries one after another on an initial board with the catalogue's records. Returns
// an empty string, or one line naming the first fault: a piece twice, a piece without a shape,
// a cell outside the board or on a full cell, halves that do not complete each other.
std::string resume_fault(const Catalogue& prvky, const char* path,
                             const PlacementList& list);

// One line naming the first entry whose piece lies on cells that point the other way, and how
// many more do, or an empty string. Such files are still loaded: earlier searches wrote them.
std::string wrong_way_note(const Catalogue& prvky, const char* path, const PlacementList& list);

// The placement stack (entries 1..depth) as the text of a placement file, written into `buf`;
// returns the length. A buffer of kPlacementTextMax bytes always suffices.
inline constexpr std::size_t kPlacementTextMax = kPieceCount * 48;
std::size_t placement_text(const Placement* reseni, int depth, char* buf);

}  // namespace tessera
