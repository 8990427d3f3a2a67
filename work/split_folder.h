// A split folder: a solve cut into work units that any scheduler can run (a Slurm job array, MPI,
// a shell loop). The folder holds one placement file per unit, the manifest that ties them to
// one problem, and, as units are solved, each unit's checkpoint, solution files and result.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "app/solver.h"
#include "solve/run.h"
#include "work/split.h"

namespace tessera::work {

struct SplitOptions : solve::SolveOptions {
    std::size_t units = 0;
    std::string dir;
    bool slurm = false;
    std::size_t per_task = 1;
};

// tessera split: cuts the problem of `opt` into at least `units` units in a new folder, with a
// job script when asked. Returns the exit status.
int run_split(const SplitOptions& opt);

// A split folder opened for solving a unit or merging: its manifest, and the problem rebuilt from
// the files it names, which must be the files that were split.
struct OpenSplit {
    std::string dir;
    std::string manifest_sha256;
    Manifest manifest;
    MemoryPanel panel;
    std::unique_ptr<Solver> solver;
    solve::Problem problem;
};

// The manifest only: enough to walk the units and read their results. False after one line.
bool read_split(const std::string& dir, OpenSplit& out);
// The problem of a split whose manifest was read, from the files it names, which must still be
// the files that were split. False after one line.
bool load_split(OpenSplit& out);
bool open_split(const std::string& dir, OpenSplit& out);

// "DIR/unit_NNNNNN" with the suffix.
std::string unit_path(const OpenSplit& split, std::size_t k, const char* suffix);
// Unit k's placements, the fixed ones first, checked against the manifest's hash and length:
// an empty string or the fault.
std::string read_unit(const OpenSplit& split, std::size_t k, PlacementList& list);
// Unit k's result: an empty string when it is whole and this split's, or what is wrong with it.
std::string read_unit_result(const OpenSplit& split, std::size_t k, UnitRecord& record);

bool file_exists(const std::string& path);
// Unit k has a result of this split that says it ran to its end.
bool unit_done(const OpenSplit& split, std::size_t k, UnitRecord& record);

// Solves unit k of an open split (continuing from its checkpoint) and writes its result; the
// exit status of `tessera solve`. `table` may keep dead states from the split's earlier units.
int solve_split_unit(const OpenSplit& split, std::size_t k, const solve::SolveOptions& opt,
                     solve::DeadStates* table);

// tessera solve --manifest DIR --unit K: one unit, unless it is done already.
int run_unit(const solve::SolveOptions& opt);

}  // namespace tessera::work
