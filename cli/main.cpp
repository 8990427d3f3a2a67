// tessera: the solver from the command line.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"

namespace {

// What each command's exit status means, and how a board cell is named, below its help.
struct Footer {
    const char* command;
    const char* text;
};
constexpr const char* kCells = "X is a board row (0 to 31), Y a board column (0 to 54).\n";
constexpr Footer kFooters[] = {
    {"pieces", "Exit status: 0 printed or drawn, 1 the picture not written, 2 no pieces or bad options."},
    {"search", "Exit status: 0 for every end of a search (finished, a limit, a stop signal), 2 when nothing could "
               "be started (no pieces, bad parameters, a resume file that cannot be loaded)."},
    {"bench", "Exit status: 0, 2 when nothing could be started."},
    {"generate", "Exit status: 0 written and verified, 1 a file not written, a puzzle that failed its check, or "
                 "(--distinct) a cut whose pieces could not all be made different (nothing written then); 2 bad "
                 "options or a folder that holds a puzzle."},
    {"check", "Exit status: 0 a valid placement (with --full: a full board), 1 a fault found, 2 no pieces."},
    {"render", "Exit status: 0 drawn (a faulty placement too, as it is), 1 a placement that could not be read or a "
               "picture not drawn, 2 bad input (also an -o that cannot be written)."},
    {"solve", "Exit status: 0 solved, or proved to have no solution; 1 a file not written or a solution that failed "
              "its check; 2 bad input; 3 stopped before it could decide."},
    {"split", "Exit status: 0 written, 1 a file not written, 2 bad input or a folder that is not new."},
    {"merge", "Exit status: 0 every unit done, 1 a file not written, 2 bad input, 3 units not done or failed."},
    {"work", "Exit status: 0 nothing went wrong (also when other tasks had every unit), 1 a unit failed or a folder "
             "was skipped, 2 no folder could be worked on, 3 stopped."},
    {"sweep", "Exit status: 0 every setting ran, 1 a search failed, 2 bad input, 3 stopped."},
    {"sweep-report", "Exit status: 0 every setting done and every file passes, 1 a file fails its check, 2 bad "
                     "input, 3 some setting not done."},
    {"replay-units", "Exit status: 0, 2 bad input."},
    {"repair", "Exit status: 0 a full board written, 1 a file not written or a board that failed its check, 2 bad "
               "input, 3 stopped (or out of time) first: the output holds the fullest placement so far."},
};

void add_footers(CLI::App& app) {
    for (const Footer& f : kFooters) {
        CLI::App* sub = app.get_subcommand(f.command);
        const bool has_cells = sub->get_option_no_throw("--first") || sub->get_option_no_throw("--start");
        const std::string own = sub->get_footer();
        sub->footer((own.empty() ? "" : own + "\n\n") + (has_cells ? kCells : "") + f.text);
    }
}

const CLI::App* command_named(const CLI::App& app, const std::string& name) {
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        if (sub->get_name() == name) return sub;
    return nullptr;
}

// A word that names no command: one line, with the nearest command when one is close.
bool names_no_command(const CLI::App& app, const std::string& word) {
    if (word.empty() || word[0] == '-' || command_named(app, word) != nullptr) return false;
    const std::string near = tessera::cli::nearest_command(app, word);
    std::fprintf(stderr, "tessera: '%s' is not a command%s (tessera help lists them)\n", word.c_str(),
                 near.empty() ? "" : ("; did you mean " + near + "?").c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // A closed pipe on standard output or error must not end a search or lose a file: a message
    // that cannot be written is simply lost.
    std::signal(SIGPIPE, SIG_IGN);
    CLI::App app{"Tessera: a solver for the 209-piece triangle tiling puzzle"};
    tessera::cli::use_plain_help(app);
    app.require_subcommand(0, 1);
    app.set_help_all_flag("--help-all", "Show the help of every command");
    app.set_version_flag("--version", "tessera " TESSERA_VERSION);

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
        tessera::cli::add_replay_units_command(app), tessera::cli::add_repair_command(app),
    };
    add_footers(app);
    std::string asked;
    CLI::App* help = app.add_subcommand("help", "Show the help of the program, or of one command");
    help->add_option("COMMAND", asked, "the command");
    if (argc >= 2 && names_no_command(app, argv[1])) return tessera::cli::kUsageError;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
        std::fprintf(stderr, "%s (see --help)\n", e.what());
        return tessera::cli::kUsageError;
    }
    if (help->parsed()) {
        if (names_no_command(app, asked)) return tessera::cli::kUsageError;
        const CLI::App* of = asked.empty() ? &app : command_named(app, asked);
        // Asked for by name, so the program's own help is not the help of this subcommand.
        std::fputs(of->get_formatter()->make_help(of, of->get_name(), CLI::AppFormatMode::Normal).c_str(), stdout);
        return 0;
    }
    if (app.get_subcommands().empty()) {
        std::fputs("tessera: a command is required (tessera help lists them)\n", stderr);
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
