// tessera search: the button's sequence without the window. The options fill the window's
// fields; stops (a step limit, a time limit, Ctrl-C, SIGTERM) are the panel's answer to the
// search's "go on?", so every search ends through its normal end and writes "tuton.txt".
#include <CLI/CLI.hpp>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "app/progress_line.h"
#include "app/search_params.h"
#include "app/text.h"
#include "app/solver.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "check/checker.h"

namespace tessera::cli {

namespace {

struct SearchOptions {
    std::string pieces = kPieceFile;
    std::string resume;
    bool limits = false;
    std::string pairs[kPairOptions];  // one text "X,Y" per pair option, in the order of the table
    std::string work_dir;
    std::int64_t max_steps = 0;
    std::int64_t progress_every = 1000000;
    double time_limit = 0;
    bool quiet = false;
    double progress_every_s = 10;
    bool dump_state = false;
};

using Clock = std::chrono::steady_clock;

// Why a stopped search stopped, for its last line.
std::string stop_reason(int signal, bool out_of_time, bool out_of_steps, std::int64_t steps, double limit) {
    switch (signal) {
        case SIGINT: return "stopped by Ctrl-C (SIGINT)";
        case SIGTERM: return "stopped by SIGTERM";
        case SIGHUP: return "stopped by SIGHUP (the terminal was closed)";
        case SIGQUIT: return "stopped by SIGQUIT";
        case SIGUSR1: return "stopped by SIGUSR1";
        default: break;
    }
    if (out_of_time) return format("stopped at its time limit of %g s", limit);
    if (out_of_steps) return format("stopped at its step limit of %lld passes", static_cast<long long>(steps));
    return "finished";
}

// Answers the search's "go on?" from the step limit, the time limit and the stop signals.
class CliPanel : public StopAtPassPanel {
public:
    CliPanel(const SearchOptions& opt) : opt_(opt), started_(Clock::now()), line_(opt.quiet, opt.progress_every_s) {
        stop_at = opt.max_steps;
    }

    bool pump_events(const SolverState& s) override {
        const bool steps_left = StopAtPassPanel::pump_events(s);
        out_of_steps_ = !steps_left;
        bool go_on = steps_left && !stop_requested();
        // The clock is read only every 64 passes; it is the costliest thing here.
        if ((s.step_count & 63) == 0) {
            const Clock::time_point now = Clock::now();
            if (opt_.time_limit > 0 && seconds(now) >= opt_.time_limit) go_on = false, out_of_time_ = true;
            if (line_.due())
                line_.show(progress_text(seconds(now), "passes", static_cast<std::uint64_t>(s.step_count), s.depth,
                                         deepest_, format("  first piece %d", s.first_piece)));
        }
        if (s.depth > deepest_) deepest_ = s.depth;
        return go_on;
    }

    void finish(const Solver& solver) {
        line_.wipe();
        const SolverState& s = solver.state();
        const double t = seconds(Clock::now());
        if (opt_.quiet) return;
        std::fprintf(stderr, "%lld passes in %.1f s (%.0f passes/s), deepest depth %d", static_cast<long long>(s.step_count),
                     t, t > 0 ? static_cast<double>(s.step_count) / t : 0.0, solver.deepest());
        // The best fill of the limit region, as "big.txt" holds it.
        if (s.params.use_limits != 0 && s.best_unfilled < 10000)
            std::fprintf(stderr, ", fewest unfilled region cells %d", s.best_unfilled);
        std::fprintf(stderr, "\nsearch ended: %s\n",
                     stop_reason(stop_signal(), out_of_time_, out_of_steps_, opt_.max_steps, opt_.time_limit).c_str());
    }

private:
    double seconds(Clock::time_point now) const { return std::chrono::duration<double>(now - started_).count(); }

    const SearchOptions& opt_;
    i32 deepest_ = 0;
    Clock::time_point started_;
    ProgressLine line_;
    bool out_of_time_ = false, out_of_steps_ = false;
};

int run_search(const SearchOptions& opt) {
    if (!enter_work_dir(opt.work_dir)) return 2;
    CliPanel panel(opt);
    fill_panel(panel, opt.limits, opt.resume, opt.pairs);
    auto solver = std::make_unique<Solver>(panel);
    solver->set_pieces_path(opt.pieces);
    solver->set_progress_every(opt.progress_every);
    solver->FormCreate();

    catch_stop_signals();
    // Without pieces, with parameters that make no sense or a resume file that cannot be
    // loaded, nothing is started and nothing is written.
    if (solver->Button1Click() != ClickResult::SearchEnded) return 2;
    panel.finish(*solver);
    if (opt.dump_state) {
        solver->zapis_matici();
        solver->zapis_volny();
    }
    const SolverState& s = solver->state();
    // A full board is checked again by code that did not build it.
    const std::string note = s.depth == kPieceCount ? " " + check::verdict(check::check_stack(s)) : "";
    // The search has ended and its files are written: a summary that cannot be printed (a
    // closed pipe) changes nothing of that.
    std::printf("%s%s\nsteps=%lld depth=%d first_piece=%d\n", panel.caption(Control::Label3).c_str(), note.c_str(),
                static_cast<long long>(s.step_count), s.depth, s.first_piece);
    std::fflush(stdout);
    return 0;
}

}  // namespace

Command add_search_command(CLI::App& app) {
    auto opt = std::make_shared<SearchOptions>();
    CLI::App* sub = app.add_subcommand("search", "Run the search in the working directory, as the window's button does");
    sub->add_option("--pieces", opt->pieces, "piece source file")->capture_default_str();
    sub->add_option("--resume", opt->resume, "placement file to resume from (the window's resume box)");
    sub->add_flag("--limits", opt->limits, "switch the limit rectangle on (the window's check box)");
    add_pair_options(*sub, opt->pairs, true);
    sub->add_option("-C", opt->work_dir, "working directory: the files are read and written there");
    add_count_option(sub, "--max-steps", opt->max_steps, 0, "stop after this many passes");
    add_seconds_option(sub, "--time-limit", opt->time_limit, "stop after this many seconds");
    add_count_option(sub, "--progress-every", opt->progress_every, 1, "passes between two \"res_\" progress files")
        ->default_str("1000000");
    sub->add_flag("--quiet", opt->quiet, "no progress line and no speed report on standard error");
    add_seconds_option(sub, "--progress-every-s", opt->progress_every_s,
                       "seconds between two plain progress lines when standard error is no terminal [10]", true);
    sub->add_flag("--dump-state", opt->dump_state, "write \"matice.txt\" and \"volny.txt\" after the search");
    return {sub, [opt] { return run_search(*opt); }};
}

}  // namespace tessera::cli
