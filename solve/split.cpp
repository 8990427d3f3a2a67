#include "solve/split.h"

#include <cinttypes>
#include <cstdlib>
#include <sstream>

#include "app/text.h"
#include "solve/sha256.h"

namespace tessera::solve {

namespace {

constexpr const char* kManifestHeader = "tessera split 1";
constexpr const char* kResultHeader = "tessera unit result 1";

// Reads a text line by line, with the line number for messages.
class Lines {
public:
    explicit Lines(const std::string& text) : in_(text) {}
    bool next(std::string& line) {
        ++number_;
        return static_cast<bool>(std::getline(in_, line));
    }
    long number() const { return number_; }

private:
    std::istringstream in_;
    long number_ = 0;
};

// "word rest of line": false when the line does not start with `word` and a blank.
bool take(const std::string& line, const char* word, std::string& rest) {
    const std::string head = std::string(word) + " ";
    if (line.compare(0, head.size(), head) != 0) return false;
    rest = line.substr(head.size());
    return true;
}

const char* end_word(UnitEnd end) {
    return end == UnitEnd::Complete ? "complete" : end == UnitEnd::MaxSolutions ? "max-solutions" : "stopped";
}

}  // namespace

std::string unit_name(std::size_t k, const char* suffix) { return format("unit_%06zu%s", k, suffix); }

std::string manifest_text(const Manifest& m) {
    std::string t = std::string(kManifestHeader) + "\n";
    t += "pieces " + m.pieces_sha256 + " " + m.pieces + "\n";
    if (!m.resume.empty()) t += "resume " + m.resume_sha256 + " " + m.resume + "\n";
    t += format("limits %s\n", m.limits ? "yes" : "no");
    for (const std::string& pair : m.pairs) t += "pair " + pair + "\n";
    t += format("region %d %d %d %d\n", m.x1, m.y1, m.x2, m.y2);
    t += format("problem %016" PRIx64 "\n", m.fingerprint);
    t += format("count %s\n", m.count ? "yes" : "no");
    t += format("max-solutions %" PRIu64 "\n", m.max_solutions);
    t += format("units %zu\n", m.units);
    for (std::size_t k = 1; k <= m.units; ++k) t += format("unit %zu %s %zu\n", k, unit_name(k, ".txt").c_str(), m.depths[k - 1]);
    return t;
}

std::string read_manifest(const std::string& path, const std::string& text, Manifest& out) {
    out = Manifest{};
    Lines lines(text);
    std::string line, rest, word;
    const auto fault = [&](const char* what) { return format("%s:%ld: %s", path.c_str(), lines.number(), what); };
    if (!lines.next(line) || line != kManifestHeader) return fault("not the manifest of a tessera split");
    bool more = lines.next(line);
    if (!more || !take(line, "pieces", rest) || rest.size() < 66 || rest[64] != ' ')
        return fault("the pieces line is damaged");
    out.pieces_sha256 = rest.substr(0, 64);
    out.pieces = rest.substr(65);
    more = lines.next(line);
    if (more && take(line, "resume", rest)) {
        if (rest.size() < 66 || rest[64] != ' ') return fault("the resume line is damaged");
        out.resume_sha256 = rest.substr(0, 64);
        out.resume = rest.substr(65);
        more = lines.next(line);
    }
    if (!more || !take(line, "limits", rest) || (rest != "yes" && rest != "no")) return fault("the limits line is damaged");
    out.limits = rest == "yes";
    while ((more = lines.next(line)) && take(line, "pair", rest)) out.pairs.push_back(rest);
    std::string hex, count;
    if (!more || !(std::istringstream(line) >> word >> out.x1 >> out.y1 >> out.x2 >> out.y2) || word != "region")
        return fault("the region line is damaged");
    if (!lines.next(line) || !(std::istringstream(line) >> word >> hex) || word != "problem" || hex.size() != 16 ||
        hex.find_first_not_of("0123456789abcdef") != std::string::npos)
        return fault("the problem line is damaged");
    out.fingerprint = std::strtoull(hex.c_str(), nullptr, 16);
    if (!lines.next(line) || !take(line, "count", count) || (count != "yes" && count != "no"))
        return fault("the count line is damaged");
    out.count = count == "yes";
    if (!lines.next(line) || !(std::istringstream(line) >> word >> out.max_solutions) || word != "max-solutions")
        return fault("the max-solutions line is damaged");
    if (!lines.next(line) || !(std::istringstream(line) >> word >> out.units) || word != "units" ||
        out.units > 100000000)
        return fault("the units line is damaged");
    for (std::size_t k = 1; k <= out.units; ++k) {
        std::size_t index = 0, depth = 0;
        std::string name;
        if (!lines.next(line) || !(std::istringstream(line) >> word >> index >> name >> depth) || word != "unit" ||
            index != k || name != unit_name(k, ".txt"))
            return fault("a unit line is damaged or missing");
        out.depths.push_back(depth);
    }
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
    return t + "sha256 " + sha256_hex(t) + "\n";
}

std::string read_result(const std::string& text, UnitRecord& out) {
    out = UnitRecord{};
    const std::size_t seal = text.rfind("sha256 ");
    if (seal == std::string::npos || text.substr(seal) != "sha256 " + sha256_hex(text.substr(0, seal)) + "\n")
        return "the file is cut short or changed (its closing hash does not match)";
    Lines lines(text.substr(0, seal));
    std::string line, word, w2, w3, solutions, complete, end;
    std::size_t files = 0;
    if (!lines.next(line) || line != kResultHeader) return "not a unit result of tessera";
    if (!lines.next(line) || !take(line, "manifest", out.manifest_sha256)) return "the manifest line is damaged";
    if (!lines.next(line) || !(std::istringstream(line) >> word >> out.unit) || word != "unit")
        return "the unit line is damaged";
    if (!lines.next(line) || !(std::istringstream(line) >> word >> solutions >> w2 >> out.tilings >> w3 >> out.nodes) ||
        word != "solutions" || w2 != "tilings" || w3 != "nodes" || !BigCount::parse(solutions, out.solutions))
        return "the counts line is damaged";
    if (!lines.next(line) || !take(line, "complete", complete) || !lines.next(line) || !take(line, "end", end))
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
        if (!lines.next(line) || !take(line, "file", rest) || rest.size() < 66 || rest[64] != ' ')
            return "a file line is damaged";
        out.files.emplace_back(rest.substr(65), rest.substr(0, 64));
    }
    return {};
}

}  // namespace tessera::solve
