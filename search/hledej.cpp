// The search: depth-first with backtracking, one open spot per pass, until the board is full,
// every piece has been tried first, or the user stops it.
#include <charconv>
#include <cstdio>

#include "app/search_params.h"
#include "app/solver.h"
#include "board/cell_codes.h"
#include "placement/board_index.h"
#include "placement/candidate_shape.h"
#include "placement/cell_list.h"
#include "placement/planted_fault.h"

namespace tessera {

namespace {

constexpr int kLabelEvery = 100;
constexpr i32 kAllFirstPiecesTried = kPieceCount + 1;

}  // namespace

int Solver::hledej() {
    start_search();
    while (s_.depth != kPieceCount && s_.running != 0) {
        if (s_.params.use_limits != 0) restart_if_region_filled();
        if (s_.reseni[1].piece == 0 && !place_first_piece()) break;
        if (!try_candidates()) odeber_prvek();
        debug_verify();
        count_pass();
        if (!panel_.pump_events(s_)) stop();
    }
    end_search();
    return 0;
}

void Solver::start_search() {
    s_.best_unfilled = 10000;
    s_.step_count = 0;
    s_.first_piece = s_.reseni[1].piece;
    s_.next_candidate = 1;
    deepest_ = s_.depth;
    panel_.set_caption(Control::Label3, "Uz to zacalo !!!!");
}

void Solver::empty_search_state() {
    for (Placement& entry : s_.reseni) entry = s_.empty_placement;
    s_.depth = 0;
    for (OpenSpot& spot : s_.volny) spot = s_.empty_spot;
    s_.open_count = 0;
    for (i32& used : s_.piece_used) used = 0;
}

// A filled limit region is kept in a "var_" file, and the search starts over on an empty board
// with the next first piece.
void Solver::restart_if_region_filled() {
    const Region region = limit_region(s_.params);
    const auto clamp_row = [](std::int64_t v) { return static_cast<i32>(v < -1 ? -1 : v > kBoardRows ? kBoardRows : v); };
    const auto clamp_col = [](std::int64_t v) { return static_cast<i32>(v < -1 ? -1 : v > kBoardCols ? kBoardCols : v); };
    if (plocha_naplnena(clamp_row(region.x1), clamp_col(region.y1), clamp_row(region.x2), clamp_col(region.y2)) == 0)
        return;
    char name[48];
    std::snprintf(name, sizeof name, "var_%lld.txt", static_cast<long long>(s_.step_count));
    ulozit(name);
    napln_matici();
    empty_search_state();
}

bool Solver::place_first_piece() {
    for (;;) {
        ++s_.first_piece;
        if (s_.first_piece >= kAllFirstPiecesTried) {
            s_.first_piece = kAllFirstPiecesTried;
            return false;
        }
        s_.target_row = s_.params.first_x;
        s_.target_col = s_.params.first_y;
        // A piece without a hole in any orientation is passed over whichever orientation the
        // check would accept, so the check need not be asked (most pieces of a short file).
        if (!any_orientation_has_hole(s_.first_piece)) continue;
        const PieceRecord* accepted = first_orientation(s_.first_piece);
        if (!accepted || accepted->holes[1].kind <= 0) continue;
        lay_first_piece(*accepted);
        return true;
    }
}

bool Solver::any_orientation_has_hole(i32 piece) const {
    for (i32 o = 1; o <= kOrientations; ++o)
        if (s_.prvky[piece][o].holes[1].kind > 0) return true;
    return false;
}

const PieceRecord* Solver::first_orientation(i32 piece) const {
    // An empty whole cell passes the check in either direction, so the direction of the anchor
    // cell is compared with the target cell's first.
    const bool up = board_cell_points_up(s_.target_row, s_.target_col);
    for (i32 o = 1; o <= kOrientations; ++o) {
        const PieceRecord& record = s_.prvky[piece][o];
        if (grid_cell_points_up(record.anchor_row, record.anchor_col) != up) continue;
        if (kontrola(record) != 0) return &record;
    }
    return nullptr;
}

// The first piece makes open spots of all its holes, whatever the board holds under them and
// whatever the limits.
void Solver::lay_first_piece(const PieceRecord& rec) {
    const i32 x0 = s_.params.first_x, y0 = s_.params.first_y;
    lay_cells(rec, x0, y0, 1);
    ++s_.depth;
    s_.reseni[s_.depth] = Placement{rec.number, x0, y0, rec.orientation};
    s_.piece_used[rec.number] = 1;
    for (int slot = 1; slot < kHoleSlots && rec.holes[slot].kind > 0; ++slot) {
        ++s_.open_count;
        OpenSpot& spot = s_.volny[s_.open_count];
        spot.owner = rec.number;
        spot.kind = rec.holes[slot].kind;
        spot.row = rec.holes[slot].row + x0 - rec.anchor_row;
        spot.col = rec.holes[slot].col + y0 - rec.anchor_col;
    }
    s_.next_candidate = 1;
}

const OpenSpot* Solver::first_open_spot() const {
    for (int i = 1; i <= s_.open_count; ++i)
        if (s_.volny[i].filled == 0) return &s_.volny[i];
    return nullptr;
}

// The cells of the unfilled spots, in list order.
void Solver::gather_open_cells(OpenCells& open) const {
    open.count = 0;
    for (int i = 1; i <= s_.open_count && s_.volny[i].kind > 0; ++i)
        if (s_.volny[i].filled == 0) {
            open.row[open.count] = static_cast<signed char>(s_.volny[i].row);
            open.col[open.count++] = static_cast<signed char>(s_.volny[i].col);
        }
    if (planted_fault == PlantedFault::OpenSpotMissed && open.count > 0) --open.count;
}

// Walks the candidate list of the first open spot from next_candidate on and places the first
// free piece that the check accepts. With no open spot the previous spot's kind and target stay.
bool Solver::try_candidates() {
    OpenCells open;
    gather_open_cells(open);
    const OpenSpot* spot = first_open_spot();
    if (spot) {
        s_.spot_kind = spot->kind;
        s_.target_row = spot->row;
        s_.target_col = spot->col;
    }
    // The spots do not change while candidates are only checked.
    open_cells_ = &open;
    SpotSurroundings around;
    const bool by_shapes = spot && surroundings_of(*board_index_, spot->row, spot->col, around);
    const Candidate* list = s_.hroty[s_.spot_kind];
    const CandidateShape* shapes = shapes_.get() + s_.hroty.start[s_.spot_kind];
    // Each free candidate aims the check at its place; one that its shape turns down is aimed at
    // only when it is the last, so that the target is left where the plain walk leaves it.
    const auto aim = [&](int i) {
        if (!spot) return;
        s_.target_row = spot->row + shapes[i].anchor_row - list[i].row;
        s_.target_col = spot->col + shapes[i].anchor_col - list[i].col;
    };
    // With the spot the only open one, every candidate covers it: the continuation test is then
    // whether a hole opens a new one.
    const bool only_spot = by_shapes && open.count == 1 && s_.depth != kPieceCount - 1;
    int last_free = 0, aimed = 0;
    for (int i = s_.next_candidate; list[i].piece > 0; ++i) {
        const Candidate& cand = list[i];
        if (s_.piece_used[cand.piece] != 0) continue;
        last_free = i;
        // The cells and the record are read only when the candidate's cells fit the board.
        const CandidateShape& shape = shapes[i];
        const bool shaped = by_shapes && shape.first != CandidateShape::kNone;
        if (shaped && shape_blocked(shape, around)) continue;
        aim(i);
        aimed = i;
        const bool by_holes = only_spot && shaped;
        if (by_holes && !opens_from(shape, s_.matice, s_.params, spot->row, spot->col)) continue;
        const CellList& cells = cell_index_->lists[cand.piece][cand.orientation];
        const int dr = s_.target_row - shape.anchor_row, dc = s_.target_col - shape.anchor_col;
        if (!shaped && !rows_fit(cells, *board_index_, dr, dc)) continue;
        const PieceRecord& record = s_.prvky[cand.piece][cand.orientation];
        if ((by_holes || continues(cells, record, dr, dc)) && fills(cells, dr, dc)) {
            open_cells_ = nullptr;
            pridej_prvek(record);
            if (s_.depth > deepest_) deepest_ = s_.depth;
            return true;
        }
    }
    if (last_free != aimed) aim(last_free);
    open_cells_ = nullptr;
    return false;
}

void Solver::count_pass() {
    ++s_.step_count;
    if (s_.step_count % kLabelEvery == 0) {
        char text[24];
        auto shown = std::to_chars(text, text + sizeof text, s_.step_count);
        panel_.set_caption(Control::Label3, std::string_view(text, static_cast<std::size_t>(shown.ptr - text)));
        shown = std::to_chars(text, text + sizeof text, s_.depth);
        panel_.set_caption(Control::Label5, std::string_view(text, static_cast<std::size_t>(shown.ptr - text)));
    }
    if (s_.step_count % progress_every_ == 0) {
        char name[48];
        std::snprintf(name, sizeof name, "res_%lld.txt", static_cast<long long>(s_.step_count));
        ulozit(name);
    }
}

void Solver::end_search() {
    write_final_result();
    s_.running = 0;
    if (s_.depth == kPieceCount) panel_.set_caption(Control::Label3, "Tak a je to tam !!!");
    if (s_.first_piece == kAllFirstPiecesTried) panel_.set_caption(Control::Label3, "Tak a je to v prdeli !!!");
}

}  // namespace tessera
