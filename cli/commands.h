// The subcommands of the `tessera` program. Each adds its options to the parser and returns
// the function that runs it once the command line is parsed.
#pragma once

#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/solver.h"
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

// Changes into the working directory named with -C; false (after one line on standard error)
// when that is not possible.
bool enter_work_dir(const std::string& dir);

// Enters the working directory and runs the start-up on the piece file; nullptr (after one line
// on standard error) when either fails.
std::unique_ptr<Solver> start_up(ControlPanel& panel, const std::string& work_dir, const std::string& pieces);

// Reads a placement file into `list`; false after one line on standard error naming the fault.
bool read_placements(const std::string& path, PlacementList& list);

// The path of the running program, for job scripts and child processes ("tessera" if unknown).
std::string own_binary();
// Writes a file whole; false after one line naming it.
bool write_or_say(const std::string& path, const std::string& text);

// Ctrl-C, SIGTERM and SIGHUP set g_stop_signal instead of ending the program, so that a command ends
// through its normal end and writes what it must.
extern volatile std::sig_atomic_t g_stop_signal;
void catch_stop_signals();

// The pair options of the parameter table ("--start X,Y" ...), one text per pair, in the order
// of the table; --first only when `with_first`.
inline constexpr int kPairOptions = 5;
int pair_index(const char* option);
// The option name of pair `index` ("--start", ...).
std::string pair_option(int index);
void add_pair_options(CLI::App& sub, std::string (&pairs)[kPairOptions], bool with_first);
// Puts the options into the panel's fields as the window would hold them.
void fill_panel(MemoryPanel& panel, bool limits, const std::string& resume, const std::string (&pairs)[kPairOptions]);

}  // namespace tessera::cli
