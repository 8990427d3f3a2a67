// tessera merge: the units' results of a split folder added back into the one answer of a single
// solve. A unit's result counts only when it is whole and this split's, its solution files have
// the hashes it names, pass the independent checker and extend the unit.
#pragma once

#include <string>

namespace tessera::work {

struct MergeOptions {
    std::string dir, output, times;
    bool list = false;
};

// Prints the summary line (and with `list` each unit's state) and writes the solutions in unit
// order. Exit status 0 when every unit is done, 3 while some are not, 2 for bad input.
int run_merge(const MergeOptions& opt);

}  // namespace tessera::work
