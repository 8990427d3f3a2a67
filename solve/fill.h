// Filling a whole board, or the large gaps of one, when the exact walk's tree is too deep to
// search: a sweep lays pieces across the board from one border in a fixed order of cells,
// checking ahead that what it leaves can still be covered, and hands the last pieces to an
// exact search; when that proves there is no completion it lifts the last band and lays it
// again otherwise. Every thread runs its own sweeps from its own seed (a portfolio, not a split
// of one tree); the first full board ends the run everywhere.
//
// Repair starts from a placement of the user's or of the search (pieces may be lifted): it
// closes every gap by lifting the pieces around it and refilling that window by exact cover,
// widening the window when no refill exists, and sweeps what is left open.
//
// Both read the Problem only, from any number of threads; every result is the placement beyond
// problem.fixed and must be checked by the caller (the engine itself trusts its model).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "solve/problem.h"

namespace tessera::solve {

struct FillProgress {
    double seconds = 0;
    int pieces = 0;               // laid beyond the fixed placement, on the best thread now
    std::int64_t open_area = 0;   // sixths left uncovered there
    int best_pieces = 0;          // most laid at once so far
    std::int64_t best_open = 0;   // its sixths left uncovered
    std::uint64_t restarts = 0;   // sweeps started again from the start placement, all threads
    std::uint64_t exact_runs = 0; // hand-offs to the exact search, all threads
    std::uint64_t exact_dead = 0; // of them, proved to have no completion
};

struct FillOptions {
    std::uint64_t seed = 1;
    int threads = 1;
    double time_limit = 0;  // seconds, 0: none
    // Polled every few milliseconds; true ends the run with the best so far.
    std::function<bool()> should_stop;
    // Called from the calling thread about every `progress_every` seconds.
    std::function<void(const FillProgress&)> on_progress;
    double progress_every = 0.5;
    // Called from the calling thread, at most every `progress_every` seconds, with the fullest
    // placement so far whenever it has gained pieces (beyond problem.fixed), and once at the end.
    std::function<void(const std::vector<Placement>&)> on_best;

