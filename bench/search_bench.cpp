// Speed of the search and of its inner check, on a fixed set of random pieces that keeps the
// search busy for as long as it is measured.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "app/solver.h"

namespace tessera {
namespace {

// A scratch folder holding the piece file; the search writes its files there.
std::filesystem::path bench_folder() {
    static const std::filesystem::path folder = [] {
        std::string templ = (std::filesystem::temp_directory_path() / "tessera-bench-XXXXXX").string();
        if (!::mkdtemp(templ.data())) std::abort();
        std::mt19937 rng(3);
        std::ofstream out(std::filesystem::path(templ) / "zdroj.txt");
        for (int p = 1; p <= 209; ++p)
            for (int i = 0; i < 5; ++i) out << p << ' ' << 1 + rng() % 2 << ' ' << 1 + rng() % 4 << " 100\n";
        return std::filesystem::path(templ);
    }();
    return folder;
}

struct Setup {
    StopAtPassPanel panel;
    std::unique_ptr<Solver> solver = std::make_unique<Solver>(panel);
    explicit Setup(bool limits) {
        std::filesystem::current_path(bench_folder());
        panel.set_text(Control::Edit10, "10");
        panel.set_text(Control::Edit11, "21");
        panel.set_checked(limits);
        std::FILE* quiet = std::freopen("/dev/null", "w", stderr);
        solver->FormCreate();
        (void)quiet;
    }
};

void BM_SearchPasses(benchmark::State& state) {
    const bool limits = state.range(0) != 0;
    constexpr std::int64_t kPasses = 20000;
    for (auto _ : state) {
        state.PauseTiming();
        Setup setup(limits);
        setup.panel.stop_at = kPasses;
        state.ResumeTiming();
        setup.solver->Button1Click();
    }
    state.SetItemsProcessed(state.iterations() * kPasses);
    state.SetLabel(limits ? "limits on" : "limits off");
}
BENCHMARK(BM_SearchPasses)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The check alone: every candidate of the current spot, at states taken from a running search.
void BM_Kontrola(benchmark::State& state) {
    Setup setup(false);
    setup.panel.stop_at = 5000;
    setup.solver->Button1Click();
    SolverState& s = setup.solver->state();
    const OpenSpot spot = s.volny[1];
    std::int64_t checks = 0;
    for (auto _ : state) {
        for (int i = 1; s.hroty[spot.kind][i].piece > 0; ++i) {
            const Candidate& c = s.hroty[spot.kind][i];
            const PieceRecord& rec = s.prvky[c.piece][c.orientation];
            s.target_row = spot.row + rec.anchor_row - c.row;
            s.target_col = spot.col + rec.anchor_col - c.col;
            benchmark::DoNotOptimize(setup.solver->kontrola(rec));
            ++checks;
        }
    }
    state.SetItemsProcessed(checks);
}
BENCHMARK(BM_Kontrola);

}  // namespace
}  // namespace tessera

BENCHMARK_MAIN();
