// tessera: the solver from the command line.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "cli/commands.h"

int main(int argc, char** argv) {
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
        tessera::cli::add_sweep_command(app), tessera::cli::add_sweep_report_command(app),
        tessera::cli::add_replay_units_command(app),
    };
    // A command line that cannot be read is bad input like any other: one line, status 2.
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "tessera: %s\n", e.what());
        return 2;
    }

    for (const auto& command : commands)
        if (command.sub->parsed()) return command.run();
    return 1;
}
