// One depth-first walk of the exact-cover tree of a Problem, on one thread. The walk picks the
// open column with the fewest live rows (a sixth, or on a full board the last free piece of a
// shape), tries its rows (the shapes with the most free pieces per live row first), and lifts
// them again, keeping for every column the count of rows that can still cover it. Pieces of one
// shape are interchangeable: a row of a shape is given to the lowest-numbered free piece of that
// shape, so each tiling is met once.
//
// One class, three concerns, each in a file of its own (the fields below are grouped the same way):
//   solve/walker.cpp          the walk: entering a prefix, the loop over levels, the choice of
//                             column and the order of its rows, and what a walk hands back
//                             (open prefixes, children, probes)
//   solve/walker_cover.cpp    the cover state and its undo: place, kill, lift, the live counts
//                             and the trail that puts them back
//   solve/walker_pruning.cpp  the pruning of a node by its empty areas: pockets, their areas and
//                             the tilt the free pieces can make
// They stay one class so that the walk's inner loop reaches every table without an indirection.
#pragma once

#include <atomic>
#include <bitset>
#include <cstdint>
#include <functional>
#include <vector>

#include "solve/dead_states.h"
#include "solve/problem.h"
#include "solve/tilt.h"

namespace tessera::solve {

using Prefix = std::vector<Placement>;  // placements beyond the fixed ones, in the order chosen

class Walker {
public:
    explicit Walker(const Problem& problem);

    // Back to the fixed placement, then lays `prefix`. False when an entry is not an open row
    // of the problem at that point, or not given to the piece that the walk would give it to.
    bool enter(const Prefix& prefix);

    // Called for each tiling: the placements beyond the fixed ones. Return false to stop.
    using TilingSink = std::function<bool(const Prefix&)>;
    enum class End { Exhausted, Stopped };
    // Walks the whole tree below the entered prefix, or until `stop` is set, the sink says stop,
    // or `budget` nodes (0: no limit) have been entered. `nodes` counts the nodes entered (the
    // prefix's node included).
    End walk(const TilingSink& sink, const std::atomic<bool>& stop, std::uint64_t budget = 0);

    // Walks after this skip the states `table` holds and add those they search to the end
    // without a tiling. The table may be shared by walkers on other threads.
    void share_dead_states(DeadStates* table) { dead_ = table; }

    // Walks after this take, of the columns with the fewest live rows, the last in the board's
    // order instead of the first: another walk of the same tree, for turns to vary.
    void set_last_of_ties(bool on) { last_of_ties_ = on; }

    // Tilings met by every walk of this walker so far.
    std::uint64_t tilings_met() const { return tilings_met_; }

    // After a walk that was stopped: the subproblems not yet searched, in search order. Each is
    // the entered prefix plus the rows chosen since; together with what was searched they cover
    // the entered node's tree, and no two of them share a leaf.
    std::vector<Prefix> open_prefixes() const;

    // The children of the entered node in search order (empty for a solution or a dead node);
    // `solution` is set when the node is itself a tiling.
    std::vector<Prefix> children(bool& solution);

    // One random path down from the entered node, for the estimate of the tree's size: the
    // product of the branching factors met on the way (Knuth's estimator of the node count).
    double probe(std::uint64_t& random_state);

    // Written by the walking thread only; read by the progress display at any time.
    std::atomic<std::uint64_t> nodes{0};
    std::atomic<int> deepest{0};  // placements beyond the fixed ones

    // Labelled solutions of a tiling, relative to the problem's free pieces (falling factorials
    // of the shapes' free counts over their uses).
    static void count_labellings(const Problem& problem, const Prefix& tiling, class BigCount& out);

private:
    // A level's rows are the live rows of its column, taken from candidates_[first, end) in
    // the order of trial; `at` is the next to try. The row a level placed stays placed while
    // the levels below it are searched.
    struct Level {
        std::uint32_t first, at, end;
        std::uint64_t tilings_before;  // tilings met before the level was entered
    };
    struct Choice {
        const ListEntry* begin;
        const ListEntry* end;
        std::uint32_t bit;
        std::int64_t count;  // live rows; 0 means a dead end
    };

    // The walk (walker.cpp).
    void count_node(int depth);
    bool is_tiling() const;
    bool child_survives(std::uint32_t row);
    bool descend();
    void ascend();
    Choice choose() const;
    Choice sixth_choice(std::int32_t sixth, std::int64_t count) const;
    void push_level(const Choice& column);
    bool tried_before(std::uint32_t a, std::uint32_t b) const;
    Prefix path_prefix(int levels) const;
    Prefix extended(const Prefix& head, std::uint32_t row, int placements) const;
    int next_member(int cls, int levels) const;
    Placement placement_of(std::uint32_t row, int piece) const;

