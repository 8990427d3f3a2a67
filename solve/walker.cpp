#include "solve/walker.h"

#include <array>
#include <bit>
#include <limits>
#include <numeric>

#include "solve/count.h"

#ifdef TESSERA_VERIFY
#include <cstdio>
#include <cstdlib>
#endif

namespace tessera::solve {

namespace {

// A row covers a whole cell or one half of it: seven kinds of cover per cell. Slot 0 counts
// whole covers, slot 1 + k the halves whose first sixth is k.
int slot_of(std::uint32_t mask) {
    if (mask == kWholeMask) return 0;
    for (int k = 0; k < kSixthsPerCell; ++k)
        if (mask == half_mask(k)) return 1 + k;
    return 0;
}


// Pockets larger than this are not judged: a big empty area can almost always be split.
constexpr int kPocketCap = 511;

}  // namespace

Walker::Walker(const Problem& problem) : p_(problem), tilt_(problem) {
    const std::size_t sixths = p_.cell_row.size() * kSixthsPerCell;
    cover_.resize(p_.cell_row.size());
    live_.resize(p_.cell_row.size() * kSlots);
    live_at_.resize(p_.row_cells.size());
    for (std::size_t i = 0; i < live_at_.size(); ++i)
        live_at_[i] = static_cast<std::uint32_t>(p_.row_cells[i].cell * kSlots + slot_of(p_.row_cells[i].mask));
    row_cells_of_.resize(p_.rows.size());
    for (std::size_t i = 0; i < p_.rows.size(); ++i) {
        const Row& r = p_.rows[i];
        row_cells_of_[i] = {r.first, static_cast<std::uint16_t>(r.count), static_cast<std::uint16_t>(r.cls)};
    }
    seen_.assign(p_.cell_row.size(), 0);
    one_area_.assign(kPieceCount + 2, 0);
    flood_.reserve(sixths);
    pocket_.reserve(sixths);
    class_live_.resize(p_.classes.size());
    class_free_.resize(p_.classes.size());
    stamp_.resize(p_.rows.size());
    trail_.reserve(p_.rows.size());
    emptied_.reserve(p_.cell_row.size() * kSlots);  // a kind of cover of a cell runs out once per placement
    candidates_.reserve(p_.rows.size());
    row_key_.resize(p_.rows.size());
    for (std::size_t i = 0; i < p_.rows.size(); ++i) {
        const Row& r = p_.rows[i];
        StateKey& key = row_key_[i];
        key = state_key_of(sixths + static_cast<std::uint64_t>(r.cls));
        for (std::uint32_t k = 0; k < r.count; ++k) {
            const RowCell& rc = p_.row_cells[r.first + k];
            for (std::uint32_t m = rc.mask; m != 0; m &= m - 1)
                key += state_key_of(static_cast<std::uint64_t>(sixth_of(rc.cell, std::countr_zero(m))));
        }
    }
    for (const ShapeClass& shape : p_.classes)
        uniform_area_ = uniform_area_ == 0 || uniform_area_ == shape.area ? shape.area : -1;
    reset();
}

void Walker::reset() {
    for (std::size_t i = 0; i < cover_.size(); ++i) cover_[i] = kWholeMask & ~p_.free_mask[i];
    std::fill(live_.begin(), live_.end(), 0);
    std::fill(stamp_.begin(), stamp_.end(), 0);
    std::fill(class_live_.begin(), class_live_.end(), 0);
    pieces_left_ = 0;
    for (std::size_t c = 0; c < p_.classes.size(); ++c) {
        class_free_[c] = static_cast<std::int32_t>(p_.classes[c].members.size());
        pieces_left_ += class_free_[c];
    }
    for (const Row& r : p_.rows) {
        ++class_live_[r.cls];
        for (std::uint32_t k = 0; k < r.count; ++k) ++live_[live_at_[r.first + k]];
    }
    trail_.clear();
    placed_.clear();
    placed_piece_.clear();
    marks_.clear();
    uncovered_primary_ = p_.primary_area;
    sums_valid_ = false;
    state_ = {};
    tilt_left_ = tilt_.at_start();
}

void Walker::kill(std::uint32_t row) {
    stamp_[row] = static_cast<std::uint32_t>(placed_.size());
    trail_.push_back(row);
    const RowCells& r = row_cells_of_[row];
    --class_live_[r.cls];
    for (std::uint32_t k = 0; k < r.count; ++k) {
        const std::uint32_t at = live_at_[r.first + k];
        if (--live_[at] == 0) emptied_.push_back(static_cast<std::int32_t>(at / kSlots));
    }
}

// Whether a placement left a sixth to cover that no live row covers: most children of a node are
// such dead ends, and only the cells where a kind of cover ran out need a look.
bool Walker::starved() const {
    for (const std::int32_t cell : emptied_)
        for (std::uint32_t m = p_.primary_mask[cell] & ~cover_[cell]; m != 0; m &= m - 1)
            if (live_in(static_cast<std::size_t>(cell), std::countr_zero(m)) == 0) return true;
    return false;
}

// With `keep_used_up`, the rows of a shape that the placement used up stay live until the caller
// lifts them out: most children are dead ends that the cheaper checks find without them, and
// those rows are most of the work of a placement.
void Walker::place(std::uint32_t row, bool keep_used_up) {
    const Row& r = p_.rows[row];
    const ShapeClass& shape = p_.classes[r.cls];
    emptied_.clear();
    marks_.push_back(static_cast<std::uint32_t>(trail_.size()));
    placed_.push_back(row);
    state_ += row_key_[row];
    tilt_left_ -= tilt_.of_row(row);
    placed_piece_.push_back(shape.members[shape.members.size() - class_free_[r.cls]]);
    for (std::uint32_t k = 0; k < r.count; ++k) {
        const RowCell& rc = p_.row_cells[r.first + k];
        cover_[rc.cell] |= rc.mask;
        uncovered_primary_ -= sixths_in(rc.mask & p_.primary_mask[rc.cell]);
        const ListEntry* end = p_.cell_lists.data() + p_.cell_list_start[rc.cell + 1];
        for (const ListEntry* e = p_.cell_lists.data() + p_.cell_list_start[rc.cell]; e != end; ++e)
            if ((e->mask & rc.mask) != 0 && stamp_[e->row] == 0) kill(e->row);
    }
    --pieces_left_;
    sums_valid_ = false;
    if (--class_free_[r.cls] == 0 && !keep_used_up) lift_out_used_up(r.cls);
}

void Walker::lift_out_used_up(std::int32_t cls) {
    const ListEntry* end = p_.class_lists.data() + p_.class_list_start[cls + 1];
    for (const ListEntry* e = p_.class_lists.data() + p_.class_list_start[cls]; e != end; ++e)
        if (stamp_[e->row] == 0) kill(e->row);
}

void Walker::lift(std::uint32_t row, std::uint32_t mark) {
    while (trail_.size() > mark) {
        const std::uint32_t dead = trail_.back();
        trail_.pop_back();
        stamp_[dead] = 0;
        const RowCells& d = row_cells_of_[dead];
        ++class_live_[d.cls];
        for (std::uint32_t k = 0; k < d.count; ++k) ++live_[live_at_[d.first + k]];
    }
    const Row& r = p_.rows[row];
    for (std::uint32_t k = 0; k < r.count; ++k) {
        const RowCell& rc = p_.row_cells[r.first + k];
        cover_[rc.cell] &= ~rc.mask;
        uncovered_primary_ += sixths_in(rc.mask & p_.primary_mask[rc.cell]);
    }
    ++class_free_[r.cls];
    ++pieces_left_;
    state_ -= row_key_[row];
    tilt_left_ += tilt_.of_row(row);
    placed_.pop_back();
    placed_piece_.pop_back();
    marks_.pop_back();
    sums_valid_ = false;
}

bool Walker::enter(const Prefix& prefix) {
    levels_.clear();
    while (!placed_.empty()) lift(placed_.back(), marks_.back());
    base_ = 0;
    for (const Placement& e : prefix) {
        // The entry must be a live row of the next free piece of its shape.
        std::int32_t found = -1;
        for (std::size_t c = 0; c < p_.classes.size() && found < 0; ++c) {
            const ShapeClass& shape = p_.classes[c];
            const std::size_t index = shape.members.size() - static_cast<std::size_t>(class_free_[c]);
            if (index >= shape.members.size() || shape.members[index] != e.piece) continue;
            const ListEntry* end = p_.class_lists.data() + p_.class_list_start[c + 1];
            for (const ListEntry* l = p_.class_lists.data() + p_.class_list_start[c]; l != end; ++l) {
                const Row& r = p_.rows[l->row];
                if (r.row == e.row && r.col == e.col && shape.orientation_of[index][r.orientation] == e.orientation &&
                    stamp_[l->row] == 0)
                    found = static_cast<std::int32_t>(l->row);
            }
        }
        if (found < 0) return false;
        place(static_cast<std::uint32_t>(found));
    }
    base_ = placed_.size();
    return true;
}

void Walker::count_node(int depth) {
    nodes.store(nodes.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    if (depth > deepest.load(std::memory_order_relaxed)) deepest.store(depth, std::memory_order_relaxed);
}

bool Walker::is_tiling() const { return uncovered_primary_ == 0 && (p_.region.limited || pieces_left_ == 0); }

std::int32_t Walker::live_on(std::int32_t sixth) const { return live_in(cell_of(sixth), sixth_in_cell(sixth)); }

std::int32_t Walker::live_in(std::size_t cell, int k) const {
    // The whole covers and the three halves that hold the sixth.
    static constexpr int kHalves[6][3] = {{1, 6, 5}, {2, 1, 6}, {3, 2, 1}, {4, 3, 2}, {5, 4, 3}, {6, 5, 4}};
    const std::int32_t* c = &live_[cell * kSlots];
    return c[0] + c[kHalves[k][0]] + c[kHalves[k][1]] + c[kHalves[k][2]];
}

Walker::Choice Walker::sixth_choice(std::int32_t sixth, std::int64_t count) const {
    const std::int32_t cell = cell_of(sixth);
    return {p_.cell_lists.data() + p_.cell_list_start[cell], p_.cell_lists.data() + p_.cell_list_start[cell + 1],
            1u << sixth_in_cell(sixth), count};
}

Walker::Choice Walker::choose() const {
    Choice best{nullptr, nullptr, 0, std::numeric_limits<std::int64_t>::max()};
    for (std::size_t i = 0; i < cover_.size(); ++i) {
        // Every sixth of a cell counts the rows that cover the whole cell: a cell whose whole
        // covers alone reach the best count so far cannot improve on it.
        const std::int32_t whole = live_[i * kSlots];
        if (whole > best.count || (whole == best.count && !last_of_ties_)) continue;
        for (std::uint32_t m = p_.primary_mask[i] & ~cover_[i]; m != 0; m &= m - 1) {
            const int k = std::countr_zero(m);
            const std::int32_t n = live_in(i, k);
            const std::int32_t s = sixth_of(static_cast<std::int32_t>(i), k);
            if (n > best.count || (n == best.count && !last_of_ties_)) continue;
            best = sixth_choice(s, n);
            if (n == 0) return best;
        }
    }
    // Within the smallest empty area, its most constrained sixth.
    if (!pocket_.empty()) {
        best.count = std::numeric_limits<std::int64_t>::max();
        for (std::int32_t cell : pocket_)
            for (std::uint32_t m = p_.primary_mask[cell] & ~cover_[cell]; m != 0; m &= m - 1) {
                const std::int32_t s = sixth_of(cell, std::countr_zero(m));
                const std::int32_t n = live_on(s);
                if (n < best.count) best = sixth_choice(s, n);
            }
    }
    // On a full board every free piece must go somewhere: a shape with fewer live rows than free
    // pieces is a dead end, and the last free piece of a shape is a column of its own.
    if (!p_.region.limited)
        for (std::size_t c = 0; c < p_.classes.size(); ++c) {
            if (class_live_[c] < class_free_[c]) return {best.begin, best.end, best.bit, 0};
            if (class_free_[c] == 1 && class_live_[c] < best.count)
                best = {p_.class_lists.data() + p_.class_list_start[c],
                        p_.class_lists.data() + p_.class_list_start[c + 1], kWholeMask, class_live_[c]};
        }
    return best;
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

Placement Walker::placement_of(std::uint32_t row, int piece) const {
    const Row& r = p_.rows[row];
    const ShapeClass& shape = p_.classes[r.cls];
    std::size_t index = 0;
    while (shape.members[index] != piece) ++index;
    return {piece, r.row, r.col, shape.orientation_of[index][r.orientation]};
}

Prefix Walker::path_prefix(int placements) const {
    Prefix out;
    for (int i = 0; i < placements; ++i) out.push_back(placement_of(placed_[i], placed_piece_[i]));
    return out;
}

int Walker::next_member(int cls, int placements) const {
    std::size_t used = 0;
    for (int i = 0; i < placements; ++i) used += p_.rows[placed_[i]].cls == cls;
    return p_.classes[cls].members[used];
}

// The rows of a column are tried in the order of how likely each is to be part of a tiling: a
// shape with many pieces still to place and few places left for them first. Abundant shapes
// make up most of what is left to fill, so a wrong early guess among the rare ones, which only
// shows many levels down, is tried last. Rows of one shape keep the problem's order.
bool Walker::tried_before(std::uint32_t a, std::uint32_t b) const {
    const std::int32_t ca = p_.rows[a].cls, cb = p_.rows[b].cls;
    if (ca == cb) return a < b;
    const std::int64_t lhs = std::int64_t{class_free_[ca]} * class_live_[cb];
    const std::int64_t rhs = std::int64_t{class_free_[cb]} * class_live_[ca];
    return lhs != rhs ? lhs > rhs : a < b;
}

void Walker::push_level(const Choice& column) {
    const auto first = static_cast<std::uint32_t>(candidates_.size());
    for (const ListEntry* e = column.begin; e != column.end; ++e)
        if ((e->mask & column.bit) != 0 && stamp_[e->row] == 0) candidates_.push_back(e->row);
    // Few rows each, almost in order already: an insertion sort.
    for (std::size_t i = first + 1; i < candidates_.size(); ++i)
        for (std::size_t j = i; j > first && tried_before(candidates_[j], candidates_[j - 1]); --j)
            std::swap(candidates_[j], candidates_[j - 1]);
    const auto end = static_cast<std::uint32_t>(candidates_.size());
    levels_.push_back({first, first, end, -1, tilings_met_});
}

Walker::End Walker::walk(const TilingSink& sink, const std::atomic<bool>& stop, std::uint64_t budget) {
    levels_.clear();
    candidates_.clear();
    const std::uint64_t last = budget == 0 ? std::numeric_limits<std::uint64_t>::max() : nodes.load() + budget;
    count_node(static_cast<int>(placed_.size()));
    if (is_tiling()) {
        ++tilings_met_;
        return sink(path_prefix(static_cast<int>(placed_.size()))) ? End::Exhausted : End::Stopped;
    }
    if (!all_pockets_ok()) return End::Exhausted;
    const Choice root = choose();
    if (root.count == 0) return End::Exhausted;
    push_level(root);
    while (!levels_.empty()) {
        Level& level = levels_.back();
        if (level.row >= 0) {
            lift(static_cast<std::uint32_t>(level.row), marks_.back());
            level.row = -1;
        }
        if (stop.load(std::memory_order_relaxed) || nodes.load(std::memory_order_relaxed) >= last) return End::Stopped;
        if (level.at == level.end) {
            if (dead_ && tilings_met_ == level.tilings_before) dead_->insert(state_);
            candidates_.resize(level.first);
            levels_.pop_back();
            continue;
        }
        level.row = static_cast<std::int32_t>(candidates_[level.at++]);
        place(static_cast<std::uint32_t>(level.row), true);
        const int depth = static_cast<int>(placed_.size());
        count_node(depth);
        if (is_tiling()) {
            ++tilings_met_;
            if (!sink(path_prefix(depth))) return End::Stopped;
            continue;
        }
        if (starved() || (dead_ && dead_->contains(state_)) ||
            !pockets_ok_after(static_cast<std::uint32_t>(level.row)))
            continue;
        const std::int32_t cls = p_.rows[static_cast<std::size_t>(level.row)].cls;
        if (class_free_[cls] == 0) {
            emptied_.clear();
            lift_out_used_up(cls);
            if (starved()) continue;
        }
        const Choice next = choose();
        if (next.count > 0) push_level(next);
    }
    return End::Exhausted;
}

// `head` (the first `placements` of the path) and then `row`, given to the piece the walk gives it to.
Prefix Walker::extended(const Prefix& head, std::uint32_t row, int placements) const {
    Prefix unit = head;
    unit.push_back(placement_of(row, next_member(p_.rows[row].cls, placements)));
    return unit;
}

// A level's rows were all live when it was entered, and stay so at its own depth.
std::vector<Prefix> Walker::open_prefixes() const {
    std::vector<Prefix> out;
    for (std::size_t i = levels_.size(); i-- > 0;) {
        const Level& level = levels_[i];
        const int placements = static_cast<int>(base_ + i);
        const Prefix head = path_prefix(placements);
        for (std::uint32_t k = level.at; k < level.end; ++k) out.push_back(extended(head, candidates_[k], placements));
    }
    return out;
}

std::vector<Prefix> Walker::children(bool& solution) {
    levels_.clear();
    candidates_.clear();
    solution = is_tiling();
    if (solution) return {};
    if (!all_pockets_ok()) return {};
    const Choice c = choose();
    std::vector<Prefix> out;
    if (c.count == 0) return out;
    push_level(c);
    const int placements = static_cast<int>(placed_.size());
    const Prefix head = path_prefix(placements);
    for (std::uint32_t row : candidates_) out.push_back(extended(head, row, placements));
    levels_.clear();
    candidates_.clear();
    return out;
}

double Walker::probe(std::uint64_t& random_state) {
    double estimate = 1, width = 1;
    const std::size_t start = placed_.size();
    while (!is_tiling()) {
        if (!all_pockets_ok()) break;
        const Choice c = choose();
        if (c.count <= 0) break;
        random_state = random_state * 6364136223846793005ULL + 1442695040888963407ULL;
        std::int64_t pick = static_cast<std::int64_t>((random_state >> 33) % static_cast<std::uint64_t>(c.count));
        const ListEntry* e = c.begin;
        for (;; ++e)
            if ((e->mask & c.bit) != 0 && stamp_[e->row] == 0 && pick-- == 0) break;
        width *= static_cast<double>(c.count);
        estimate += width;
        place(e->row);
    }
    while (placed_.size() > start) lift(placed_.back(), marks_.back());
    return estimate;
}

void Walker::count_labellings(const Problem& problem, const Prefix& tiling, BigCount& out) {
    std::vector<int> class_of(kPieceCount + 1, -1);
    for (std::size_t c = 0; c < problem.classes.size(); ++c)
        for (int m : problem.classes[c].members) class_of[m] = static_cast<int>(c);
    std::vector<std::uint32_t> used(problem.classes.size(), 0);
    out = BigCount(1);
    for (const Placement& e : tiling) {
        const int c = class_of[e.piece];
        out.multiply(static_cast<std::uint32_t>(problem.classes[c].members.size()) - used[c]++);
    }
}

}  // namespace tessera::solve
