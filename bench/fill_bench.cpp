// The fill engine on one puzzle, for scripts: loads a piece file (and a placement, kept fixed or
// repaired), fills the board, checks the result with the independent checker and prints
//   full=yes|no pieces=N seconds=S seed=X restarts=R exact=E dead=D
// (pieces: all pieces on the board at the end; then the sweeps started again, the hand-offs to
// the exact search and those proved dead). The engine's knobs can be set with
// --set name=value, so that a script can measure one part against another.
//
//   tessera_fill_bench [-C DIR] [--pieces FILE] [--resume FILE | --repair FILE] [--seed N]
//                      [--threads N] [--time-limit S] [-o FILE] [--progress] [--set name=value]...
//   tessera_fill_bench [-C DIR] --shapes      (the shape classes: pieces, rows, cut cells)
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/control_panel.h"
#include "app/start_up.h"
#include "solve/run.h"
#include "search/atomic_file.h"
#include "search/placement_file.h"
#include "solve/fill.h"
#include "solve/fill_state.h"

namespace {

using namespace tessera;

bool set_knob(solve::FillOptions& o, const std::string& text) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) return false;
    const std::string name = text.substr(0, eq);
    const double v = std::strtod(text.c_str() + eq + 1, nullptr);
    struct Knob {
        const char* name;
        void (*set)(solve::FillOptions&, double);
    };
    static const Knob knobs[] = {
        {"exact_first_pieces", [](solve::FillOptions& f, double x) { f.exact_first_pieces = static_cast<int>(x); }},
        {"endgame_pieces", [](solve::FillOptions& f, double x) { f.endgame_pieces = static_cast<int>(x); }},
        {"endgame_nodes", [](solve::FillOptions& f, double x) { f.endgame_nodes = static_cast<std::uint64_t>(x); }},
        {"sweep_parity", [](solve::FillOptions& f, double x) { f.sweep_parity = static_cast<int>(x); }},
        {"sweep_inward", [](solve::FillOptions& f, double x) { f.sweep_inward = x != 0; }},
        {"sweep_mixed", [](solve::FillOptions& f, double x) { f.sweep_mixed = x != 0; }},
        {"inward_on_odd_threads", [](solve::FillOptions& f, double x) { f.inward_on_odd_threads = x != 0; }},
        {"ring_rows", [](solve::FillOptions& f, double x) { f.ring_rows = x; }},
        {"sweep_window", [](solve::FillOptions& f, double x) { f.sweep_window = static_cast<int>(x); }},
        {"tries_per_level", [](solve::FillOptions& f, double x) { f.tries_per_level = static_cast<int>(x); }},
        {"fails_before_jump", [](solve::FillOptions& f, double x) { f.fails_before_jump = static_cast<int>(x); }},
        {"first_band", [](solve::FillOptions& f, double x) { f.first_band = static_cast<int>(x); }},
        {"max_band", [](solve::FillOptions& f, double x) { f.max_band = static_cast<int>(x); }},
        {"contact_weight", [](solve::FillOptions& f, double x) { f.contact_weight = x; }},
        {"shape_weight", [](solve::FillOptions& f, double x) { f.shape_weight = x; }},
        {"abundance_weight", [](solve::FillOptions& f, double x) { f.abundance_weight = x; }},
        {"balance_weight", [](solve::FillOptions& f, double x) { f.balance_weight = x; }},
        {"halves_weight", [](solve::FillOptions& f, double x) { f.halves_weight = x; }},
        {"pair_weight", [](solve::FillOptions& f, double x) { f.pair_weight = x; }},
        {"pair_reserve", [](solve::FillOptions& f, double x) { f.pair_reserve = static_cast<int>(x); }},
        {"abundant_slack", [](solve::FillOptions& f, double x) { f.abundant_slack = x; }},
        {"abundant_window", [](solve::FillOptions& f, double x) { f.abundant_window = static_cast<int>(x); }},
        {"halves_by", [](solve::FillOptions& f, double x) { f.halves_by = static_cast<int>(x); }},
        {"noise", [](solve::FillOptions& f, double x) { f.noise = x; }},
        {"gap_cap", [](solve::FillOptions& f, double x) { f.gap_cap = static_cast<int>(x); }},
        {"max_radius", [](solve::FillOptions& f, double x) { f.max_radius = static_cast<int>(x); }},
        {"window_nodes", [](solve::FillOptions& f, double x) { f.window_nodes = static_cast<std::uint64_t>(x); }},
        {"sweeps_before_shedding",
         [](solve::FillOptions& f, double x) { f.sweeps_before_shedding = static_cast<int>(x); }},
        {"pocket_cap", [](solve::FillOptions& f, double x) { f.pocket_cap = static_cast<int>(x); }},
        {"pocket_exact", [](solve::FillOptions& f, double x) { f.pocket_exact = static_cast<int>(x); }},
        {"lns_patience", [](solve::FillOptions& f, double x) { f.lns_patience = static_cast<int>(x); }},
        {"lns_min_pieces", [](solve::FillOptions& f, double x) { f.lns_min_pieces = static_cast<int>(x); }},
        {"lns_max_pieces", [](solve::FillOptions& f, double x) { f.lns_max_pieces = static_cast<int>(x); }},
        {"lns_nodes", [](solve::FillOptions& f, double x) { f.lns_nodes = static_cast<std::uint64_t>(x); }},
        {"lns_stretch", [](solve::FillOptions& f, double x) { f.lns_stretch = x; }},
        {"lns_finish", [](solve::FillOptions& f, double x) { f.lns_finish = static_cast<int>(x); }},
        {"lns_units", [](solve::FillOptions& f, double x) { f.lns_units = static_cast<int>(x); }},
        {"lns_offer", [](solve::FillOptions& f, double x) { f.lns_offer = static_cast<int>(x); }},
        {"lns_swap_tries", [](solve::FillOptions& f, double x) { f.lns_swap_tries = static_cast<int>(x); }},
        {"lns_band", [](solve::FillOptions& f, double x) { f.lns_band = static_cast<int>(x); }},
        {"lns_head", [](solve::FillOptions& f, double x) { f.lns_head = static_cast<int>(x); }},
        {"lns_from_left", [](solve::FillOptions& f, double x) { f.lns_from_left = static_cast<int>(x); }},
        {"lns_keep_halves", [](solve::FillOptions& f, double x) { f.lns_keep_halves = x != 0; }},
        {"lns_bite", [](solve::FillOptions& f, double x) { f.lns_bite = static_cast<int>(x); }},
        {"lns_swap_share", [](solve::FillOptions& f, double x) { f.lns_swap_share = x; }},
    };
    for (const Knob& k : knobs)
        if (name == k.name) {
            k.set(o, v);
            return true;
        }
    return false;
}

