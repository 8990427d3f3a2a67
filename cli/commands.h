// The subcommands of the `tessera` program. Each adds its options to the parser and returns
// the function that runs it once the command line is parsed.
#pragma once

#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/solver.h"
#include "app/files.h"
#include "app/start_up.h"
#include "app/search_params.h"
#include "app/stop_signals.h"
#include "search/placement_file.h"

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
Command add_solve_command(CLI::App& app);
Command add_split_command(CLI::App& app);
Command add_merge_command(CLI::App& app);
Command add_work_command(CLI::App& app);
Command add_sweep_command(CLI::App& app);
Command add_sweep_report_command(CLI::App& app);
Command add_replay_units_command(CLI::App& app);
Command add_repair_command(CLI::App& app);

// The pair options of the parameter table ("--start X,Y" ...), one text per pair, in the order
// of the table; --first only when `with_first`.
void add_pair_options(CLI::App& sub, std::string (&pairs)[kPairOptions], bool with_first);

}  // namespace tessera::cli
