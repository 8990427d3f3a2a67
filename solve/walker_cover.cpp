// The walker's cover state and its undo: which sixths are covered, which rows are still live
// (fit beside everything placed), and how many live rows each column has.
//
// The undo is a trail of killed rows. Placing a row kills every live row that overlaps it (and,
// once its shape is used up, the rest of that shape's rows): each killed row is stamped with the
// placement that killed it, pushed on the trail, and taken off the live counts of its cells'
// kinds of cover and of its shape. Before a placement kills anything it pushes a mark, the
// trail's length at that moment, so the rows above the mark are exactly the rows it killed.
// Lifting the placement pops the trail down to the mark in reverse, clears each row's stamp and
// adds it back to the same counts, and uncovers the row's sixths: every count is then what it was
// before the placement, with no copy of the state kept. A row dies at most once per trail, since
// a kill is only ever applied to a row whose stamp is 0.
#include "solve/walker.h"

#include <algorithm>
#include <bit>

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

}  // namespace

void Walker::build_cover_tables() {
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
    class_live_.resize(p_.classes.size());
    class_free_.resize(p_.classes.size());
    stamp_.resize(p_.rows.size());
    trail_.reserve(p_.rows.size());
    emptied_.reserve(p_.cell_row.size() * kSlots);  // a kind of cover of a cell runs out once per placement
    // The key of a state: its covered sixths (ids 0 .. sixths - 1) and its used shapes (after them).
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

// The rows of a shape with no free piece left: killed like any other, so they lie above the
// placement's mark and come back when it is lifted.
void Walker::lift_out_used_up(std::int32_t cls) {
    const ListEntry* end = p_.class_lists.data() + p_.class_list_start[cls + 1];
    for (const ListEntry* e = p_.class_lists.data() + p_.class_list_start[cls]; e != end; ++e)
        if (stamp_[e->row] == 0) kill(e->row);
}

// `row` must be the last row placed and `mark` its mark: the trail's rows above the mark are
// brought back to life in the reverse order of their deaths, then the row's sixths are uncovered.
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

}  // namespace tessera::solve
