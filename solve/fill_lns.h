// Large neighbourhood search over a partly filled board: a window of laid pieces around a spot is
// lifted and laid again by exact cover, with the free pieces offered too. A window that takes in
// open cells closes them (the board gains pieces); one that forces a free piece in and another
// out changes which pieces are left over, so that the last open area meets pieces that fit it.
// The board never loses a piece: a window that cannot be laid again is put back as it was.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "solve/fill.h"
#include "solve/fill_state.h"

namespace tessera::solve {

struct NeighbourhoodCounts {
    std::uint64_t moves = 0;
    std::uint64_t gains = 0;   // moves that closed open cells
    std::uint64_t swaps = 0;   // moves that changed the pieces left over
    std::uint64_t nodes = 0;   // of the exact searches
    std::uint64_t uneven = 0;  // windows whose open area no set of pieces makes
    std::uint64_t proved = 0;  // windows proved to have no refill
    std::uint64_t unknown = 0; // windows whose search ran out of its budget
    std::uint64_t spoilt = 0;  // refills undone: they left an open area no pieces can fill
};

class Neighbourhood {
public:
    Neighbourhood(FillState& state, const FillOptions& options, std::uint64_t& rng, const std::atomic<bool>& stop);

    // Moves until the board is full (true), the stop, or options.lns_patience moves in a row that
    // close nothing. `on_gain` is called after each move that laid more pieces.
    bool run(const std::function<void()>& on_gain);

    // One move of each kind, for tests and callers that steer the search themselves. A move
    // around `cell` lifts about `pieces` laid pieces nearest to it (by a stretched distance) and
    // lays the window again; true when it was laid otherwise than before.
    bool close_around(std::int32_t cell, int pieces);
    // Moves around the first open cells of `order` (lns_head of them) until one closes open cells
    // (true) or `patience` moves have not.
    bool unstick(const std::vector<std::int32_t>& order, int patience);
    bool swap_in(int free_piece, int pieces);

    const NeighbourhoodCounts& counts() const { return counts_; }

private:
    struct Ball {
        double x = 0, y = 0, cos = 1, sin = 0, stretch = 1;
        double distance(double px, double py) const;
    };
    Ball random_ball(double x, double y);
    std::vector<int> nearest_pieces(const Ball& ball, int pieces, double& radius) const;
    bool lay_window(const std::vector<std::int32_t>& window, const std::vector<char>& offered, bool use_all,
                    const std::vector<std::uint32_t>* required = nullptr);
    bool open_areas_ok();
    bool halves_meet(const Row& r) const;
    const Row& place_for(std::int32_t cls);
    int free_halves() const;  // half cells of the free pieces
    std::vector<char> offer_for(const std::vector<FillState::Laid>& lifted);
    void open_edge(std::vector<std::int32_t>& out) const;
    double random01();
    int random_below(int n);
    int window_size();

    FillState& s_;
    const FillOptions& o_;
    std::uint64_t& rng_;
    const std::atomic<bool>& stop_;
    std::vector<double> cx_, cy_;  // cell centres
    NeighbourhoodCounts counts_;
    int halves_before_ = 0;  // free_halves() before the move
    int misses_ = 0;  // moves in a row that closed nothing
    std::vector<int> laid_;  // by the last window laid
    std::vector<std::uint64_t> seen_;
    std::vector<std::uint32_t> required_;  // per cell: sixths a window must cover, zero between moves
    std::vector<std::int32_t> flood_;
    std::uint64_t flood_id_ = 0;
};

}  // namespace tessera::solve
