#include "solve/checkpoint.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <sstream>

#include "app/files.h"
#include "app/text.h"
#include "search/atomic_file.h"

namespace tessera::solve {

namespace {

constexpr const char* kHeader = "tessera solve checkpoint 2";
// Written by earlier versions: the problem's fingerprint, the counts and the units, no seal.
constexpr const char* kHeaderUnsealed = "tessera solve checkpoint 1";

std::string scope_text(const Scope& s) {
    return s.unit == 0 ? std::string("scope whole\n") : format("scope unit %zu %s\n", s.unit, s.manifest_sha256.c_str());
}

// What a checkpoint covers, against what it is asked to cover: one line's end.
std::string scope_mismatch(const Scope& written, const Scope& wanted) {
    if (written.unit == 0) return format("the whole problem, not unit %zu of a split", wanted.unit);
    if (wanted.unit == 0) return format("unit %zu of a split, not the whole problem", written.unit);
    if (written.manifest_sha256 != wanted.manifest_sha256)
        return format("unit %zu of another split (its manifest differs), not of this one", written.unit);
    return format("unit %zu of this split, not unit %zu", written.unit, wanted.unit);
}

bool read_scope(const std::string& line, Scope& out) {
    std::istringstream fields(line);
    std::string word, kind, tail;
    if (!(fields >> word >> kind) || word != "scope") return false;
    if (kind == "whole") return !(fields >> tail);
    return kind == "unit" && fields >> out.unit >> out.manifest_sha256 && out.unit > 0 &&
           out.manifest_sha256.size() == 64 && !(fields >> tail);
}

bool read_counts(const std::string& line, Checkpoint& out) {
    std::istringstream counts(line);
    std::string w1, w2, w3, w4, w5, solutions, tail;
    if (!(counts >> w1 >> solutions >> w2 >> out.totals.tilings >> w3 >> out.totals.nodes >> w4 >> out.written) ||
        w1 != "solutions" || w2 != "tilings" || w3 != "nodes" || w4 != "written" ||
        !BigCount::parse(solutions, out.totals.solutions))
        return false;
    // Checkpoints of the first version may end here; their runs took 0 s.
    if (!(counts >> w5)) return true;
    return w5 == "seconds" && counts >> out.seconds && out.seconds >= 0 && out.seconds < 1e15 && !(counts >> tail);
}

bool read_unit(const std::string& line, Prefix& unit) {
    std::istringstream fields(line);
    std::size_t n = 0;
    if (!(fields >> n) || n > static_cast<std::size_t>(kPieceCount)) return false;
    unit.assign(n, Placement{});
    for (Placement& e : unit)
        if (!(fields >> e.piece >> e.row >> e.col >> e.orientation)) return false;
    std::string tail;
    return !(fields >> tail);
}

bool starts_with(const Prefix& unit, const Prefix& head) {
    const auto same = [](const Placement& a, const Placement& b) {
        return a.piece == b.piece && a.row == b.row && a.col == b.col && a.orientation == b.orientation;
    };
    return unit.size() >= head.size() && std::equal(head.begin(), head.end(), unit.begin(), same);
}

}  // namespace

int write_checkpoint(const std::string& path, const Checkpoint& c) {
    std::string text = std::string(kHeader) + "\n";
    text += format("problem %016" PRIx64 "\n", c.fingerprint);
    text += source_text(c.source);
    text += scope_text(c.scope);
    text += format("solutions %s tilings %" PRIu64 " nodes %" PRIu64 " written %" PRIu64 " seconds %.6f\n",
                   c.totals.solutions.text().c_str(), c.totals.tilings, c.totals.nodes, c.written, c.seconds);
    text += format("units %zu\n", c.totals.frontier.size());
    for (const Prefix& unit : c.totals.frontier) {
        text += format("%zu", unit.size());
        for (const Placement& e : unit) text += format("  %d %d %d %d", e.piece, e.row, e.col, e.orientation);
        text += "\n";
    }
    return write_file_atomically(path, sealed(text));
}

std::string parse_checkpoint(const std::string& path, const std::string& text, Checkpoint& out) {
    out = Checkpoint{};
    out.sealed = text.compare(0, std::strlen(kHeaderUnsealed) + 1, std::string(kHeaderUnsealed) + "\n") != 0;
    std::string body = text;
    if (out.sealed && !unseal(text, body))
        return format("%s: the checkpoint is cut short or changed (its seal does not match)", path.c_str());
    Lines lines(body);
    std::string line, word, hex, tail;
    const auto fault = [&](const std::string& what) {
        return format("%s:%ld: %s", path.c_str(), lines.number(), what.c_str());
    };
    if (!lines.next(line) || line != (out.sealed ? kHeader : kHeaderUnsealed))
        return fault("not a checkpoint of tessera solve");
    std::istringstream problem_line;
    if (lines.next(line)) problem_line.str(line);
    if (!(problem_line >> word >> hex) || word != "problem" || hex.size() != 16 ||
        hex.find_first_not_of("0123456789abcdef") != std::string::npos || problem_line >> tail)
        return fault("the problem line is missing");
    out.fingerprint = std::strtoull(hex.c_str(), nullptr, 16);
    lines.next(line);
    if (out.sealed) {
        if (std::string damaged = read_source(lines, line, out.source); !damaged.empty()) return fault(damaged);
        if (!read_scope(line, out.scope)) return fault("the scope line is damaged");
        lines.next(line);
    }
    if (!read_counts(line, out)) return fault("the counts line is damaged");
    std::size_t units = 0;
    if (!lines.next(line) || !(std::istringstream(line) >> word >> units) || word != "units" ||
        units > body.size() / 2)
        return fault("the units line is missing");
    out.totals.frontier.resize(units);
    for (Prefix& unit : out.totals.frontier) {
        if (!lines.next(line)) return fault("the file ends before its last unit");
        if (!read_unit(line, unit)) return fault("a unit's placement is damaged");
    }
    if (lines.next(line)) return fault("the checkpoint goes on after its last unit");
    return {};
}

std::string read_checkpoint_file(const std::string& path, Checkpoint& out) {
    const FileText file = read_text_file(path);
    if (!file.ok()) return format("%s: cannot read the checkpoint (%s)", path.c_str(), file.fault.c_str());
    return parse_checkpoint(path, file.text, out);
}

std::string check_checkpoint(const std::string& path, const Checkpoint& c, const Problem& problem,
                             const Scope& scope) {
    if (c.fingerprint != problem.fingerprint)
        return path + ": the checkpoint belongs to another problem (other pieces, resume placement or region)";
    if (c.sealed && (c.scope.unit != scope.unit || c.scope.manifest_sha256 != scope.manifest_sha256))
        return format("%s: the checkpoint covers %s", path.c_str(), scope_mismatch(c.scope, scope).c_str());
    Walker walker(problem);
    for (std::size_t u = 0; u < c.totals.frontier.size(); ++u) {
        const Prefix& unit = c.totals.frontier[u];
        if (!starts_with(unit, scope.prefix))
            return format("%s: its open subproblem %zu does not lie below the unit's prefix", path.c_str(), u + 1);
        if (!walker.enter(unit))
            return format("%s: its open subproblem %zu is not one of this problem", path.c_str(), u + 1);
    }
    return {};
}

std::string read_checkpoint(const std::string& path, const Problem& problem, const Scope& scope, Checkpoint& out) {
    if (std::string fault = read_checkpoint_file(path, out); !fault.empty()) return fault;
    return check_checkpoint(path, out, problem, scope);
}

}  // namespace tessera::solve
