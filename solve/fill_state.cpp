#include "solve/fill_state.h"

#include <algorithm>
#include <bit>

namespace tessera::solve {

namespace {

constexpr int kSlots = 7;

// A row covers a whole cell or one half of it: slot 0 counts whole covers, slot 1 + k the halves
// whose first sixth is k (the walker counts alike).
int slot_of(std::uint32_t mask) {
    if (mask == 0x3f) return 0;
    for (int k = 0; k < 6; ++k)
        if (mask == ((0x7u << k | 0x7u >> (6 - k)) & 0x3f)) return 1 + k;
    return 0;
}

}  // namespace

FillState::FillState(const Problem& problem)
    : p_(problem),
      tilt_(problem),
      cover_(problem.cell_row.size()),
      blocked_(problem.rows.size()),
      live_(problem.cell_row.size() * kSlots),
      live_at_(problem.row_cells.size()),
      class_free_(problem.classes.size()),
      class_live_(problem.classes.size()),
      owner_(problem.cell_row.size() * 6),
      row_of_(kPieceCount + 1, -1),
      piece_cls_(kPieceCount + 1, -1) {
    for (std::size_t i = 0; i < live_at_.size(); ++i)
        live_at_[i] = static_cast<std::uint32_t>(p_.row_cells[i].cell * kSlots + slot_of(p_.row_cells[i].mask));
    for (std::size_t c = 0; c < p_.classes.size(); ++c)
        for (int m : p_.classes[c].members) piece_cls_[m] = static_cast<std::int32_t>(c);
    emptied_.reserve(live_.size());
    clear();
}

void FillState::clear() {
    for (std::size_t i = 0; i < cover_.size(); ++i) cover_[i] = 0x3f & ~p_.free_mask[i];
    std::fill(blocked_.begin(), blocked_.end(), 0);
    std::fill(live_.begin(), live_.end(), 0);
    std::fill(owner_.begin(), owner_.end(), 0);
    std::fill(row_of_.begin(), row_of_.end(), -1);
    laid_.clear();
    pieces_left_ = 0;
    for (std::size_t c = 0; c < p_.classes.size(); ++c) {
        class_free_[c] = static_cast<std::int32_t>(p_.classes[c].members.size());
        pieces_left_ += class_free_[c];
    }
    std::fill(class_live_.begin(), class_live_.end(), 0);
    for (const Row& r : p_.rows) {
        ++class_live_[r.cls];
        for (std::uint32_t k = 0; k < r.count; ++k) ++live_[live_at_[r.first + k]];
    }
    uncovered_ = p_.primary_area;
    tilt_left_ = tilt_.at_start();
    emptied_.clear();
}

void FillState::block(std::uint32_t row) {
    if (blocked_[row]++ != 0) return;
    const Row& r = p_.rows[row];
    --class_live_[r.cls];
    for (std::uint32_t k = 0; k < r.count; ++k) {
        const std::uint32_t at = live_at_[r.first + k];
        if (--live_[at] == 0) emptied_.push_back(static_cast<std::int32_t>(at / kSlots));
    }
}

void FillState::unblock(std::uint32_t row) {
    if (--blocked_[row] != 0) return;
    const Row& r = p_.rows[row];
    ++class_live_[r.cls];
    for (std::uint32_t k = 0; k < r.count; ++k) ++live_[live_at_[r.first + k]];
}

void FillState::block_class(std::int32_t cls, int delta) {
    const ListEntry* end = p_.class_lists.data() + p_.class_list_start[cls + 1];
    for (const ListEntry* e = p_.class_lists.data() + p_.class_list_start[cls]; e != end; ++e)
        delta > 0 ? block(e->row) : unblock(e->row);
}

int FillState::place(std::uint32_t row, int piece) {
    emptied_.clear();
    const Row& r = p_.rows[row];
    const ShapeClass& shape = p_.classes[r.cls];
    for (std::size_t i = 0; i < shape.members.size() && piece == 0; ++i)
        if (row_of_[shape.members[i]] < 0) piece = shape.members[i];
    row_of_[piece] = static_cast<std::int32_t>(row);
    laid_.push_back({row, piece});
    for (std::uint32_t k = 0; k < r.count; ++k) {
        const RowCell& rc = p_.row_cells[r.first + k];
        cover_[rc.cell] |= rc.mask;
        uncovered_ -= sixths_in(rc.mask & p_.primary_mask[rc.cell]);
        for (std::uint32_t m = rc.mask; m != 0; m &= m - 1) owner_[rc.cell * 6 + std::countr_zero(m)] = piece;
        const ListEntry* end = p_.cell_lists.data() + p_.cell_list_start[rc.cell + 1];
        for (const ListEntry* e = p_.cell_lists.data() + p_.cell_list_start[rc.cell]; e != end; ++e)
            if ((e->mask & rc.mask) != 0) block(e->row);
    }
    tilt_left_ -= tilt_.of_row(row);
    --pieces_left_;
    if (--class_free_[r.cls] == 0) block_class(r.cls, +1);
    return piece;
}

void FillState::lift(int piece) {
    const auto at = std::find_if(laid_.begin(), laid_.end(), [piece](const Laid& l) { return l.piece == piece; });
    if (at == laid_.end()) return;
    const std::uint32_t row = at->row;
    laid_.erase(at);
    const Row& r = p_.rows[row];
    if (class_free_[r.cls]++ == 0) block_class(r.cls, -1);
    ++pieces_left_;
    tilt_left_ += tilt_.of_row(row);
    for (std::uint32_t k = 0; k < r.count; ++k) {
        const RowCell& rc = p_.row_cells[r.first + k];
        cover_[rc.cell] &= ~rc.mask;
        uncovered_ += sixths_in(rc.mask & p_.primary_mask[rc.cell]);
        for (std::uint32_t m = rc.mask; m != 0; m &= m - 1) owner_[rc.cell * 6 + std::countr_zero(m)] = 0;
        const ListEntry* end = p_.cell_lists.data() + p_.cell_list_start[rc.cell + 1];
        for (const ListEntry* e = p_.cell_lists.data() + p_.cell_list_start[rc.cell]; e != end; ++e)
            if ((e->mask & rc.mask) != 0) unblock(e->row);
    }
    row_of_[piece] = -1;
    emptied_.clear();
}

void FillState::lift_last(std::size_t n) {
    while (n-- > 0 && !laid_.empty()) lift(laid_.back().piece);
}

int FillState::place_if_fits(const Placement& e) {
    const std::int32_t row = find_row(e);
    if (row < 0 || !live(static_cast<std::uint32_t>(row)) || !piece_free(e.piece)) return 0;
    return place(static_cast<std::uint32_t>(row), e.piece);
}

void FillState::lift_pieces(const std::vector<int>& pieces, std::vector<Laid>& lifted,
                            std::vector<std::int32_t>& cells) {
    for (const int piece : pieces) {
        const std::int32_t row = row_of(piece);
        if (row < 0) continue;
        lifted.push_back({static_cast<std::uint32_t>(row), piece});
        const Row& r = p_.rows[static_cast<std::size_t>(row)];
        for (std::uint32_t k = 0; k < r.count; ++k) cells.push_back(p_.row_cells[r.first + k].cell);
        lift(piece);
    }
}

void FillState::lay_back(const std::vector<Laid>& lifted) {
    for (const Laid& l : lifted) place(l.row, l.piece);
}

std::int32_t FillState::live_in(std::int32_t cell, int k) const {
    static constexpr int kHalves[6][3] = {{1, 6, 5}, {2, 1, 6}, {3, 2, 1}, {4, 3, 2}, {5, 4, 3}, {6, 5, 4}};
    const std::int32_t* c = &live_[static_cast<std::size_t>(cell) * kSlots];
    return c[0] + c[kHalves[k][0]] + c[kHalves[k][1]] + c[kHalves[k][2]];
}

bool FillState::starved() const {
    for (const std::int32_t cell : emptied_)
        for (std::uint32_t m = open_in(cell); m != 0; m &= m - 1)
            if (live_in(cell, std::countr_zero(m)) == 0) return true;
    return false;
}

bool FillState::tilt_ok() const { return !tilt_.usable() || tilt_.all_can_make(tilt_left_, class_free_); }

Placement FillState::placement_of(const Laid& l) const {
    const Row& r = p_.rows[l.row];
    const ShapeClass& shape = p_.classes[r.cls];
    std::size_t index = 0;
    while (shape.members[index] != l.piece) ++index;
    return {l.piece, r.row, r.col, shape.orientation_of[index][r.orientation]};
}

std::vector<Placement> FillState::placements() const {
    std::vector<Placement> out;
    out.reserve(laid_.size());
    for (const Laid& l : laid_) out.push_back(placement_of(l));
    return out;
}

std::int32_t FillState::find_row(const Placement& e) const {
    if (e.piece < 1 || e.piece > kPieceCount || piece_cls_[e.piece] < 0) return -1;
    const std::int32_t cls = piece_cls_[e.piece];
    const ShapeClass& shape = p_.classes[cls];
    std::size_t index = 0;
    while (shape.members[index] != e.piece) ++index;
    const ListEntry* end = p_.class_lists.data() + p_.class_list_start[cls + 1];
    for (const ListEntry* l = p_.class_lists.data() + p_.class_list_start[cls]; l != end; ++l) {
        const Row& r = p_.rows[l->row];
        if (r.row == e.row && r.col == e.col && shape.orientation_of[index][r.orientation] == e.orientation)
            return static_cast<std::int32_t>(l->row);
    }
    return -1;
}

}  // namespace tessera::solve
