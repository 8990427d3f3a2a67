// A test plants one fault at a time in the fast paths of the check and of the search's candidate
// loop, to see that its plain reading of the rules notices. Always None in a real run; the
// hooks sit where tables are built or once per pass, never per candidate.
#pragma once

namespace tessera {

enum class PlantedFault {
    None,
    ShapeDropsCell,   // a candidate's shape loses its first cell
    NearIsSettled,    // a record's area position next to a laid cell keeps the board's verdict
    OpenSpotMissed,   // the pass's unfilled spots lose the last one
};

inline PlantedFault planted_fault = PlantedFault::None;

}  // namespace tessera
