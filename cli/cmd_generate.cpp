// tessera generate: a puzzle of our own, with its solution and partial placements.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/solver_state.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "tools/generator.h"

namespace tessera::cli {

namespace {

struct GenerateOptions {
    std::int64_t seed = 0;
    std::string dir;
    std::vector<int> remove{3, 6, 10, 15, 20, 30};
    bool force = false;
    bool distinct = false;
};

// The first file of a puzzle that the folder already holds (a user's own piece file, the
// shipped puzzle), or an empty string.
std::string puzzle_file_in(const std::string& dir) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const char* name : {kPieceFile, "solution.txt"})
        if (fs::exists(fs::path(dir) / name, ec)) return name;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("partial_", 0) == 0) return name;
    }
    return {};
}

int run_generate(const GenerateOptions& opt) {
    if (const std::string held = puzzle_file_in(opt.dir); !held.empty() && !opt.force) {
        std::fprintf(stderr, "-o: '%s' holds a puzzle already (%s); give a new folder, or --force to replace it\n",
                     opt.dir.c_str(), held.c_str());
        return 2;
    }
    const auto started = std::chrono::steady_clock::now();
    tools::GenerateReport report;
    tools::PuzzleOptions options;
    options.distinct = opt.distinct;
    const std::string fault =
        tools::generate_puzzle_files(opt.dir, static_cast<std::uint64_t>(opt.seed), opt.remove, report, options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!fault.empty()) {
        std::fprintf(stderr, "generate: %s\n", fault.c_str());
        return 1;
    }
    for (const std::string& path : report.files) std::printf("wrote %s\n", path.c_str());
    std::printf(
        "seed %llu: %d pieces, %d cells cut between two pieces, %d of %d found in the orientation they "
        "were turned for\n",
        static_cast<unsigned long long>(opt.seed), kPieceCount, report.cut_cells, report.turned_as_meant, kPieceCount);
    std::printf("cut with %ld pieces grown, %ld taken back, %d restarts; loaded, placed and verified in %.2f s\n",
                report.stats.attempts, report.stats.backtracks, report.stats.restarts, seconds);
    if (opt.distinct)
        std::printf("%d different shapes (the cut had %d); %d pairs of neighbouring pieces cut again in %ld tries\n",
                    report.shapes, report.distinct.shapes_before, report.distinct.recuts, report.distinct.tries);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

Command add_generate_command(CLI::App& app) {
    auto opt = std::make_shared<GenerateOptions>();
    CLI::App* sub = app.add_subcommand(
        "generate", "Cut the board into 209 pieces: write DIR/zdroj.txt, DIR/solution.txt and DIR/partial_K.txt");
    add_count_option(sub, "--seed", opt->seed, 0, "seed of the random choices; a seed always gives the same puzzle")
        ->required();
    sub->add_option("-o", opt->dir, "directory to write the puzzle into (made if missing)")->required();
    sub->add_option("--remove", opt->remove, "for each K, a partial placement with K neighbouring pieces taken out")
        ->delimiter(',')
        ->check(whole_number_from(1, kPieceCount))
        ->type_name("K,K,...")
        ->capture_default_str();
    sub->add_flag("--force", opt->force, "replace the puzzle files a folder already holds");
    sub->add_flag("--distinct", opt->distinct,
                  "no two pieces alike in any of their six turns (a mirror image is a different piece: pieces "
                  "are never turned over)");
    return {sub, [opt] { return run_generate(*opt); }};
}

}  // namespace tessera::cli
