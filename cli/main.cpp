// tessera: the solver from the command line.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"

int main(int argc, char** argv) {
    // A closed pipe on standard output or error must not end a search or lose a file: a message
    // that cannot be written is simply lost.
    std::signal(SIGPIPE, SIG_IGN);
    CLI::App app{"Tessera: a solver for the 209-piece triangle tiling puzzle"};
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Show the help of every subcommand");

    const tessera::cli::Command commands[] = {
        tessera::cli::add_pieces_command(app),
        tessera::cli::add_search_command(app),
        tessera::cli::add_bench_command(app),
        tessera::cli::add_generate_command(app),
        tessera::cli::add_check_command(app),
        tessera::cli::add_render_command(app),
        tessera::cli::add_solve_command(app),
        tessera::cli::add_split_command(app),
        tessera::cli::add_merge_command(app),
        tessera::cli::add_work_command(app),
        tessera::cli::add_sweep_command(app), tessera::cli::add_sweep_report_command(app),
        tessera::cli::add_replay_units_command(app),
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help
        std::fprintf(stderr, "%s (see --help)\n", e.what());
        return tessera::cli::kUsageError;
    }
    if (const std::string empty = tessera::cli::option_with_empty_value(app); !empty.empty()) {
        std::fprintf(stderr, "%s: an empty value names nothing (see --help)\n", empty.c_str());
        return tessera::cli::kUsageError;
    }
    return tessera::cli::last_resort([&] {
        for (const auto& command : commands)
            if (command.sub->parsed()) return command.run();
        return 1;
    });
}
