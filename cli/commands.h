// The subcommands of the `tessera` program. Each adds its options to the parser and returns
// the function that runs it once the command line is parsed.
#pragma once

#include <functional>
#include <string>

namespace CLI {
class App;
}

namespace tessera::cli {

struct Command {
    CLI::App* sub;
    std::function<int()> run;  // the exit status
};

Command add_pieces_command(CLI::App& app);
Command add_search_command(CLI::App& app);
Command add_bench_command(CLI::App& app);
Command add_generate_command(CLI::App& app);
Command add_check_command(CLI::App& app);
Command add_render_command(CLI::App& app);

// Changes into the working directory named with -C; false (after one line on standard error)
// when that is not possible.
bool enter_work_dir(const std::string& dir);

}  // namespace tessera::cli
