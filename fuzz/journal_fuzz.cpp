// The journal reader on any bytes: what it takes holds a unit for every id it names, and the
// journal cut back to its whole records reads the same again; a record appended to that reads.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "work/journal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessera;
    constexpr std::uint64_t kFingerprint = 0x0123456789abcdefULL;
    const std::string text(reinterpret_cast<const char*>(data), size);
    work::JournalState state;
    if (!work::read_journal("j", text, kFingerprint, state).empty()) return 0;
    if (state.done.size() != state.units.size() || state.whole > text.size())
        fuzz::fail("a journal's units and their marks do not add up");
    std::size_t done = 0;
    for (const bool d : state.done) done += d ? 1 : 0;
    if (done != state.units_done) fuzz::fail("%zu units marked done, %zu counted", done, state.units_done);
    if (!state.split) return 0;
    std::string whole = text.substr(0, state.whole);
    work::JournalState again;
    if (!work::read_journal("j", whole, kFingerprint, again).empty() || again.units_done != state.units_done ||
        again.whole != state.whole || !(again.solutions == state.solutions))
        fuzz::fail("the whole records of a journal read otherwise");
    std::string seal = state.seal;
    whole += work::sealed_record(seal, work::done_content(state.units.size(), solve::BigCount(1), 1, 1, {}, 0));
    if (work::read_journal("j", whole, kFingerprint, again).empty())
        fuzz::fail("a record of a unit that was never made is taken");
    return 0;
}
