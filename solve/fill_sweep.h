// One thread's part of a fill: sweeps over the board from its own seed, with the state the
// threads share (the stop, the best placement so far, the first full board).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "solve/fill.h"
#include "solve/fill_state.h"

namespace tessera::solve {

class Sweeper;

struct FillShared {
    std::atomic<bool> stop{false};
    std::atomic<int> best_pieces{-1};
    std::mutex mu;
    bool full = false;
    bool impossible = false;      // an exact search of all that was left found no completion
    std::vector<Placement> best;  // under mu
    std::int64_t best_open = 0;

    // Keeps the state's placement when it is full, or holds more pieces than the best so far.
    void offer(const FillState& state, bool is_full);
    FillProgress progress(double seconds, const std::vector<std::unique_ptr<Sweeper>>& sweepers);
};

// The seed of thread `t`: the run's seed itself on thread 0, so that one thread is the run.
std::uint64_t sweep_seed(std::uint64_t seed, int thread);

class Sweeper {
public:
    Sweeper(const Problem& problem, const FillOptions& options, std::uint64_t seed, FillShared& shared);

    // Lays `start` (the pieces that fit), then sweeps until a full board or the stop; with an
    // `exact_variant` of 0 or more, hands all that is left to one exact search instead.
    void run(const std::vector<Placement>& start, int exact_variant);

    bool finished() const { return finished_.load(); }
    int pieces_now() const { return pieces_now_.load(std::memory_order_relaxed); }
    std::int64_t open_now() const { return open_now_.load(std::memory_order_relaxed); }
    std::uint64_t restarts() const { return restarts_.load(std::memory_order_relaxed); }
    std::uint64_t exact_runs() const { return exact_runs_.load(std::memory_order_relaxed); }
    std::uint64_t exact_dead() const { return exact_dead_.load(std::memory_order_relaxed); }

private:
    struct Level {
        std::vector<std::uint32_t> rows;  // to try, best first
        std::size_t next = 0;
        int tried = 0;
        int piece = 0;  // laid from this level, 0: none now
    };
    enum class Node { Open, Dead, Full };

    void run_exact(int variant);
    void run_sweeps();
    bool sweep();
    void start_over();
    std::vector<std::vector<std::int32_t>> open_areas();
    int open_sixths(const std::vector<std::int32_t>& cells) const;
    bool close_gaps();
    std::vector<int> pieces_around(const std::vector<std::int32_t>& cells) const;
    bool refill_window(const std::vector<std::int32_t>& hole, int radius);
    void shed_start_edge();
    void order_cells();
    Node push_node();
    void fewest_rows(std::int32_t cell, std::int32_t& best_cell, int& best_k, std::int32_t& best_count) const;
    bool choose_spot(std::int32_t& cell, int& k) const;
    std::int64_t snug_abundant_row();
    double score(std::uint32_t row);
    bool advance();
    void pop_levels(std::size_t n);
    Node end_game();
    Node search_neighbourhood();
    Node unstick();
    bool lay_and_offer(const std::vector<Placement>& completion);
    bool ahead_ok(std::uint32_t row);
    bool room_for_every_shape() const;
    bool pockets_ok(std::uint32_t row);
    bool pocket_ok(std::int32_t start, std::uint64_t check);
    bool tile_pocket(const std::vector<std::int32_t>& cells, int& budget);
    std::int32_t open_neighbour(std::int32_t cell, int k) const;
    double contact(std::uint32_t row) const;
    double halves_closed(std::uint32_t row) const;
    double pairs_left() const;
    bool halves_free() const;
    double random01();
    void publish();

    const Problem& p_;
    const FillOptions& o_;
    FillShared& shared_;
    FillState s_;
    std::uint64_t rng_;
    std::vector<Placement> start_;
    std::vector<std::int32_t> sweep_cells_;  // cells in the order of the sweep
    std::vector<Level> levels_;
    std::vector<std::uint64_t> seen_;
    std::vector<std::int32_t> flood_;
    std::vector<double> awkward_;  // per shape class
    std::uint64_t flood_id_ = 0;
    int uniform_area_ = 0;
    int total_pieces_ = 0;
    std::size_t deepest_ = 0;
    int fails_ = 0;
    std::size_t band_ = 0;
    bool restart_ = false;
    std::int32_t abundant_ = -1;  // the shape with the most pieces
    double pairs_per_piece_ = 0;  // pairs of halves to make inside, per free piece, at the start
    double pair_excess_ = 0;      // pairs left beyond that share of the pieces left  // the board no longer matches the levels
    std::atomic<std::uint64_t> lns_moves_{0};
    std::atomic<bool> finished_{false};
    std::atomic<int> pieces_now_{0};
    std::atomic<std::int64_t> open_now_{0};
    std::atomic<std::uint64_t> restarts_{0};
    std::atomic<std::uint64_t> exact_runs_{0};
    std::atomic<std::uint64_t> exact_dead_{0};
};

}  // namespace tessera::solve
