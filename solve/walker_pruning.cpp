// The walker's pruning by empty areas: after a placement, every connected empty area must be
// fillable by the free pieces (by its size, and on a full board by its tilt), and the smallest
// area that holds a sixth to cover is where the walk looks next.
#include "solve/walker.h"

#include <bit>
#include <numeric>

#ifdef TESSERA_VERIFY
#include <cstdio>
#include <cstdlib>
#endif

namespace tessera::solve {

namespace {

// Pockets larger than this are not judged: a big empty area can almost always be split.
constexpr int kPocketCap = 511;

}  // namespace

void Walker::build_pruning_tables() {
    const std::size_t sixths = p_.cell_row.size() * kSixthsPerCell;
    seen_.assign(p_.cell_row.size(), 0);
    one_area_.assign(kPieceCount + 2, 0);
    flood_.reserve(sixths);
    pocket_.reserve(sixths);
    for (const ShapeClass& shape : p_.classes)
        uniform_area_ = uniform_area_ == 0 || uniform_area_ == shape.area ? shape.area : -1;
}

// Whether free pieces can make up an area of `size` sixths exactly. Pieces of one area (as in
// every generated puzzle) need only a multiple of it that is not too large.
bool Walker::area_fillable(int size) {
    if (uniform_area_ > 0) return size % uniform_area_ == 0 && size / uniform_area_ <= pieces_left_;
    reachable_sums();
    return area_divisor_ > 0 && size % area_divisor_ == 0 &&
           (size > kPocketCap || sums_.test(static_cast<std::size_t>(size)));
}

const std::bitset<512>& Walker::reachable_sums() {
    if (sums_valid_) return sums_;
    sums_.reset();
    sums_.set(0);
    area_divisor_ = 0;
    for (std::size_t c = 0; c < p_.classes.size(); ++c) {
        const int area = p_.classes[c].area;
        if (class_free_[c] > 0) area_divisor_ = std::gcd(area_divisor_, area);
        for (int n = 0; n < class_free_[c] && (n + 1) * area <= kPocketCap; ++n) sums_ |= sums_ << area;
    }
    sums_valid_ = true;
    return sums_;
}

// One empty connected area (sixths joined along edges) must be fillable by what is left: on a
// full board its area must be a sum of free pieces' areas; in a region, an area that holds a
// sixth of the region must hold at least the smallest free piece. A flood that grows past the
// cap stops there; a later flood of the same check that meets its marks is in the same big area.
bool Walker::pocket_ok(std::int32_t start) {
    // The free sixths of a cell are all six or one half: always joined, so the flood goes from
    // cell to cell, across the edges where free sixths meet.
    const std::uint64_t id = ++flood_id_;
    ++areas_;
    flood_.clear();
    flood_.push_back(start);
    seen_[start] = id;
    bool primary = false;
    int size = 0;
    std::int64_t tilt = 0;
    for (std::size_t at = 0; at < flood_.size(); ++at) {
        const std::int32_t cell = flood_[at];
        const std::uint32_t free = kWholeMask & ~cover_[cell];
        primary = primary || (p_.primary_mask[cell] & free) != 0;
        size += sixths_in(free);
        tilt += tilt_.of_cell(cell, free);
        // On a full board every area is flooded whole: its size must be a multiple of the
        // free pieces' common divisor, however large it is.
        if (size > kPocketCap && p_.region.limited) return true;
        for (std::uint32_t m = free; m != 0; m &= m - 1) {
            const std::int32_t n = empty_across(cell, m);
            if (n < 0 || seen_[n] == id) continue;
            if (seen_[n] >= check_start_) return true;
            seen_[n] = id;
            flood_.push_back(n);
        }
    }
    if (!primary) return true;
    if (size <= kPocketCap && (pocket_.empty() || size < pocket_size_)) {
        pocket_.assign(flood_.begin(), flood_.end());
        pocket_size_ = size;
    }
    if (!p_.pieces_joined) return true;
    if (!p_.region.limited) return area_fillable(size) && pocket_tilt_ok(tilt, size);
    for (std::size_t c = 0; c < p_.classes.size(); ++c)
        if (class_free_[c] > 0 && p_.classes[c].area <= size) return true;
    return false;
}

// The pieces that fill an area of `size` sixths must make its tilt.
bool Walker::pocket_tilt_ok(std::int64_t tilt, int size) const {
    if (!tilt_.usable()) return true;
    return tilt_.some_can_make(tilt, uniform_area_ > 0 ? size / uniform_area_ : pieces_left_, class_free_);
}

// Every empty area is judged, and the smallest one that holds a sixth to cover is kept: the walk
// fills it first, so that an area that cannot be filled is found before anything else is tried.
bool Walker::all_pockets_ok() {
    if (tilt_.usable() && !tilt_.all_can_make(tilt_left_, class_free_)) return false;
    check_start_ = flood_id_ + 1;
    pocket_.clear();
    areas_ = 0;
    for (std::size_t i = 0; i < cover_.size(); ++i)
        if (cover_[i] != kWholeMask && seen_[i] < check_start_ && !pocket_ok(static_cast<std::int32_t>(i)))
            return false;
    one_area_[placed_.size()] = areas_ == 1 && uncovered_primary_ > kPocketCap;
    return true;
}

// The cell across the edge of the lowest sixth in `sixths`, when the sixth there is free; else -1.
std::int32_t Walker::empty_across(std::int32_t cell, std::uint32_t sixths) const {
    const std::int32_t n = p_.across[sixth_of(cell, std::countr_zero(sixths))];
    return n >= 0 && (cover_[cell_of(n)] >> sixth_in_cell(n) & 1) == 0 ? cell_of(n) : -1;
}

// On a full board of pieces of one area, one large empty area passes every check of an area
// that the tilt of all that is left passes. A placement in it leaves one area when the empty
// cells around it still join up; a short flood among them shows that most of the time, and
// spares the flood of the whole area.
bool Walker::pockets_ok_after(std::uint32_t row) {
    const bool one_before = !p_.region.limited && uniform_area_ > 0 && p_.pieces_joined &&
                            one_area_[placed_.size() - 1] != 0 && uncovered_primary_ > kPocketCap;
    if (!one_before || !still_one_area(row)) return all_pockets_ok();
    const bool ok = !tilt_.usable() || tilt_.all_can_make(tilt_left_, class_free_);
#ifdef TESSERA_VERIFY
    // The checked builds flood the whole board as well: the same answer, and one area.
    if (all_pockets_ok() != ok || (ok && areas_ != 1)) {
        std::fprintf(stderr, "the short check of one empty area disagrees with the flood\n");
        std::abort();
    }
#endif
    if (!ok) return false;
    pocket_.clear();
    one_area_[placed_.size()] = 1;
    return true;
}

// Whether the empty cells next to `row` (across its edges, and its own cells' free halves) are
// joined by a flood of a few cells: then every cell of the area is, as before the placement.
bool Walker::still_one_area(std::uint32_t row) {
    constexpr std::size_t kNearFlood = 48;
    const std::uint64_t id = ++flood_id_;
    near_.clear();
    const Row& r = p_.rows[row];
    auto note = [&](std::int32_t cell) {
        if (seen_[cell] == id) return;
        seen_[cell] = id;
        near_.push_back(cell);
    };
    for (std::uint32_t k = 0; k < r.count; ++k) {
        const RowCell& rc = p_.row_cells[r.first + k];
        if (cover_[rc.cell] != kWholeMask) note(rc.cell);
        for (std::uint32_t m = rc.mask; m != 0; m &= m - 1)
            if (const std::int32_t n = empty_across(rc.cell, m); n >= 0) note(n);
    }
    if (near_.size() <= 1) return true;
    const std::size_t targets = near_.size();
    const std::uint64_t reached = ++flood_id_;
    flood_.clear();
    flood_.push_back(near_[0]);
    seen_[near_[0]] = reached;
    std::size_t found = 1;
    for (std::size_t at = 0; at < flood_.size() && at < kNearFlood; ++at) {
        const std::int32_t cell = flood_[at];
        for (std::uint32_t m = kWholeMask & ~cover_[cell]; m != 0; m &= m - 1) {
            const std::int32_t n = empty_across(cell, m);
            if (n < 0 || seen_[n] == reached) continue;
            if (seen_[n] == id && ++found == targets) return true;
            seen_[n] = reached;
            flood_.push_back(n);
        }
    }
    return false;
}

}  // namespace tessera::solve
