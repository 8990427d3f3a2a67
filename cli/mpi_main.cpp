// tessera-mpi: the options of the solve on the ranks of an MPI job (mpirun -np P tessera-mpi
// solve ...), handed to mpi/.
#include <mpi.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "app/stop_signals.h"
#include "cli/options.h"
#include "mpi/run.h"

namespace tessera::cli {

namespace {

// The options of one solve: those of `tessera solve` that the ranks can share, and the journal.
void add_solve_options(CLI::App& sub, mpi::MpiOptions& opt) {
    add_problem_options(sub, opt);
    auto* max = sub.add_option("--max-solutions", opt.max_solutions, "find up to N solutions")
                    ->check(whole_number_from(1, 1000000000));
    sub.add_flag("--count", opt.count, "count every solution; write none")->excludes(max);
    sub.add_option("-o", opt.output, "the solution file (numbered with --max-solutions)")->capture_default_str();
    sub.add_option("--journal", opt.journal, "the journal of units handed out and finished")->capture_default_str();
    sub.add_flag("--continue", opt.resume_journal, "go on from the journal of a job that was killed");
    sub.add_option("--units", opt.units, "units of the first split [16 per rank]")->check(whole_number_from(1, 10000000));
    add_seconds_option(&sub, "--time-limit", opt.time_limit, "end the job after this many seconds; --continue goes on");
    sub.add_flag("--dispatch-only", opt.dispatch_only, "rank 0 hands out units but searches none itself");
    sub.add_flag("--quiet", opt.quiet, "no progress line; only rank 0 writes to standard error");
    add_seconds_option(&sub, "--progress-every-s", opt.progress_every_s,
                       "seconds between two plain progress lines when standard error is no terminal [10]", true);
}

// A line of a batch list: the options of one solve.
std::string parse_batch_line(const std::string& line, mpi::MpiOptions& opt) {
    CLI::App app;
    add_solve_options(app, opt);
    try {
        app.parse(line, false);
    } catch (const CLI::ParseError& e) {
        const bool help = dynamic_cast<const CLI::CallForHelp*>(&e) || dynamic_cast<const CLI::CallForAllHelp*>(&e);
        return help ? "a line holds the options of one solve; tessera-mpi solve --help lists them" : e.what();
    }
    if (const std::string empty = option_with_empty_value(app); !empty.empty())
        return empty + ": an empty value names nothing";
    return {};
}

}  // namespace

}  // namespace tessera::cli

int main(int argc, char** argv) {
    int provided = 0;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
    int rank = 0, ranks = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &ranks);

    CLI::App app{"tessera-mpi: the exact-cover solve on the ranks of an MPI job (mpirun -np P tessera-mpi solve ...)"};
    app.require_subcommand(1);
    auto opt = std::make_shared<tessera::mpi::MpiOptions>();
    CLI::App* sub = app.add_subcommand("solve", "Complete the board (or the limit region) on every rank");
    tessera::cli::add_solve_options(*sub, *opt);
    std::string list;
    CLI::App* batch = app.add_subcommand("batch", "Solve many problems one after another in this one job");
    batch->add_option("LIST", list, "a file with the options of one solve on each line (# starts a comment)")
        ->required();
    int status = 0;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        status = rank == 0 ? app.exit(e) : 2;
        MPI_Finalize();
        return status == 0 ? 0 : 2;
    }
    if (const std::string empty = tessera::cli::option_with_empty_value(app); !empty.empty()) {
        if (rank == 0) std::fprintf(stderr, "%s: an empty value names nothing (see --help)\n", empty.c_str());
        MPI_Finalize();
        return 2;
    }
    if (ranks < 2) {
        std::fprintf(stderr, "tessera-mpi: needs at least 2 ranks (mpirun -np P with P >= 2); use tessera solve alone\n");
        MPI_Finalize();
        return 2;
    }
    // mpirun passes Ctrl-C and SIGTERM on to every rank: rank 0 ends the job cleanly, the others
    // go on until it tells them to hand back their units.
    tessera::catch_stop_signals();
    status = tessera::cli::last_resort([&] {
        return batch->parsed() ? tessera::mpi::mpi_batch(list, rank, ranks, tessera::cli::parse_batch_line)
                               : tessera::mpi::mpi_solve(*opt, rank, ranks);
    });
    MPI_Finalize();
    return status;
}