    // The cover state and its undo (walker_cover.cpp; live_in and live_on below).
    void build_cover_tables();
    void reset();
    void place(std::uint32_t row, bool keep_used_up = false);
    void kill(std::uint32_t row);
    void lift_out_used_up(std::int32_t cls);
    void lift(std::uint32_t row, std::uint32_t mark);
    bool starved() const;
    std::int32_t live_in(std::size_t cell, int k) const;
    std::int32_t live_on(std::int32_t sixth) const;

    // The pruning by empty areas and tilt (walker_pruning.cpp).
    void build_pruning_tables();
    bool all_pockets_ok();
    bool pockets_ok_after(std::uint32_t row);
    bool still_one_area(std::uint32_t row);
    std::int32_t empty_across(std::int32_t cell, std::uint32_t sixths) const;
    bool pocket_ok(std::int32_t start);
    bool pocket_tilt_ok(std::int64_t tilt, int size) const;
    const std::bitset<512>& reachable_sums();
    bool area_fillable(int size);

    const Problem& p_;

    // The cover state and its undo (walker_cover.cpp; its top comment describes the trail).
    std::vector<std::uint32_t> cover_;   // covered sixths of each cell
    static constexpr int kSlots = 7;
    std::vector<std::int32_t> live_;     // live rows per cell and kind of cover (whole, six halves)
    std::vector<std::uint32_t> live_at_; // each row cell's count in live_: its cell and kind of cover
    // What a kill reads of a row, packed: rows are many, and a kill touches them at random.
    struct RowCells {
        std::uint32_t first;
        std::uint16_t count, cls;
    };
    std::vector<RowCells> row_cells_of_;
    std::vector<std::int32_t> class_live_, class_free_;
    std::int64_t uncovered_primary_ = 0;
    int pieces_left_ = 0;                // free pieces with a shape
    std::vector<std::uint32_t> stamp_;   // placement that killed a row (1-based), 0 if alive
    std::vector<std::uint32_t> trail_;   // rows killed, in the order they died
    std::vector<std::uint32_t> marks_;   // trail length before each placement
    std::vector<std::int32_t> emptied_;  // cells where a kind of cover lost its last live row
    std::vector<std::uint32_t> placed_;  // rows placed since the fixed placement
    std::vector<std::int32_t> placed_piece_;
    std::vector<StateKey> row_key_;      // what placing each row adds to the state's key
    StateKey state_;                     // key of the covered sixths and used shapes

    // The walk (walker.cpp): the path's levels below the entered prefix, and what the walks met.
    std::size_t base_ = 0;               // placements of the entered prefix
    std::vector<Level> levels_;
    std::vector<std::uint32_t> candidates_;  // the levels' rows, level after level
    DeadStates* dead_ = nullptr;
    std::uint64_t tilings_met_ = 0;
    bool last_of_ties_ = false;

    // The pruning (walker_pruning.cpp): floods, area sums, tilt; place and lift keep tilt_left_.
    std::vector<std::uint64_t> seen_;    // the flood that last reached each cell
    std::vector<std::int32_t> flood_;    // cells
    std::vector<std::int32_t> pocket_;   // cells of the smallest empty area of the last check
    int pocket_size_ = 0;
    int areas_ = 0;                      // empty areas met by the last check
    std::vector<std::uint8_t> one_area_; // per depth: the node's empty sixths are one large area
    std::vector<std::int32_t> near_;     // cells of an empty area next to a placement
    std::uint64_t flood_id_ = 0;
    std::uint64_t check_start_ = 1;      // first flood of the current pocket check
    std::bitset<512> sums_;
    bool sums_valid_ = false;            // place and lift clear it
    int area_divisor_ = 1;
    int uniform_area_ = 0;  // the area every shape has, or -1
    Tilt tilt_;
    std::int64_t tilt_left_ = 0;  // of the sixths left to cover
};

// The live rows that cover sixth k of `cell`: the whole covers and the three halves that hold it.
// Inline: the choice of column and the check after a placement ask it for every open sixth.
inline std::int32_t Walker::live_in(std::size_t cell, int k) const {
    static constexpr int kHalves[kSixthsPerCell][3] = {{1, 6, 5}, {2, 1, 6}, {3, 2, 1},
                                                      {4, 3, 2}, {5, 4, 3}, {6, 5, 4}};
    const std::int32_t* c = &live_[cell * kSlots];
    return c[0] + c[kHalves[k][0]] + c[kHalves[k][1]] + c[kHalves[k][2]];
}

inline std::int32_t Walker::live_on(std::int32_t sixth) const { return live_in(cell_of(sixth), sixth_in_cell(sixth)); }

}  // namespace tessera::solve
