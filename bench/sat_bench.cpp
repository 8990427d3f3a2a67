// One completion of a partial placement by the walk, the CDCL engine, or the two racing, for
// measuring them side by side. Prints one line:
//   solved=yes|no|none engine=walk|sat seconds=S
// (engine=none: the race ended undecided)
// yes: a solution, checked by the independent checker; none: proved that there is none; no:
// not decided within the time limit. The problem is loaded as tessera solve loads it.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "solve/run.h"
#include "solve/portfolio.h"

namespace tessera {
namespace {

struct BenchOptions {
    solve::ProblemOptions problem;
    solve::PortfolioOptions race;
    std::string engine = "portfolio";
    double cpu_limit = 0;  // seconds of an idle machine: CPU seconds over the threads in use
};

// CPU seconds of the process so far (user and system, every thread).
double cpu_seconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           1e-6 * static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

bool parse_encoding(const std::string& name, const std::string& value, solve::EncodingOptions& e) {
    if (name == "--amo") {
        if (value == "pairwise") e.at_most_one = solve::AtMostOne::Pairwise;
        else if (value == "sequential") e.at_most_one = solve::AtMostOne::Sequential;
        else if (value == "commander") e.at_most_one = solve::AtMostOne::Commander;
        else return false;
        return true;
    }
    if (value == "atmost") e.shape_count = solve::ShapeCount::AtMost;
    else if (value == "totalizer") e.shape_count = solve::ShapeCount::AtMostTotalizer;
    else if (value == "exactly") e.shape_count = solve::ShapeCount::Exactly;
    else return false;
    return true;
}

bool parse(int argc, char** argv, BenchOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (name == "-C") o.problem.work_dir = value;
        else if (name == "--pieces") o.problem.pieces = value;
        else if (name == "--resume") o.problem.resume = value;
        else if (name == "--engine") o.engine = value;
        else if (name == "--threads") o.race.threads = std::atoi(value.c_str());
        else if (name == "--cpu-limit") o.cpu_limit = std::atof(value.c_str());
        else if (name == "--walk-threads") o.race.walk_threads = std::atoi(value.c_str());
        else if (name == "--time-limit") o.race.time_limit = std::atof(value.c_str());
        else if (name == "--config") o.race.sat.configuration = value;
        else if (name == "--cadical") o.race.sat.cadical_options.push_back(value);
        else if (name == "--seed") o.race.sat.seed = std::atoi(value.c_str());
        else if (name == "--first-turn") o.race.first_turn = std::atof(value.c_str());
        else if (name == "--amo" || name == "--shape-count") {
            if (!parse_encoding(name, value, o.race.sat.encoding)) return false;
        } else {
            return false;
        }
    }
    if (o.engine == "walk") o.race.racers = solve::Racers::WalkOnly;
    else if (o.engine == "sat") o.race.racers = solve::Racers::SatOnly;
    else if (o.engine != "portfolio") return false;
    return o.race.threads >= 1;
}

int run(int argc, char** argv) {
    BenchOptions o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: tessera_sat_bench -C DIR [--pieces FILE] [--resume FILE] [--engine walk|sat|portfolio]\n"
                     "  [--threads N] [--walk-threads N] [--time-limit S] [--cpu-limit S] [--first-turn S] [--amo pairwise|sequential|commander]\n"
                     "  [--shape-count atmost|totalizer|exactly] [--config NAME] [--cadical --name=value] [--seed N]\n");
        return 2;
    }
    MemoryPanel panel;
    std::unique_ptr<Solver> solver;
    solve::Problem problem;
    if (!solve::load_problem(o.problem, panel, solver, problem)) return 2;
    o.race.check = [&](const solve::Prefix& prefix) {
        return solve::solution_fault(solver->state(), problem, *solve::placement_list(problem.fixed, prefix));
    };
    if (o.engine != "walk") {
        struct Count : solve::ClauseSink {
            void clause(const std::vector<int>&) override {}
        } count;
        const solve::EncodingSize size = solve::encode_units(problem, o.race.sat.encoding, count);
        std::fprintf(stderr, "vars=%d clauses=%llu literals=%llu\n", size.vars,
                     static_cast<unsigned long long>(size.clauses), static_cast<unsigned long long>(size.literals));
    }
    // On a loaded machine a time limit measures the load: --cpu-limit S stops at the CPU time
    // that S seconds give the run's threads on an idle machine, and reports that time.
    // More threads than cores share them: the idle machine gives at most its cores' time.
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = std::min(cores, o.race.racers == solve::Racers::SatOnly ? 1
                                        : o.race.racers == solve::Racers::WalkOnly ? o.race.threads
                                        : o.race.walk_threads > 0 ? o.race.walk_threads + 1
                                                                  : std::max(1, o.race.threads));
    const double cpu_start = cpu_seconds();
    if (o.cpu_limit > 0)
        o.race.should_stop = [&] { return cpu_seconds() - cpu_start >= o.cpu_limit * threads; };
    const solve::PortfolioResult r = solve::solve_portfolio(problem, o.race);
    const double cpu = cpu_seconds() - cpu_start;
    std::fprintf(stderr, "cpu_seconds=%.2f\n", cpu);
    if (!r.fault.empty()) std::fprintf(stderr, "a solution failed the check: %s\n", r.fault.c_str());
    const char* solved = r.end == solve::RunEnd::MaxSolutions ? "yes" : r.end == solve::RunEnd::Complete ? "none" : "no";
    std::fprintf(stderr, "rows=%zu walk_nodes=%llu\n", problem.rows.size(), static_cast<unsigned long long>(r.walk_nodes));
    // Undecided: the engine asked for, or "none" for the race.
    const char* engine = r.by == solve::Engine::Sat ? "sat" : "walk";
    if (r.end == solve::RunEnd::Stopped && r.fault.empty())
        engine = o.engine == "portfolio" ? "none" : o.engine.c_str();
    if (o.cpu_limit > 0)
        std::printf("solved=%s engine=%s seconds=%.2f wall=%.2f\n", solved, engine, cpu / threads, r.seconds);
    else
        std::printf("solved=%s engine=%s seconds=%.2f\n", solved, engine, r.seconds);
    return r.fault.empty() ? 0 : 1;
}

}  // namespace
}  // namespace tessera

int main(int argc, char** argv) { return tessera::run(argc, argv); }
