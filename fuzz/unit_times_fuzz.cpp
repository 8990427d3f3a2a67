// The unit-times reader on any bytes: the times it takes are finite, 0 or more and at most the
// longest a unit may take, and their replay gives an efficiency between 0 and 1.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "work/replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessera;
    fuzz::enter_work_dir();
    fuzz::write_input("times.txt", data, size);
    std::vector<double> times;
    if (!work::read_unit_times("times.txt", times).empty()) return 0;
    for (const double t : times)
        if (!std::isfinite(t) || t < 0 || t > work::kLongestUnit) fuzz::fail("a time of %g s was taken", t);
    for (const int ranks : {1, 3, 64})
        for (const double min_piece : {0.0, 0.5}) {
            const work::ReplayResult r = work::replay_units(times, ranks, min_piece);
            if (!(r.efficiency >= 0 && r.efficiency <= 1.0 + 1e-9))
                fuzz::fail("%d ranks: efficiency %g", ranks, r.efficiency);
        }
    return 0;
}
