// tessera bench: a fixed search workload that prints the passes run, their speed and a
// signature of the order of tries. A change that alters which piece is tried when changes the
// signature, so a speed-up can show that it changed nothing else.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <memory>

#include "app/solver.h"
#include "cli/commands.h"
#include "cli/options.h"

namespace tessera::cli {

namespace {

struct BenchOptions {
    std::string pieces = kPieceFile;
    std::string work_dir;
    std::int64_t passes = 200000;
    std::string first = "1,18";
    bool limits = true;
};

// Folds the depth and the top placement of every pass into a 64-bit FNV-1a hash.
class SignaturePanel : public StopAtPassPanel {
public:
    bool pump_events(const SolverState& s) override {
        const Placement& top = s.reseni[s.depth];
        for (const i32 v : {s.depth, top.piece, top.row, top.col, top.orientation}) mix(static_cast<std::uint32_t>(v));
        return StopAtPassPanel::pump_events(s);
    }
    void mix(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            hash ^= (v >> (8 * i)) & 0xffu;
            hash *= 1099511628211ull;
        }
    }
    std::uint64_t hash = 14695981039346656037ull;
};

int run_bench(const BenchOptions& opt) {
    if (!enter_work_dir(opt.work_dir)) return 2;
    SignaturePanel panel;
    auto solver = std::make_unique<Solver>(panel);
    panel.stop_at = opt.passes;
    panel.set_checked(opt.limits);
    const std::size_t comma = opt.first.find(',');
    panel.set_text(Control::Edit10, opt.first.substr(0, comma));
    panel.set_text(Control::Edit11, comma == std::string::npos ? "" : opt.first.substr(comma + 1));
    solver->set_pieces_path(opt.pieces);
    solver->FormCreate();
    const auto start = std::chrono::steady_clock::now();
    if (solver->Button1Click() != ClickResult::SearchEnded) return 2;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const SolverState& s = solver->state();
    std::printf("passes=%lld seconds=%.3f passes_per_second=%.0f depth=%d signature=%016llx\n",
                static_cast<long long>(s.step_count), seconds, seconds > 0 ? s.step_count / seconds : 0.0, s.depth,
                static_cast<unsigned long long>(panel.hash));
    return 0;
}

}  // namespace

Command add_bench_command(CLI::App& app) {
    auto opt = std::make_shared<BenchOptions>();
    CLI::App* sub = app.add_subcommand("bench", "Run a fixed search workload; print its speed and the signature of its tries");
    sub->add_option("--pieces", opt->pieces, "piece source file")->capture_default_str();
    add_count_option(sub, "--passes", opt->passes, 1, "passes to run")->default_str("200000");
    add_pair_option(sub, "--first", opt->first, "first point X,Y")->default_str("1,18");
    sub->add_flag("!--no-limits", opt->limits, "search without the limit rectangle");
    sub->add_option("-C", opt->work_dir, "working directory: its files are written there");
    return {sub, [opt] { return run_bench(*opt); }};
}

}  // namespace tessera::cli