    // The engine's knobs; the defaults are the measured best.
    int exact_first_pieces = 100;         // with this few free pieces every thread runs an exact search
    int endgame_pieces = 40;              // free pieces left when the exact search takes over
    std::uint64_t endgame_nodes = 20000;  // its budget in nodes per hand-off
    int sweep_parity = -1;                // -1: any of the 12 directions; 0 or 1: the even or odd ones
    bool sweep_inward = false;            // rings from the border in; else bands across the board
    bool sweep_mixed = true;             // each sweep draws rings or bands at random
    bool inward_on_odd_threads = true;   // threads 1, 3, ... sweep in rings from the border in only
    double ring_rows = 1.0;               // depth of a ring in rows
    int sweep_window = 4;                 // cells at the head of the sweep among which the most constrained is filled
    int tries_per_level = 3;              // pieces tried at one spot before the spot before it is changed
    int fails_before_jump = 40;           // dead ends without getting deeper before a band is lifted
    int first_band = 4;                   // pieces of the first band lifted; doubles up to max_band
    int max_band = 64;                    // past it the sweep starts again
    double contact_weight = 1.0;          // of a piece's edges that meet the filled area
    double shape_weight = 0.0;            // of a shape's cut cells (awkward: only halves meet halves)
    double abundance_weight = 1.0;        // of a shape's free pieces per live row (the walk's order)
    double balance_weight = 2.0;          // of a shape's free share against the share of all pieces left
    double halves_weight = 2.0;           // of the cut cells a piece completes less those it opens
    double pair_weight = 0.0;             // of a cut cell it opens, times the pairs of halves left beyond their share
    double abundant_slack = 0;            // pieces the most abundant shape may lag before it is pushed (0: never)
    int abundant_window = 12;             // open cells at the head of the sweep where it is pushed
    int halves_by = 0;                    // every piece with halves is laid before this few pieces are left
    int pair_reserve = 0;                 // the share counts down to none at this many pieces left
    double noise = 1.0;                   // random part of a piece's score
    // Repair: open areas up to gap_cap sixths are closed by exact cover in a window of the pieces
    // up to max_radius steps around them; window_nodes is the budget of each window.
    int gap_cap = 36 * 12;
    int max_radius = 3;
    std::uint64_t window_nodes = 200000;
    int sweeps_before_shedding = 8;       // failed sweeps before the start's edge is given up
    int pocket_cap = 216;                 // sixths: smaller closed empty areas are judged
    int pocket_exact = 108;               // sixths: smaller closed areas are tiled exactly first
    // Large neighbourhood search from an end game that the exact search could not complete:
    // windows of lns_min_pieces..lns_max_pieces laid pieces (discs, or ellipses up to lns_stretch
    // long) lifted and laid again by exact cover (lns_nodes each), closing open cells or, in a
    // share lns_swap_share of the moves, trading a free piece for a laid one. Given up after
    // lns_patience moves in a row that close nothing (0: no search, the sweep backs up instead).
    int lns_patience = 1000;
    int lns_min_pieces = 8;
    int lns_max_pieces = 30;
    std::uint64_t lns_nodes = 20000;
    double lns_stretch = 4.0;
    double lns_swap_share = 0.6;
    int lns_units = 16;                   // subproblems of a window's exact search walked in turns
    int lns_offer = 1000;                 // free pieces of other shapes than the window's offered to a window
    int lns_head = 6;                     // open cells at the head of a stuck sweep that windows are centred on
    int lns_band = 1000;                  // a sweep stuck after lifting bands of this many pieces goes to the search too
    int lns_swap_tries = 2;               // pieces tried for the one a swap takes out
    int lns_finish = 8;                   // with this few free pieces every window is of lns_max_pieces, 5 times the budget
    bool lns_keep_halves = false;         // a window may not leave more half cells over than before
    int lns_from_left = 70;                // a sweep that dies with this few free pieces goes to the search
    int lns_bite = 3;                     // a closing move takes in up to this many pieces' area of open cells
};

struct FillResult {
    std::vector<Placement> placements;  // beyond problem.fixed: the full board, or the best so far
    bool full = false;        // the board (or the limit region) is covered
    bool impossible = false;  // proved: nothing completes problem.fixed (from an exact search of it all)
    double seconds = 0;
    std::uint64_t restarts = 0;
    std::uint64_t exact_runs = 0;
    std::uint64_t exact_dead = 0;  // of them, proved to have no completion
};

// The pieces not yet on the board (beyond problem.fixed).
int free_pieces(const Problem& problem);

// Fills the board from problem.fixed. Same seed, one thread: the same board. A board with few
// free pieces (exact_first_pieces), or a limit region, is given to the exact search on every
// thread instead of the sweep, each walking the tree in another order.
// Threads: options.threads, each with its own copy of the board's live counts (a few MB on a
// whole board; the shipped puzzle's run takes 37 MB in all with 2 threads, the Problem most of
// it) and the small problems it hands to the exact search; nothing else is shared but the stop
// and the best placement. A stop (should_stop, time_limit) is seen within a few
// milliseconds and the call returns the best so far.
FillResult fill_board(const Problem& problem, const FillOptions& options);

// Completes `start` (placements beyond problem.fixed, pieces of the problem's shapes; those that
// do not fit the problem are dropped) to a full board, lifting as few of its pieces as it can.
// Pass the start through lowest_orientations first: the problem knows a piece whose turns
// coincide in the lowest of them only.
FillResult repair(const Problem& problem, const std::vector<Placement>& start, const FillOptions& options);

// The placements with each orientation replaced by the lowest one whose record covers the same
// cells, as the problem's rows have them.
std::vector<Placement> lowest_orientations(const PieceRecord (*prvky)[kOrientations + 1], std::vector<Placement> placements);

}  // namespace tessera::solve
