// The checkpoint reader on any bytes: a checkpoint it takes is written again and read back to
// the same counts, units and scope, and checking it against a problem never goes wrong, whatever
// pieces, places and turns its units name.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/files_support.h"
#include "fuzz/fuzz_support.h"
#include "solve/checkpoint.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessera;
    const solve::Problem& problem = fuzz::small_problem();
    const std::string text(reinterpret_cast<const char*>(data), size);
    solve::Checkpoint c;
    if (!solve::parse_checkpoint("cp", text, c).empty()) return 0;
    solve::Checkpoint forced = c;
    forced.fingerprint = problem.fingerprint;
    solve::check_checkpoint("cp", forced, problem, forced.scope);
    if (!c.sealed) return 0;
    if (solve::write_checkpoint("again.txt", c) != 0) fuzz::fail("cannot write again.txt");
    solve::Checkpoint back;
    if (const std::string fault = solve::read_checkpoint_file("again.txt", back); !fault.empty())
        fuzz::fail("a checkpoint written again does not read: %s", fault.c_str());
    if (!(back.totals.solutions == c.totals.solutions) || back.totals.tilings != c.totals.tilings ||
        back.totals.nodes != c.totals.nodes || back.written != c.written || back.fingerprint != c.fingerprint ||
        back.scope.unit != c.scope.unit || back.totals.frontier.size() != c.totals.frontier.size() ||
        back.source.pieces != c.source.pieces || back.source.pairs != c.source.pairs)
        fuzz::fail("a checkpoint written again reads back otherwise");
    return 0;
}
