// A split of a solve into work units that other processes and machines solve one by one. The
// split folder holds one placement file per unit ("unit_NNNNNN.txt": the resume placement and
// then the unit's prefix), the manifest that ties them to one problem, and, as units are solved,
// each unit's checkpoint, its solution files and its result ("unit_NNNNNN.result").
//
// Why the results add up to the one answer: the units are the frontier of expand_frontier, so
// every solution of the problem extends exactly one unit and no two units' trees share a leaf.
// A unit is solved as its own subtree, so the sum of the units' counts is the whole count, and
// the solutions listed in unit order are the whole search's solutions in its order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "solve/count.h"
#include "solve/walker.h"

namespace tessera::solve {

struct Manifest {
    std::string pieces, pieces_sha256;  // absolute path of the piece file and its hash
    std::string resume, resume_sha256;  // empty when there is no resume placement
    bool limits = false;
    std::vector<std::string> pairs;   // the region's options as given, e.g. "--start 1,18"
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // the region that they make, for the reader
    std::uint64_t fingerprint = 0;    // of the problem
    bool count = false;               // count only; no solution files
    std::uint64_t max_solutions = 0;  // 0: one solution per unit, as solve's default
    std::size_t units = 0;
    std::vector<std::size_t> depths;  // placements of each unit's prefix
};

inline constexpr const char* kManifestName = "manifest.txt";

// "unit_000001.txt", "unit_000001.result", "unit_000001.checkpoint", ...; k counts from 1.
std::string unit_name(std::size_t k, const char* suffix);

std::string manifest_text(const Manifest& m);
// Reads a manifest's text; an empty string or one line naming the file, the line and the fault.
std::string read_manifest(const std::string& path, const std::string& text, Manifest& out);

// How a unit's solve ended.
enum class UnitEnd { Complete, MaxSolutions, Stopped };

struct UnitRecord {
    std::string manifest_sha256;  // of the manifest text the unit was solved against
    std::size_t unit = 0;
    BigCount solutions;
    std::uint64_t tilings = 0, nodes = 0;
    UnitEnd end = UnitEnd::Stopped;
    double seconds = 0;
    // Solution files beside the unit, each with its hash.
    std::vector<std::pair<std::string, std::string>> files;
};

// The result file's text ends with the hash of all that comes before it, so a file cut short or
// changed by hand is refused.
std::string result_text(const UnitRecord& r);
std::string read_result(const std::string& text, UnitRecord& out);

}  // namespace tessera::solve
