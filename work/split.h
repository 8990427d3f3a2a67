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
#include "solve/source.h"
#include "solve/walker.h"

namespace tessera::work {

struct Manifest {
    solve::ProblemSource source;
    std::uint64_t fingerprint = 0;    // of the problem
    bool count = false;               // count only; no solution files
    std::uint64_t max_solutions = 0;  // 0: one solution per unit, as solve's default
    std::size_t units = 0;
    std::vector<std::size_t> depths;  // placements of each unit's prefix
    // The SHA-256 of each unit's file, so that a unit file copied over another is refused.
    // Empty in the manifests of earlier versions, which named none.
    std::vector<std::string> unit_sha256;
};

inline constexpr const char* kManifestName = "manifest.txt";

// "unit_000001.txt", "unit_000001.result", "unit_000001.checkpoint", ...; k counts from 1.
std::string unit_name(std::size_t k, const char* suffix);

std::string manifest_text(const Manifest& m);
// The manifest is sealed. Reads a manifest's text (also one of an earlier version, without seal or
// unit hashes); an empty string or one line naming the file, the line and the fault.
std::string read_manifest(const std::string& path, const std::string& text, Manifest& out);

// How a unit's solve ended.
enum class UnitEnd { Complete, MaxSolutions, Stopped };

struct UnitRecord {
    std::string manifest_sha256;  // of the manifest text the unit was solved against
    std::size_t unit = 0;
    solve::BigCount solutions;
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

}  // namespace tessera::work
