// The checkpoint of a solve: the open subproblems and the counts of what is searched. It names
// the problem (its fingerprint and the files and region it is built from) and the part of it
// that it covers (the whole problem, or unit K of a split), and it is sealed: a checkpoint of
// another problem or another unit, or one cut short or edited, is refused, never counted.
// Written whole or not at all.
#pragma once

#include <cstdint>
#include <string>

#include "solve/source.h"
#include "solve/units.h"

namespace tessera::solve {

// The part of a problem that a run searches: the whole problem, or one unit of a split.
struct Scope {
    std::size_t unit = 0;          // 0: the whole problem
    std::string manifest_sha256;   // the split's, for a unit
    Prefix prefix;                 // the unit's prefix: every open subproblem lies below it
};

struct Checkpoint {
    std::uint64_t fingerprint = 0;
    ProblemSource source;  // empty in a checkpoint of an earlier version
    Scope scope;           // the prefix is not written: it is the unit file's
    SearchTotals totals;
    std::uint64_t written = 0;  // solution files written so far
    double seconds = 0;         // searched so far, by every run that led here
    bool sealed = true;         // false for a checkpoint of an earlier version, which had no seal
};

// Returns 0 or the errno of the failed write.
int write_checkpoint(const std::string& path, const Checkpoint& checkpoint);

// Reads a checkpoint's text without the problem: its seal, its lines and their numbers. An
// empty string, or one line naming the file, the line and the fault.
std::string parse_checkpoint(const std::string& path, const std::string& text, Checkpoint& out);

// Reads a checkpoint file (a regular file only, never waited for).
std::string read_checkpoint_file(const std::string& path, Checkpoint& out);

// Whether a parsed checkpoint belongs to `problem` and covers `scope`: the fingerprint, the unit
// and split it names, and every open subproblem a live node below the scope's prefix.
std::string check_checkpoint(const std::string& path, const Checkpoint& c, const Problem& problem,
                             const Scope& scope);

// Both: read, then checked.
std::string read_checkpoint(const std::string& path, const Problem& problem, const Scope& scope, Checkpoint& out);

}  // namespace tessera::solve
