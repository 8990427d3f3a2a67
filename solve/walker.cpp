// The walk of the exact-cover tree: entering a prefix, the loop over levels, the choice of column
// and the order of its rows, and what a walk hands back. The cover state it moves through is in
// walker_cover.cpp, the pruning of its nodes by empty areas in walker_pruning.cpp.
#include "solve/walker.h"

#include <bit>
#include <limits>

#include "solve/count.h"

namespace tessera::solve {

Walker::Walker(const Problem& problem) : p_(problem), tilt_(problem) {
    build_cover_tables();
    build_pruning_tables();
    candidates_.reserve(p_.rows.size());
    reset();
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

Walker::End Walker::walk(const TilingSink& sink, const std::atomic<bool>& stop, std::uint64_t budget) {
    levels_.clear();
    candidates_.clear();
    const std::uint64_t last = budget == 0 ? std::numeric_limits<std::uint64_t>::max() : nodes.load() + budget;
    count_node(static_cast<int>(placed_.size()));
    if (is_tiling()) {
        ++tilings_met_;
        return sink(path_prefix(static_cast<int>(placed_.size()))) ? End::Exhausted : End::Stopped;
    }
    if (!all_pockets_ok() || !descend()) return End::Exhausted;
    // Depth first without recursion: the last level holds the rows of the column chosen at the
    // deepest node. For each of them: place it, go down when its node survives, else lift it.
    while (!levels_.empty()) {
        if (stop.load(std::memory_order_relaxed) || nodes.load(std::memory_order_relaxed) >= last) return End::Stopped;
        Level& level = levels_.back();
        if (level.at == level.end) {
            ascend();
            continue;
        }
        const std::uint32_t row = candidates_[level.at++];
        place(row, true);
        count_node(static_cast<int>(placed_.size()));
        if (is_tiling()) {
            ++tilings_met_;
            if (!sink(path_prefix(static_cast<int>(placed_.size())))) return End::Stopped;
        } else if (child_survives(row) && descend()) {
            continue;  // the row stays placed until ascend() leaves its node
        }
        lift(row, marks_.back());
    }
    return End::Exhausted;
}

// Whether the node that placing `row` entered may still hold a tiling. The cheap checks come
// first; place() left the rows of a shape it used up live for them, and only a node that passes
// them has those rows lifted out (onto the same placement's trail), which may starve it after all.
// Inline: it is the walk's own test of every node, and walk() its only caller.
inline bool Walker::child_survives(std::uint32_t row) {
    if (starved() || (dead_ && dead_->contains(state_)) || !pockets_ok_after(row)) return false;
    const std::int32_t cls = p_.rows[row].cls;
    if (class_free_[cls] == 0) {
        emptied_.clear();
        lift_out_used_up(cls);
        if (starved()) return false;
    }
    return true;
}

// Chooses the column of the current node and makes its live rows a new level; false when the
// column has none (a dead end).
bool Walker::descend() {
    const Choice column = choose();
    if (column.count <= 0) return false;
    push_level(column);
    return true;
}

// The last level's rows are all tried: its node is searched to the end. A node under which no
// tiling was met is a dead state; back at the level above, the row that led to it is lifted.
void Walker::ascend() {
    const Level& level = levels_.back();
    if (dead_ && tilings_met_ == level.tilings_before) dead_->insert(state_);
    candidates_.resize(level.first);
    levels_.pop_back();
    if (!levels_.empty()) lift(placed_.back(), marks_.back());
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
    levels_.push_back({first, first, end, tilings_met_});
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
    std::vector<Prefix> out;
    if (!all_pockets_ok() || !descend()) return out;
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
