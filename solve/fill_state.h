// The board as the fill engine keeps it: the rows of a Problem laid and lifted in any order, with
// a live count for every cell and kind of cover. The exact walk lifts only its last placement;
// the fill engine lifts whole bands and windows out of the middle of what it laid, so a row is
// dead while some laid row overlaps it (a count, not a stamp) or its shape has no free piece.
#pragma once

#include <cstdint>
#include <vector>

#include "solve/problem.h"
#include "solve/tilt.h"

namespace tessera::solve {

// The fill's random numbers (SplitMix64): the same sequence from the same seed on every machine.
inline std::uint64_t fill_random(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

class FillState {
public:
    explicit FillState(const Problem& problem);

    const Problem& problem() const { return p_; }

    // Lays `row` with `piece`, or without one with the lowest-numbered free piece of its shape;
    // returns the piece. Cells where a kind of cover lost its last live row are noted for
    // starved(). The row must be live and the piece free, of the row's shape.
    int place(std::uint32_t row, int piece = 0);
    // Lifts the laid piece `piece` (anywhere in the order of laying).
    void lift(int piece);
    // Lifts the last `n` laid pieces, the last first.
    void lift_last(std::size_t n);
    // Lays `e` when the problem has its row, the row is live and the piece free; returns the
    // piece, 0 when it does not fit the board as it is.
    int place_if_fits(const Placement& e);
    void clear();

    bool live(std::uint32_t row) const { return blocked_[row] == 0 && class_free_[p_.rows[row].cls] > 0; }
    // Live rows that cover sixth k of a cell.
    std::int32_t live_in(std::int32_t cell, int k) const;
    // Whether the last place() left a sixth to cover that no live row covers.
    bool starved() const;
    // Whether the free pieces can make the tilt of what is left to cover (a full board only).
    bool tilt_ok() const;
    const Tilt& tilt() const { return tilt_; }

    std::uint32_t cover(std::int32_t cell) const { return cover_[cell]; }
    std::uint32_t open_in(std::int32_t cell) const { return p_.primary_mask[cell] & ~cover_[cell]; }
    std::int64_t uncovered() const { return uncovered_; }
    int pieces_left() const { return pieces_left_; }
    std::int32_t class_free(std::int32_t cls) const { return class_free_[cls]; }
    std::int32_t class_live(std::int32_t cls) const { return class_live_[cls]; }
    const std::vector<std::int32_t>& class_free() const { return class_free_; }
    // The piece laid over sixth k of a cell, 0 when none (or a sixth of the fixed placement).
    int owner(std::int32_t cell, int k) const { return owner_[cell * 6 + k]; }
    // The row a laid piece lies in, -1 when it is not laid.
    std::int32_t row_of(int piece) const { return row_of_[piece]; }
    bool piece_free(int piece) const { return row_of_[piece] < 0 && piece_cls_[piece] >= 0; }
    std::int32_t class_of(int piece) const { return piece_cls_[piece]; }

    struct Laid {
        std::uint32_t row;
        int piece;
    };
    const std::vector<Laid>& laid() const { return laid_; }
    // Lifts the laid ones of `pieces`, noting each in `lifted` and its cells in `cells`.
    void lift_pieces(const std::vector<int>& pieces, std::vector<Laid>& lifted, std::vector<std::int32_t>& cells);
    // Lays lifted pieces back where they were.
    void lay_back(const std::vector<Laid>& lifted);
    // The placements laid, in the order of laying.
    std::vector<Placement> placements() const;
    Placement placement_of(const Laid& l) const;
    // The row of `e` (a piece of a shape class, its orientation and anchor), -1 when the problem
    // has no such row.
    std::int32_t find_row(const Placement& e) const;

private:
    void block(std::uint32_t row);
    void unblock(std::uint32_t row);
    void block_class(std::int32_t cls, int delta);

    const Problem& p_;
    Tilt tilt_;
    std::vector<std::uint32_t> cover_;
    std::vector<std::int32_t> blocked_;
    std::vector<std::int32_t> live_;      // per cell and kind of cover: whole, six halves
    std::vector<std::uint32_t> live_at_;  // per row cell: its slot in live_
    std::vector<std::int32_t> class_free_;
    std::vector<std::int32_t> class_live_;  // live rows of each shape
    std::vector<std::int32_t> owner_;     // per sixth
    std::vector<std::int32_t> row_of_;    // per piece
    std::vector<std::int32_t> piece_cls_; // per piece, -1 without a shape
    std::vector<Laid> laid_;
    std::vector<std::int32_t> emptied_;
    std::int64_t uncovered_ = 0;
    std::int64_t tilt_left_ = 0;
    int pieces_left_ = 0;
};

}  // namespace tessera::solve
