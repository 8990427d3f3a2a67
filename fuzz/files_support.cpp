#include "fuzz/files_support.h"

#include "fuzz/fuzz_support.h"

namespace tessera::fuzz {

const solve::Problem& small_problem() {
    // Both are kept to the end of the run (the leak checker sees them reachable).
    static Harness* harness = nullptr;
    static const solve::Problem* problem = [] {
        enter_work_dir();
        write_input("zdroj.txt", fixed_pieces());
        harness = new Harness;
        harness->solver.FormCreate();
        auto* p = new solve::Problem;
        solve::build_problem(harness->solver.state().prvky, {}, solve::Region{true, 14, 24, 16, 28}, *p);
        return p;
    }();
    return *problem;
}

}  // namespace tessera::fuzz
