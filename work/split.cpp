#include "work/split.h"

#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "app/text.h"
#include "solve/lines.h"
#include "solve/sha256.h"

namespace tessera::work {

namespace {

constexpr const char* kManifestHeader = "tessera split 2";
constexpr const char* kManifestHeaderUnsealed = "tessera split 1";
constexpr const char* kResultHeader = "tessera unit result 1";

const char* end_word(UnitEnd end) {
    return end == UnitEnd::Complete ? "complete" : end == UnitEnd::MaxSolutions ? "max-solutions" : "stopped";
}

}  // namespace

std::string unit_name(std::size_t k, const char* suffix) { return format("unit_%06zu%s", k, suffix); }

std::string manifest_text(const Manifest& m) {
    std::string t = std::string(kManifestHeader) + "\n";
    t += solve::source_text(m.source);
    t += format("problem %016" PRIx64 "\n", m.fingerprint);
    t += format("count %s\n", m.count ? "yes" : "no");
    t += format("max-solutions %" PRIu64 "\n", m.max_solutions);
    t += format("units %zu\n", m.units);
    for (std::size_t k = 1; k <= m.units; ++k)
        t += format("unit %zu %s %zu %s\n", k, unit_name(k, ".txt").c_str(), m.depths[k - 1],
                    m.unit_sha256[k - 1].c_str());
    return solve::sealed(t);
}

std::string read_manifest(const std::string& path, const std::string& text, Manifest& out) {
    out = Manifest{};
    const bool old = text.compare(0, std::strlen(kManifestHeaderUnsealed) + 1,
                                  std::string(kManifestHeaderUnsealed) + "\n") == 0;
    std::string body = text;
    if (!old && !solve::unseal(text, body))
        return format("%s: the manifest is cut short or changed (its seal does not match)", path.c_str());
    solve::Lines lines(body);
    std::string line, word;
    const auto fault = [&](const std::string& what) {
        return format("%s:%ld: %s", path.c_str(), lines.number(), what.c_str());
    };
    if (!lines.next(line) || (line != kManifestHeader && line != kManifestHeaderUnsealed))
        return fault("not the manifest of a tessera split");
    lines.next(line);
    if (std::string damaged = solve::read_source(lines, line, out.source); !damaged.empty()) return fault(damaged);
    std::string hex, count;
    if (!(std::istringstream(line) >> word >> hex) || word != "problem" || hex.size() != 16 ||
        hex.find_first_not_of("0123456789abcdef") != std::string::npos)
        return fault("the problem line is damaged");
    out.fingerprint = std::strtoull(hex.c_str(), nullptr, 16);
    if (!lines.next(line) || !solve::take(line, "count", count) || (count != "yes" && count != "no"))
        return fault("the count line is damaged");
    out.count = count == "yes";
    if (!lines.next(line) || !(std::istringstream(line) >> word >> out.max_solutions) || word != "max-solutions")
        return fault("the max-solutions line is damaged");
    if (!lines.next(line) || !(std::istringstream(line) >> word >> out.units) || word != "units" ||
        out.units > 100000000)
        return fault("the units line is damaged");
    for (std::size_t k = 1; k <= out.units; ++k) {
        std::size_t index = 0, depth = 0;
        std::string name, hash;
        std::istringstream fields;
        if (lines.next(line)) fields.str(line);
        if (!(fields >> word >> index >> name >> depth) || word != "unit" || index != k ||
            name != unit_name(k, ".txt") || depth > static_cast<std::size_t>(kPieceCount) ||
            (!old && !(fields >> hash && hash.size() == 64)))
            return fault("a unit line is damaged or missing");
        out.depths.push_back(depth);
        out.unit_sha256.push_back(hash);
    }
    if (lines.next(line)) return fault("the manifest goes on after its last unit");
    return {};
}

std::string result_text(const UnitRecord& r) {
    std::string t = std::string(kResultHeader) + "\n";
    t += "manifest " + r.manifest_sha256 + "\n";
    t += format("unit %zu\n", r.unit);
    t += format("solutions %s tilings %" PRIu64 " nodes %" PRIu64 "\n", r.solutions.text().c_str(), r.tilings, r.nodes);
    t += format("complete %s\nend %s\nseconds %.3f\n", r.end == UnitEnd::Complete ? "yes" : "no", end_word(r.end),
                r.seconds);
    t += format("files %zu\n", r.files.size());
    for (const auto& [name, hash] : r.files) t += "file " + hash + " " + name + "\n";
    return solve::sealed(t, "sha256");
}

std::string read_result(const std::string& text, UnitRecord& out) {
    out = UnitRecord{};
    std::string body;
    if (!solve::unseal(text, body, "sha256")) return "the file is cut short or changed (its closing hash does not match)";
    solve::Lines lines(body);
    std::string line, word, w2, w3, solutions, complete, end;
    std::size_t files = 0;
    if (!lines.next(line) || line != kResultHeader) return "not a unit result of tessera";
    if (!lines.next(line) || !solve::take(line, "manifest", out.manifest_sha256)) return "the manifest line is damaged";
    if (!lines.next(line) || !(std::istringstream(line) >> word >> out.unit) || word != "unit")
        return "the unit line is damaged";
    if (!lines.next(line) || !(std::istringstream(line) >> word >> solutions >> w2 >> out.tilings >> w3 >> out.nodes) ||
        word != "solutions" || w2 != "tilings" || w3 != "nodes" || !solve::BigCount::parse(solutions, out.solutions))
        return "the counts line is damaged";
    if (!lines.next(line) || !solve::take(line, "complete", complete) || !lines.next(line) || !solve::take(line, "end", end))
        return "the end lines are damaged";
    if (end == "complete") out.end = UnitEnd::Complete;
    else if (end == "max-solutions") out.end = UnitEnd::MaxSolutions;
    else if (end != "stopped") return "the end line is damaged";
    if ((complete == "yes") != (out.end == UnitEnd::Complete)) return "the end lines disagree";
    if (!lines.next(line) || !(std::istringstream(line) >> word >> out.seconds) || word != "seconds")
        return "the seconds line is damaged";
    if (!lines.next(line) || !(std::istringstream(line) >> word >> files) || word != "files" || files > 1000000000)
        return "the files line is damaged";
    for (std::size_t i = 0; i < files; ++i) {
        std::string rest;
        std::string hash, name;
        if (!lines.next(line) || !solve::take(line, "file", rest) || !solve::take_hash_and_name(rest, hash, name) ||
            name.find('/') != std::string::npos || name.empty() || name[0] == '.')
            return "a file line is damaged";
        out.files.emplace_back(name, hash);
    }
    if (lines.next(line)) return "the result goes on after its last file";
    return {};
}

}  // namespace tessera::work
