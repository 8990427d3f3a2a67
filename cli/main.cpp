// tessera: the solver from the command line.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "cli/commands.h"

namespace tessera::cli {

bool enter_work_dir(const std::string& dir) {
    if (dir.empty() || ::chdir(dir.c_str()) == 0) return true;
    std::fprintf(stderr, "cannot use '%s' as the working directory (%s)\n", dir.c_str(), std::strerror(errno));
    return false;
}

}  // namespace tessera::cli

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
    };
    CLI11_PARSE(app, argc, argv);

    for (const auto& command : commands)
        if (command.sub->parsed()) return command.run();
    return 1;
}
