// The checkpoint of a solve: the open subproblems and the counts of what is searched, tied to
// one problem by its fingerprint. Written whole or not at all.
#pragma once

#include <cstdint>
#include <string>

#include "solve/units.h"

namespace tessera::solve {

struct Checkpoint {
    std::uint64_t fingerprint = 0;
    SearchTotals totals;
    std::uint64_t written = 0;  // solution files written so far
    double seconds = 0;         // searched so far, by every run that led here
};

// Returns 0 or the errno of the failed write.
int write_checkpoint(const std::string& path, const Checkpoint& checkpoint);

// Reads a checkpoint for `problem`. Returns an empty string, or one line naming the file (and
// line) and the fault: unreadable, not a checkpoint, another problem's, a unit that is not a
// subproblem of this one.
std::string read_checkpoint(const std::string& path, const Problem& problem, Checkpoint& out);

}  // namespace tessera::solve