int usage(const char* why) {
    std::fprintf(stderr, "tessera_fill_bench: %s\n", why);
    return 2;
}

// Halves of the free pieces against the half cells left open on the board the run ends with:
// their difference over two is the pairs of halves the free pieces must make among themselves.
void print_halves(const solve::Problem& problem, const std::vector<Placement>& placements) {
    solve::FillState s(problem);
    for (const Placement& e : placements) s.place_if_fits(e);
    int free_halves = 0, halved_free = 0, open_halves = 0;
    for (std::size_t c = 0; c < problem.classes.size(); ++c) {
        const int h = problem.halves_of(static_cast<std::int32_t>(c));
        free_halves += h * s.class_free(static_cast<std::int32_t>(c));
        if (h > 0) halved_free += s.class_free(static_cast<std::int32_t>(c));
    }
    for (std::int32_t cell = 0; cell < static_cast<std::int32_t>(problem.cell_row.size()); ++cell)
        if (std::popcount(s.open_in(cell)) == 3) ++open_halves;
    std::printf("free=%d halved_free=%d free_halves=%d open_halves=%d\n", s.pieces_left(), halved_free, free_halves,
                open_halves);
}

}  // namespace

int main(int argc, char** argv) {
    solve::ProblemOptions popt;
    solve::FillOptions fopt;
    std::string repair_from, output;
    bool progress = false, shapes = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "-C" && has_value) popt.work_dir = argv[++i];
        else if (a == "--pieces" && has_value) popt.pieces = argv[++i];
        else if (a == "--resume" && has_value) popt.resume = argv[++i];
        else if (a == "--repair" && has_value) repair_from = argv[++i];
        else if (a == "--seed" && has_value) fopt.seed = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "--threads" && has_value) fopt.threads = std::atoi(argv[++i]);
        else if (a == "--time-limit" && has_value) fopt.time_limit = std::strtod(argv[++i], nullptr);
        else if (a == "-o" && has_value) output = argv[++i];
        else if (a == "--progress") progress = true;
        else if (a == "--shapes") shapes = true;
        else if (a == "--set" && has_value) {
            if (!set_knob(fopt, argv[++i])) return usage("unknown --set name");
        } else
            return usage(("unknown argument " + a).c_str());
    }
    MemoryPanel panel;
    std::unique_ptr<Solver> solver;
    solve::Problem problem;
    if (!solve::load_problem(popt, panel, solver, problem)) return 2;
    if (shapes) {
        // One line per shape: its pieces, rows, and cells cut in halves.
        for (std::size_t c = 0; c < problem.classes.size(); ++c) {
            const solve::ShapeClass& shape = problem.classes[c];
            const std::uint32_t rows = problem.class_list_start[c + 1] - problem.class_list_start[c];
            std::printf("shape %zu pieces=%zu rows=%u halves=%d\n", c, shape.members.size(), rows,
                        problem.halves_of(static_cast<std::int32_t>(c)));
        }
        return 0;
    }
    std::vector<Placement> start;
    if (!repair_from.empty()) {
        auto list = std::make_unique<PlacementList>();
        // load_problem has entered -C DIR: relative paths are taken from there.
        if (!read_placements(repair_from, *list)) return 2;
        start = solve::lowest_orientations(solver->state().prvky, {list->entries, list->entries + list->count});
    }
    if (progress)
        fopt.on_progress = [](const solve::FillProgress& p) {
            std::fprintf(stderr, "%7.1f s  pieces %3d  open %5lld  best %3d  restarts %llu  exact %llu\n", p.seconds,
                         p.pieces, static_cast<long long>(p.open_area), p.best_pieces,
                         static_cast<unsigned long long>(p.restarts), static_cast<unsigned long long>(p.exact_runs));
        };
    const solve::FillResult result = repair_from.empty() ? solve::fill_board(problem, fopt) : solve::repair(problem, start, fopt);
    const std::unique_ptr<PlacementList> list = solve::placement_list(problem.fixed, result.placements);
    bool full = result.full;
    if (full) {
        const std::string fault = solve::solution_fault(solver->state(), problem, *list);
        if (!fault.empty()) {
            std::fprintf(stderr, "tessera_fill_bench: the board failed the check: %s\n", fault.c_str());
            full = false;
        }
    }
    if (!output.empty()) {
        if (write_file_atomically(output, solve::placement_file_text(problem.fixed, result.placements)) != 0)
            return usage("cannot write the output file");
    }
    print_halves(problem, result.placements);
    std::printf("full=%s pieces=%d seconds=%.2f seed=%llu restarts=%llu exact=%llu dead=%llu\n", full ? "yes" : "no", list->count,
                result.seconds, static_cast<unsigned long long>(fopt.seed),
                static_cast<unsigned long long>(result.restarts), static_cast<unsigned long long>(result.exact_runs),
                static_cast<unsigned long long>(result.exact_dead));
    return full ? 0 : 1;
}
