#include "solve/checkpoint.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <fstream>
#include <sstream>

#include "app/text.h"
#include "search/atomic_file.h"

namespace tessera::solve {

namespace {

constexpr const char* kHeader = "tessera solve checkpoint 1";

}  // namespace

int write_checkpoint(const std::string& path, const Checkpoint& c) {
    std::string text = std::string(kHeader) + "\n";
    text += format("problem %016" PRIx64 "\n", c.fingerprint);
    // The seconds come last on the counts line: a checkpoint written before they were kept has
    // none and reads as 0 s, and an older reader ignores them.
    text += format("solutions %s tilings %" PRIu64 " nodes %" PRIu64 " written %" PRIu64 " seconds %.6f\n",
                   c.totals.solutions.text().c_str(), c.totals.tilings, c.totals.nodes, c.written, c.seconds);
    text += format("units %zu\n", c.totals.frontier.size());
    for (const Prefix& unit : c.totals.frontier) {
        text += format("%zu", unit.size());
        for (const Placement& e : unit) text += format("  %d %d %d %d", e.piece, e.row, e.col, e.orientation);
        text += "\n";
    }
    return write_file_atomically(path, text);
}

std::string read_checkpoint(const std::string& path, const Problem& problem, Checkpoint& out) {
    std::ifstream in(path);
    if (!in) return format("%s: cannot read the checkpoint (%s)", path.c_str(), std::strerror(errno));
    out = Checkpoint{};
    std::string line, word, solutions;
    long number = 1;
    const auto fault = [&](const char* what) { return format("%s:%ld: %s", path.c_str(), number, what); };
    if (!std::getline(in, line) || line != kHeader) return fault("not a checkpoint of tessera solve");
    ++number;
    std::string hex;
    if (!std::getline(in, line) || !(std::istringstream(line) >> word >> hex) || word != "problem")
        return fault("the problem line is missing");
    if (hex != format("%016" PRIx64, problem.fingerprint))
        return fault("the checkpoint belongs to another problem (other pieces, resume placement or region)");
    out.fingerprint = problem.fingerprint;
    ++number;
    std::string w1, w2, w3, w4, w5;
    std::istringstream counts;
    if (std::getline(in, line)) counts.str(line);
    if (!(counts >> w1 >> solutions >> w2 >> out.totals.tilings >> w3 >> out.totals.nodes >> w4 >> out.written) ||
        w1 != "solutions" || w2 != "tilings" || w3 != "nodes" || w4 != "written" ||
        !BigCount::parse(solutions, out.totals.solutions))
        return fault("the counts line is damaged");
    if (counts >> w5 && (w5 != "seconds" || !(counts >> out.seconds) || !(out.seconds >= 0)))
        return fault("the counts line is damaged");
    ++number;
    std::size_t units = 0;
    if (!std::getline(in, line) || !(std::istringstream(line) >> word >> units) || word != "units")
        return fault("the units line is missing");
    Walker walker(problem);
    for (std::size_t u = 0; u < units; ++u) {
        ++number;
        std::size_t n = 0;
        if (!std::getline(in, line)) return fault("the file ends before its last unit");
        std::istringstream fields(line);
        if (!(fields >> n) || n > static_cast<std::size_t>(kPieceCount)) return fault("a unit's length is damaged");
        Prefix unit(n);
        for (Placement& e : unit)
            if (!(fields >> e.piece >> e.row >> e.col >> e.orientation)) return fault("a unit's placement is damaged");
        if (!walker.enter(unit)) return fault("the unit is not an open subproblem of this problem");
        out.totals.frontier.push_back(std::move(unit));
    }
    return {};
}

}  // namespace tessera::solve
