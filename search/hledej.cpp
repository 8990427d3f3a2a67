// The search: depth-first with backtracking, one open spot per pass, until the board is full,
// every piece has been tried first, or the user stops it.
#include <charconv>
#include <cstdio>

#include "app/search_params.h"
#include "app/solver.h"

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
        const PieceRecord* accepted = nullptr;
        for (i32 o = 1; o <= kOrientations && !accepted; ++o) {
            const PieceRecord& record = s_.prvky[s_.first_piece][o];
            if (kontrola(record) != 0) accepted = &record;
        }
        if (!accepted || accepted->holes[1].kind <= 0) continue;
        lay_first_piece(*accepted);
        return true;
    }
}

// The first piece makes open spots of all its holes, whatever the board holds under them and
// whatever the limits.
void Solver::lay_first_piece(const PieceRecord& rec) {
    const i32 x0 = s_.params.first_x, y0 = s_.params.first_y;
    for (int r = rec.anchor_row; r <= 6; ++r)
        for (int c = 1; c <= 10; ++c)
            if (rec.cells[r][c] != 0) s_.matice[x0 + r - rec.anchor_row][y0 + c - rec.anchor_col] += rec.cells[r][c];
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

// Walks the candidate list of the first open spot from next_candidate on and places the first
// free piece that the check accepts. With no open spot the previous spot's kind and target stay.
bool Solver::try_candidates() {
    const OpenSpot* spot = first_open_spot();
    if (spot) {
        s_.spot_kind = spot->kind;
        s_.target_row = spot->row;
        s_.target_col = spot->col;
    }
    const Candidate* list = s_.hroty[s_.spot_kind];
    for (int i = s_.next_candidate; list[i].piece > 0; ++i) {
        const Candidate& cand = list[i];
        if (s_.piece_used[cand.piece] != 0) continue;
        const PieceRecord& record = s_.prvky[cand.piece][cand.orientation];
        if (spot) {
            s_.target_row = spot->row + record.anchor_row - cand.row;
            s_.target_col = spot->col + record.anchor_col - cand.col;
        }
        if (kontrola(record) != 0) {
            pridej_prvek(record);
            if (s_.depth > deepest_) deepest_ = s_.depth;
            return true;
        }
    }
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
    ulozit("");
    s_.running = 0;
    if (s_.depth == kPieceCount) panel_.set_caption(Control::Label3, "Tak a je to tam !!!");
    if (s_.first_piece == kAllFirstPiecesTried) panel_.set_caption(Control::Label3, "Tak a je to v prdeli !!!");
}

}  // namespace tessera
